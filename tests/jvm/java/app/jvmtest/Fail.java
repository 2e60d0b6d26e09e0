package jvmtest;

/** An application whose main ends with an exception. */
public final class Fail {
    private Fail() {}

    public static void main(String[] args) {
        Events.record("failing");
        throw new IllegalStateException("application failed: \u00fcberall \ud834\udd1e");
    }
}
