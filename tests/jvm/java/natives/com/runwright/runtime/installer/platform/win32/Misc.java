package com.runwright.runtime.installer.platform.win32;

/** The native half a VM checks registration against; nothing here runs. */
public final class Misc {
    static native void reboot0();
    static native String[] getRunningModules0(boolean a0);
    static native String[] getEnvVarPairs0();
    static native void broadcastSettingChange0();
    static native long getPhysicalMemory0();
    static native long getFreeDiskSpace0(String a0);
    static native boolean moveWithDelayUntilReboot0(String a0, String a1);
    static native void toFront0();
    static native int terminateProcesses0(int[] a0, boolean a1, int a2);
    static native String getWindowTitle0(int a0);
    static native void setForegroundWindow0(long a0);
    static native com.runwright.api.windows.WindowInfo[] getTopLevelWindows0(Class<?> a0, int a1);
    static native int getPidFromHandle0(long a0);
}
