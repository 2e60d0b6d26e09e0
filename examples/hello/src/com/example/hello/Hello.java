package com.example.hello;

/** The example application: greets the user and echoes its arguments. */
public final class Hello {
    private Hello() {
    }

    public static void main(String[] args) {
        System.out.println("Hello from Tavik, Java " + System.getProperty("java.version"));
        for (int i = 0; i < args.length; i++) {
            System.out.println("argument " + i + ": " + args[i]);
        }
    }
}
