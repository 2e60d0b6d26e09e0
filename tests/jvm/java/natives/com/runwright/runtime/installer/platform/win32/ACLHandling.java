package com.runwright.runtime.installer.platform.win32;

/** The native half a VM checks registration against; nothing here runs. */
public final class ACLHandling {
    static native boolean addACE(String a0, boolean a1, boolean a2, boolean a3, boolean a4, boolean a5, int a6, String a7);
}
