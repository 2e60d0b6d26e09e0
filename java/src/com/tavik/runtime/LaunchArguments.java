package com.tavik.runtime;

import java.util.Arrays;
import java.util.Collections;
import java.util.List;

/**
 * The argument array the native launcher hands to {@code main}: five values of its own, the first
 * element of its own argument list (program path, or service name in a service child), then the
 * application's arguments (fixed ones first, then those from the command line).
 */
public final class LaunchArguments {
    static final int LEADING_VALUES = 6;

    private final boolean guiProgram;
    private final MainTarget mainTarget;
    private final String firstPath;
    private final String secondPath;
    private final boolean flag;
    private final String launcherToken;
    private final List<String> applicationArguments;

    private LaunchArguments(String[] args) {
        guiProgram = Boolean.parseBoolean(args[0]);
        mainTarget = MainTarget.parse(args[1]);
        firstPath = args[2];
        secondPath = args[3];
        flag = Boolean.parseBoolean(args[4]);
        launcherToken = args[5];
        applicationArguments = Collections.unmodifiableList(
                Arrays.asList(Arrays.copyOfRange(args, LEADING_VALUES, args.length)));
    }

    /** @throws IllegalArgumentException when the launcher's own values are incomplete */
    public static LaunchArguments parse(String[] args) {
        if (args == null || args.length < LEADING_VALUES) {
            throw new IllegalArgumentException("expected at least " + LEADING_VALUES
                    + " launcher arguments, got " + (args == null ? 0 : args.length));
        }
        for (int i = 0; i < LEADING_VALUES; i++) {
            if (args[i] == null) throw new IllegalArgumentException("launcher argument " + (i + 1) + " is null");
        }
        return new LaunchArguments(args);
    }

    /** True for a windowed program (errors shown as message boxes by the launcher). */
    public boolean isGuiProgram() { return guiProgram; }

    public MainTarget mainTarget() { return mainTarget; }

    /** The first configured path, absolute unless it starts with "$"; empty when not configured. */
    public String firstPath() { return firstPath; }

    /** The second configured path, treated like {@link #firstPath()}. */
    public String secondPath() { return secondPath; }

    /** The configured boolean that follows the two paths. */
    public boolean flag() { return flag; }

    /** The program path as started, or the service name in a supervised service child. */
    public String launcherToken() { return launcherToken; }

    public String[] applicationArguments() { return applicationArguments.toArray(new String[0]); }
}
