package com.runwright.runtime.installer.platform.win32;

/** The native half a VM checks registration against; nothing here runs. */
public final class VistaFileChooser {
    static native void initialize0();
    static native String[] displayDialog0(long a0, String a1, String a2, String a3, String a4, int a5, int a6, boolean a7, String a8, String[] a9, String[] a10, int a11, String[] a12, boolean[] a13);
}
