package jvmtest;

import java.io.IOException;
import java.io.OutputStreamWriter;
import java.io.Writer;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Paths;
import java.nio.file.StandardOpenOption;

/** Appends lines to the file the test names in "jvmtest.events"; the native side writes there too. */
public final class Events {
    private Events() {}

    public static synchronized void record(String line) {
        try (Writer out = new OutputStreamWriter(Files.newOutputStream(Paths.get(System.getProperty("jvmtest.events")),
                StandardOpenOption.CREATE, StandardOpenOption.APPEND), StandardCharsets.UTF_8)) {
            out.write(line + "\n");
        } catch (IOException e) {
            throw new IllegalStateException(e);
        }
    }

    public static void property(String name) {
        record("property " + name + "=" + System.getProperty(name));
    }
}
