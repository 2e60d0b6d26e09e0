package com.runwright.runtime.installer.platform.win32;

/** The native half a VM checks registration against; nothing here runs. */
public final class Win32Handle {
    static native Object[] list0();
    static native boolean close0(int a0);
    static native String getDeviceName0(String a0);
}
