package app;

/** A public main in a class that is not public. */
final class HiddenMain {
    public static void main(String[] args) {
        System.out.println("hidden " + args.length);
    }
}
