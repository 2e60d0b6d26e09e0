package com.runwright.runtime.installer.platform.win32;

import jvmtest.Events;

/** Stands in for the installer runtime's class that the launcher tells about its helper library. */
public final class Common {
    private Common() {}

    public static void initFromLauncher(boolean registered) {
        Events.record("initFromLauncher " + registered);
    }
}
