package jvmtest;

import com.tavik.Controller;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.TimeUnit;

/** Records the start-up notifications that reach the Java side; main waits for two of them. */
public final class AwaitStarts {
    private AwaitStarts() {}

    public static void main(String[] args) throws InterruptedException {
        final CountDownLatch starts = new CountDownLatch(2);
        Controller.addStartupListener(parameters -> {
            Events.record("start " + parameters);
            starts.countDown();
        });
        Events.record(starts.await(20, TimeUnit.SECONDS) ? "both starts" : "starts missing");
    }
}
