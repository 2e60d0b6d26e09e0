package com.runwright.runtime.installer.platform.win32;

/** The native half a VM checks registration against; nothing here runs. */
public final class FileVersion {
    static native int compare0(String a0, String a1);
}
