package com.tavik.runtime;

import java.io.BufferedReader;
import java.io.IOException;
import java.io.InputStream;
import java.io.InputStreamReader;
import java.nio.charset.StandardCharsets;

/**
 * In a service child, standard input is the supervising service's shutdown channel: the line "0"
 * asks the application to stop, and end of input means the service has let go of it. Either way
 * the VM ends through System.exit so that the application's shutdown hooks run.
 */
final class ServiceStopWatcher implements Runnable {
    static final String SERVICE_PROPERTY = "tavik.isService";
    static final String STOP_LINE = "0";

    private final InputStream channel;

    ServiceStopWatcher(InputStream channel) {
        this.channel = channel;
    }

    static void startIfService() {
        if (!"true".equals(System.getProperty(SERVICE_PROPERTY))) return;
        final Thread watcher = new Thread(new ServiceStopWatcher(System.in), "tavik service stop watcher");
        watcher.setDaemon(true);  // never the reason the VM stays up
        watcher.start();
    }

    @Override
    public void run() {
        awaitStop();
        System.exit(0);
    }

    void awaitStop() {
        final BufferedReader lines = new BufferedReader(new InputStreamReader(channel, StandardCharsets.US_ASCII));
        try {
            for (String line = lines.readLine(); line != null; line = lines.readLine()) {
                if (line.equals(STOP_LINE)) return;
            }
        } catch (IOException channelBroken) {
            // No further stop request can arrive: treat it like end of input.
        }
    }
}
