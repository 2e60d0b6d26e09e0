package com.runwright.runtime.installer.platform.win32;

/** The native half a VM checks registration against; nothing here runs. */
public final class Win32Exec {
    static native int launch0(String a0, String a1);
}
