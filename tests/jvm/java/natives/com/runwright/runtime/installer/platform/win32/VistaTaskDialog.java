package com.runwright.runtime.installer.platform.win32;

/** The native half a VM checks registration against; nothing here runs. */
public final class VistaTaskDialog {
    static native int show0(long a0, String a1, String a2, String a3, int a4, int a5, int a6, String a7, String[] a8, int a9);
}
