package com.tavik.runtime;

/**
 * Entry class the native launcher calls with {@code main(String[])} once the VM is created. The
 * launcher has already set every system property the application sees from it.
 */
public final class WinLauncher {
    private static volatile LaunchArguments current;

    private WinLauncher() {}

    public static void main(String[] args) throws Throwable {
        launch(args);
    }

    static void launch(String[] args) throws Throwable {
        final LaunchArguments launch = LaunchArguments.parse(args);
        final Class<?> mainClass = MainClassInvoker.findMainClass(launch.mainTarget());
        current = launch;
        ServiceStopWatcher.startIfService();
        MainClassInvoker.invokeMain(mainClass, launch.applicationArguments());
    }

    /** The launcher's arguments of this run, or null when the application was not started here. */
    public static LaunchArguments launchArguments() {
        return current;
    }
}
