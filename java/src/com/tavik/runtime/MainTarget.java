package com.tavik.runtime;

/**
 * What to start: a class on the class path, or a named module with an optional class. The
 * launcher marks a module launch with a leading "/": "/module/com.example.Main" or "/module".
 */
public final class MainTarget {
    private final String moduleName;
    private final String className;

    private MainTarget(String moduleName, String className) {
        this.moduleName = moduleName;
        this.className = className;
    }

    public static MainTarget parse(String text) {
        if (!text.startsWith("/")) return new MainTarget(null, requireName(text, "main class"));
        final String target = text.substring(1);
        final int slash = target.indexOf('/');
        if (slash < 0) return new MainTarget(requireName(target, "main module"), null);
        return new MainTarget(requireName(target.substring(0, slash), "main module"),
                requireName(target.substring(slash + 1), "main class"));
    }

    private static String requireName(String name, String what) {
        if (name.isEmpty()) throw new IllegalArgumentException("no " + what + " given");
        return name;
    }

    public boolean isModule() { return moduleName != null; }

    /** The module's name, or null for a class path launch. */
    public String moduleName() { return moduleName; }

    /** The class's binary name, or null when the module's own main class is meant. */
    public String className() { return className; }

    @Override
    public String toString() {
        if (!isModule()) return className;
        return className == null ? moduleName : moduleName + "/" + className;
    }
}
