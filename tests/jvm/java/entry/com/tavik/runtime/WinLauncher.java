package com.tavik.runtime;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Paths;
import java.nio.file.StandardOpenOption;
import java.util.Collections;

/** An entry class that takes the splash settings and records them, but has no main. */
public final class WinLauncher {
    private WinLauncher() {}

    public static void initAwtSplashConfig(boolean enabled, boolean mode, String text1, int n1, int n2, String text2,
            int n3, int n4, String text3, int n5, int n6, String text4, int n7, int n8) throws IOException {
        final String line = "splash " + enabled + " " + mode + " [" + text1 + "] " + n1 + " " + n2 + " [" + text2 + "] "
                + n3 + " " + n4 + " [" + text3 + "] " + n5 + " " + n6 + " [" + text4 + "] " + n7 + " " + n8;
        Files.write(Paths.get(System.getProperty("jvmtest.events")), Collections.singletonList(line),
                StandardCharsets.UTF_8, StandardOpenOption.CREATE, StandardOpenOption.APPEND);
    }
}
