package jvmtest;

import com.tavik.runtime.LaunchArguments;
import com.tavik.runtime.WinLauncher;

/**
 * The application: records what the launcher handed it, then leaves a non-daemon thread behind
 * whose last line shows up only when the VM waited for it before it was destroyed.
 */
public final class RecordLaunch {
    private RecordLaunch() {}

    public static void main(String[] args) throws InterruptedException {
        final LaunchArguments launch = WinLauncher.launchArguments();
        Events.record("gui " + launch.isGuiProgram());
        Events.record("target " + launch.mainTarget());
        Events.record("first " + launch.firstPath());
        Events.record("second " + launch.secondPath());
        Events.record("flag " + launch.flag());
        Events.record("token " + launch.launcherToken());
        for (String arg : args) Events.record("arg <" + arg + ">");
        for (String name : new String[] {"tavik.moduleName", "sun.java.command", "tavik.isRunwright",
                "tavik.isService", "tavik.tempDir", "tavik.unextractedPosition", "tavik.consoleCodepage"}) {
            Events.property(name);
        }
        final Thread late = new Thread(() -> {
            try {
                Thread.sleep(300);
            } catch (InterruptedException e) {
                Thread.currentThread().interrupt();
            }
            Events.record("non-daemon thread done");
        });
        late.setDaemon(false);
        late.start();
        Events.record("main done");
    }
}
