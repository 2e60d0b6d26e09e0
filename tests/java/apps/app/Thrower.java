package app;

public final class Thrower {
    public static void main(String[] args) {
        throw new IllegalStateException("thrown by the application");
    }
}
