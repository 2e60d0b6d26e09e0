package com.runwright.runtime.launcher;

/** Entry class of the installer flavour; it starts the application exactly as the plain one does. */
public final class WinLauncher {
    private WinLauncher() {}

    public static void main(String[] args) throws Throwable {
        com.tavik.runtime.WinLauncher.main(args);
    }
}
