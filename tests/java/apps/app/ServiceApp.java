package app;

/**
 * A service-like application: announces a shutdown hook, then runs until something ends the VM.
 * With the argument "exit-by-itself" it ends on its own with exit code 3 after a while, which shows
 * that nothing ended it earlier.
 */
public final class ServiceApp {
    public static void main(String[] args) throws InterruptedException {
        Runtime.getRuntime().addShutdownHook(new Thread(() -> System.out.println("shutdown hook ran")));
        System.out.println("ready");
        System.out.flush();
        if (args.length > 0 && args[0].equals("exit-by-itself")) {
            Thread.sleep(2000);
            System.exit(3);
        }
        Thread.sleep(Long.MAX_VALUE);
    }
}
