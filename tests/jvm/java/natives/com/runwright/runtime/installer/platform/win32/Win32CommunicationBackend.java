package com.runwright.runtime.installer.platform.win32;

/** The native half a VM checks registration against; nothing here runs. */
public final class Win32CommunicationBackend {
    static native long getInvalidHandle0();
    static native long createListener0(String a0);
    static native byte[] readDataBlock0(long a0);
    static native boolean writeDataBlock0(long a0, byte[] a1);
    static native long connectClient0(String a0);
    static native boolean connectNamedPipe0(long a0);
    static native void disconnectNamedPipe0(long a0);
    static native void closeHandle0(long a0);
    static native boolean isProcessAlive0(int a0);
    static native int getCurrentProcessId0();
}
