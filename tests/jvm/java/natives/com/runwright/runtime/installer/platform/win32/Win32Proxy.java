package com.runwright.runtime.installer.platform.win32;

/** The native half a VM checks registration against; nothing here runs. */
public final class Win32Proxy {
    static native int getIEConfig0(String[] a0);
    static native int getDefaultConfig0(String[] a0);
    static native long getAutoProxyConfig0(String[] a0, String a1, String a2, int a3, int a4, boolean a5);
    static native boolean loadFunctions0();
}
