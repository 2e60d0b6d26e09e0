package com.tavik;

import java.util.ArrayDeque;
import java.util.ArrayList;
import java.util.Collections;
import java.util.List;
import java.util.Queue;
import java.util.concurrent.CopyOnWriteArrayList;

/**
 * Start-up notifications for a single-instance application: when the program is started again,
 * the running instance learns of it here, with the new start's command-line tail.
 */
public final class Controller {
    /** Receives the command-line tail of a later start, or null when it had no arguments. */
    public interface StartupListener {
        void startupPerformed(String parameters);
    }

    // Starts that arrive before the application has registered a listener wait here, up to a
    // bound, so that a burst of starts cannot grow the queue without limit.
    static final int MAX_PENDING = 100;

    private static final Object lock = new Object();
    private static final List<StartupListener> listeners = new CopyOnWriteArrayList<>();
    private static final Queue<Holder> pending = new ArrayDeque<>();

    private Controller() {}

    /** Registers a listener; the first one also receives the starts that arrived before it. */
    public static void addStartupListener(StartupListener listener) {
        if (listener == null) throw new NullPointerException("listener");
        final List<Holder> earlier;
        synchronized (lock) {
            listeners.add(listener);
            earlier = new ArrayList<>(pending);
            pending.clear();
        }
        for (Holder start : earlier) deliver(listener, start.parameters);
    }

    public static void removeStartupListener(StartupListener listener) {
        listeners.remove(listener);
    }

    /**
     * Called by the launcher on its own thread for each later start. Nothing may escape: the
     * native caller does not look for a pending exception.
     */
    public static void startupPerformed(String parameters) {
        final List<StartupListener> receivers;
        synchronized (lock) {
            if (listeners.isEmpty()) {
                if (pending.size() == MAX_PENDING) pending.remove();
                pending.add(new Holder(parameters));
                return;
            }
            receivers = Collections.unmodifiableList(new ArrayList<>(listeners));
        }
        for (StartupListener listener : receivers) deliver(listener, parameters);
    }

    private static void deliver(StartupListener listener, String parameters) {
        try {
            listener.startupPerformed(parameters);
        } catch (Throwable failure) {
            failure.printStackTrace();
        }
    }

    // Keeps a null tail distinct in the queue.
    private static final class Holder {
        final String parameters;

        Holder(String parameters) {
            this.parameters = parameters;
        }
    }
}
