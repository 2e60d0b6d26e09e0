package com.runwright.runtime.installer.platform.win32;

/** The native half a VM checks registration against; nothing here runs. */
public final class ObjectPicker {
    public static final class Result {}
    static native com.runwright.runtime.installer.platform.win32.ObjectPicker.Result[] show0(boolean a0, boolean a1, boolean a2, boolean a3, boolean a4);
}
