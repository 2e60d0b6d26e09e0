package com.tavik.tests;

import com.tavik.Controller;

import java.io.BufferedReader;
import java.io.File;
import java.io.IOException;
import java.io.InputStreamReader;
import java.io.OutputStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.Collections;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Map;
import java.util.concurrent.TimeUnit;

/**
 * Tests of the Java entry runtime. Launches go through a child `java` with the runtime jar, the
 * way the native launcher's VM sees it; the notification API is tested in this VM. Exits 1 when a
 * check fails.
 */
public final class RuntimeTests {
    private static final String RUNTIME_JAR = requiredProperty("tavik.test.runtimeJar");
    private static final String APPS_JAR = requiredProperty("tavik.test.appsJar");
    private static final String MODULE_JAR = requiredProperty("tavik.test.moduleJar");
    private static final String PROGRAM = "C:\\Apps\\Demo\\demo.exe";
    private static final long CHILD_TIMEOUT_SECONDS = 60;

    interface Check {
        void run() throws Exception;
    }

    public static void main(String[] args) {
        final Map<String, Check> checks = new LinkedHashMap<>();
        checks.put("launch passes the application arguments", RuntimeTests::launchesMainClasses);
        checks.put("launch failures are visible", RuntimeTests::launchFailuresAreVisible);
        checks.put("service stop channel ends the VM", RuntimeTests::serviceStopChannelEndsTheVm);
        checks.put("service stop channel leaves the VM alone", RuntimeTests::serviceStopChannelLeavesVmAlone);
        checks.put("controller delivers start-ups", RuntimeTests::controllerDeliversStartups);
        int failed = 0;
        for (Map.Entry<String, Check> check : checks.entrySet()) {
            try {
                check.getValue().run();
                System.out.println("PASS " + check.getKey());
            } catch (Throwable failure) {
                failed++;
                System.out.println("FAIL " + check.getKey());
                failure.printStackTrace(System.out);
            }
        }
        System.out.println(failed == 0 ? "all passed" : failed + " failed");
        System.exit(failed == 0 ? 0 : 1);
    }

    // --- launching -------------------------------------------------------------------------

    private static final List<String> CLASS_PATH = Arrays.asList("-cp", RUNTIME_JAR + File.pathSeparator + APPS_JAR,
            "com.tavik.runtime.WinLauncher");
    // What the launcher sets up for a module launch: both jars on the module path, the main
    // module and the runtime module added, and the main class's package opened to the runtime.
    private static final List<String> MODULE_PATH = Arrays.asList(
            "--module-path", RUNTIME_JAR + File.pathSeparator + MODULE_JAR,
            "--add-modules", "app.module,com.tavik.runtime",
            "--add-opens", "app.module/app.mod=com.tavik.runtime",
            "-m", "com.tavik.runtime/com.tavik.runtime.WinLauncher");

    private static void launchesMainClasses() throws Exception {
        final class Case {
            final String name;
            final List<String> entry;
            final String target;
            final List<String> appArgs;
            final List<String> wantOutput;

            Case(String name, List<String> entry, String target, List<String> appArgs, String... wantOutput) {
                this.name = name;
                this.entry = entry;
                this.target = target;
                this.appArgs = appArgs;
                this.wantOutput = Arrays.asList(wantOutput);
            }
        }
        final Case[] cases = {
            new Case("plain class, arguments kept as given", CLASS_PATH, "app.Echo",
                    Arrays.asList("--fixed", "a b", "", "-Jx", "\"quoted\""),
                    "<--fixed>", "<a b>", "<>", "<-Jx>", "<\"quoted\">"),
            new Case("plain class, no application arguments", CLASS_PATH, "app.Echo",
                    Collections.<String>emptyList()),
            new Case("public main of a class that is not public", CLASS_PATH, "app.HiddenMain",
                    Arrays.asList("x", "y"), "hidden 2"),
            new Case("named module and class", MODULE_PATH, "/app.module/app.mod.ModMain",
                    Arrays.asList("one", "two words"), "module app.module", "<one>", "<two words>"),
            new Case("named module with its own main class", MODULE_PATH, "/app.module",
                    Collections.singletonList("only"), "module app.module", "<only>"),
        };
        for (Case c : cases) {
            final ChildRun run = launch(c.entry, Collections.<String>emptyList(), "",
                    launcherArgs(c.target, c.appArgs));
            check(run.exitCode == 0, c.name + ": exit code " + run.exitCode + "\n" + run.stderr);
            checkEquals(c.wantOutput, run.stdoutLines(), c.name);
        }
    }

    private static void launchFailuresAreVisible() throws Exception {
        final class Case {
            final String name;
            final List<String> entry;
            final List<String> args;
            final String wantInStderr;

            Case(String name, List<String> entry, List<String> args, String wantInStderr) {
                this.name = name;
                this.entry = entry;
                this.args = args;
                this.wantInStderr = wantInStderr;
            }
        }
        final List<String> noArgs = Collections.emptyList();
        final Case[] cases = {
            new Case("missing class", CLASS_PATH, launcherArgs("app.Missing", noArgs), "app.Missing"),
            new Case("missing module", MODULE_PATH, launcherArgs("/no.such.module/x.Main", noArgs), "no.such.module"),
            new Case("missing class in a module", MODULE_PATH, launcherArgs("/app.module/app.mod.Absent", noArgs),
                    "app.mod.Absent"),
            new Case("main that is not static", CLASS_PATH, launcherArgs("app.InstanceMain", noArgs), "not static"),
            new Case("launcher values cut short", CLASS_PATH, Arrays.asList("false", "app.Echo", "", "", "false"),
                    "at least 6 launcher arguments"),
            new Case("exception from the application, unwrapped", CLASS_PATH, launcherArgs("app.Thrower", noArgs),
                    "java.lang.IllegalStateException: thrown by the application"),
        };
        for (Case c : cases) {
            final ChildRun run = launch(c.entry, Collections.<String>emptyList(), "", c.args);
            check(run.exitCode != 0, c.name + ": exit code 0");
            check(run.stderr.contains(c.wantInStderr), c.name + ": stderr lacks '" + c.wantInStderr + "':\n" + run.stderr);
            check(!run.stderr.contains("InvocationTargetException"), c.name + ": wrapped exception:\n" + run.stderr);
            check(run.stdout.isEmpty(), c.name + ": the application ran:\n" + run.stdout);
        }
    }

    private static List<String> launcherArgs(String target, List<String> appArgs) {
        final List<String> args = new ArrayList<>(Arrays.asList("false", target, "", "", "false", PROGRAM));
        args.addAll(appArgs);
        return args;
    }

    // --- service mode ----------------------------------------------------------------------

    private static final List<String> SERVICE = Collections.singletonList("-Dtavik.isService=true");

    private static void serviceStopChannelEndsTheVm() throws Exception {
        final String[][] cases = {
            {"stop line", "0\n"},
            {"end of input", ""},
            {"stop line ended by CR LF", "0\r\n"},
            {"other lines before the stop line", "status\n1\n00\n0\n"},
        };
        for (String[] c : cases) {
            final ChildRun run = launchService(c[1]);
            check(run.exitCode == 0, c[0] + ": exit code " + run.exitCode + "\n" + run.stderr);
            checkEquals(Arrays.asList("ready", "shutdown hook ran"), run.stdoutLines(), c[0]);
        }
    }

    // Input written before the application runs would end the VM before it could register its
    // hook, so the stop channel is written to only once the application reports "ready".
    private static ChildRun launchService(String stopChannelInput) throws IOException, InterruptedException {
        final List<String> command = javaCommand(CLASS_PATH, SERVICE,
                launcherArgs("app.ServiceApp", Collections.<String>emptyList()));
        final File err = File.createTempFile("tavik-java-test", ".err");
        try {
            final Process child = new ProcessBuilder(command).redirectError(err).start();
            final Thread watchdog = new Thread(() -> {
                try {
                    if (!child.waitFor(CHILD_TIMEOUT_SECONDS, TimeUnit.SECONDS)) child.destroyForcibly();
                } catch (InterruptedException stopped) {
                    child.destroyForcibly();
                }
            });
            watchdog.start();
            final StringBuilder stdout = new StringBuilder();
            try (BufferedReader lines = new BufferedReader(
                    new InputStreamReader(child.getInputStream(), StandardCharsets.UTF_8))) {
                final OutputStream input = child.getOutputStream();
                String line = lines.readLine();
                if (line != null) {
                    stdout.append(line).append('\n');
                    input.write(stopChannelInput.getBytes(StandardCharsets.US_ASCII));
                }
                input.close();
                while (line != null && (line = lines.readLine()) != null) stdout.append(line).append('\n');
            }
            final int exitCode = child.waitFor();
            watchdog.join();
            return new ChildRun(exitCode, stdout.toString(),
                    new String(Files.readAllBytes(err.toPath()), StandardCharsets.UTF_8));
        } finally {
            Files.deleteIfExists(err.toPath());
        }
    }

    // The application ends itself with 3 after a while; anything ending it earlier gives 0.
    private static void serviceStopChannelLeavesVmAlone() throws Exception {
        final List<String> exitByItself = Collections.singletonList("exit-by-itself");
        final ChildRun notService = launch(CLASS_PATH, Collections.<String>emptyList(), "",
                launcherArgs("app.ServiceApp", exitByItself));
        check(notService.exitCode == 3, "end of input outside service mode: exit code " + notService.exitCode);

        final ChildRun otherLine = launch(CLASS_PATH, SERVICE, "5\n", launcherArgs("app.ServiceApp", exitByItself), true);
        check(otherLine.exitCode == 3, "line other than the stop line: exit code " + otherLine.exitCode);
    }

    // --- start-up notifications ------------------------------------------------------------

    private static void controllerDeliversStartups() {
        Controller.startupPerformed("before any listener");
        Controller.startupPerformed(null);
        final List<String> received = Collections.synchronizedList(new ArrayList<String>());
        final Controller.StartupListener failing = parameters -> {
            throw new IllegalStateException("listener failure");
        };
        final Controller.StartupListener recording = received::add;
        Controller.addStartupListener(recording);
        checkEquals(Arrays.asList("before any listener", null), received, "starts before registration");

        received.clear();
        Controller.addStartupListener(failing);
        final String[] tails = {null, "\"C:\\My Files\\doc.txt\" -open 'x y'", "", "  two  blanks "};
        for (String tail : tails) Controller.startupPerformed(tail);
        checkEquals(Arrays.asList(tails), received, "tails delivered unchanged");

        Controller.removeStartupListener(recording);
        Controller.removeStartupListener(failing);
        received.clear();
        Controller.startupPerformed("after removal");
        check(received.isEmpty(), "removed listener still called: " + received);
    }

    // --- child processes -------------------------------------------------------------------

    private static final class ChildRun {
        final int exitCode;
        final String stdout;
        final String stderr;

        ChildRun(int exitCode, String stdout, String stderr) {
            this.exitCode = exitCode;
            this.stdout = stdout;
            this.stderr = stderr;
        }

        List<String> stdoutLines() {
            if (stdout.isEmpty()) return Collections.emptyList();
            return Arrays.asList(stdout.split("\r?\n"));
        }
    }

    private static ChildRun launch(List<String> entry, List<String> vmOptions, String stdin, List<String> args)
            throws IOException, InterruptedException {
        return launch(entry, vmOptions, stdin, args, false);
    }

    private static ChildRun launch(List<String> entry, List<String> vmOptions, String stdin, List<String> args,
            boolean keepStdinOpen) throws IOException, InterruptedException {
        final List<String> command = javaCommand(entry, vmOptions, args);
        final File out = File.createTempFile("tavik-java-test", ".out");
        final File err = File.createTempFile("tavik-java-test", ".err");
        try {
            final Process child = new ProcessBuilder(command).redirectOutput(out).redirectError(err).start();
            final OutputStream input = child.getOutputStream();
            input.write(stdin.getBytes(StandardCharsets.US_ASCII));
            input.flush();
            if (!keepStdinOpen) input.close();
            final boolean ended = child.waitFor(CHILD_TIMEOUT_SECONDS, TimeUnit.SECONDS);
            if (!ended) child.destroyForcibly().waitFor();
            input.close();
            final String stdout = new String(Files.readAllBytes(out.toPath()), StandardCharsets.UTF_8);
            final String stderr = new String(Files.readAllBytes(err.toPath()), StandardCharsets.UTF_8);
            check(ended, "child did not end: " + command + "\nstdout:\n" + stdout + "\nstderr:\n" + stderr);
            return new ChildRun(child.exitValue(), stdout, stderr);
        } finally {
            Files.deleteIfExists(out.toPath());
            Files.deleteIfExists(err.toPath());
        }
    }

    private static List<String> javaCommand(List<String> entry, List<String> vmOptions, List<String> args) {
        final List<String> command = new ArrayList<>();
        command.add(System.getProperty("java.home") + File.separator + "bin" + File.separator + "java");
        command.addAll(vmOptions);
        command.addAll(entry);
        command.addAll(args);
        return command;
    }

    // --- assertions ------------------------------------------------------------------------

    private static void check(boolean condition, String message) {
        if (!condition) throw new AssertionError(message);
    }

    private static void checkEquals(List<?> want, List<?> got, String what) {
        check(want.equals(got), what + ": want " + want + ", got " + got);
    }

    private static String requiredProperty(String name) {
        final String value = System.getProperty(name);
        if (value == null) throw new IllegalStateException("system property " + name + " is not set");
        return value;
    }
}
