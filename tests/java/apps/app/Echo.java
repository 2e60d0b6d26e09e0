package app;

/** Prints each argument in angle brackets, one per line, so empty and blank arguments show. */
public final class Echo {
    public static void main(String[] args) {
        for (String arg : args) System.out.println("<" + arg + ">");
    }
}
