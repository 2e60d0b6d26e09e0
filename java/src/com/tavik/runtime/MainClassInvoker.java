package com.tavik.runtime;

import java.lang.reflect.InvocationTargetException;
import java.lang.reflect.Method;
import java.lang.reflect.Modifier;
import java.util.Optional;

/**
 * Finds the application's main class and calls its {@code main}. The module API is reached by
 * reflection so that the runtime still compiles for, and runs on, Java 8.
 */
final class MainClassInvoker {
    private MainClassInvoker() {}

    static Class<?> findMainClass(MainTarget target) throws ClassNotFoundException {
        if (!target.isModule()) return Class.forName(target.className(), true, ClassLoader.getSystemClassLoader());
        final Class<?> layerClass = optionalClass("java.lang.ModuleLayer");
        if (layerClass == null) return findOnClassPathWithoutModules(target);
        try {
            return findInBootLayer(layerClass, target);
        } catch (ClassNotFoundException e) {
            throw e;
        } catch (InvocationTargetException e) {
            throw new IllegalStateException("looking up " + target + " failed", e.getCause());
        } catch (ReflectiveOperationException e) {
            throw new IllegalStateException("module API not usable for " + target, e);
        }
    }

    /** Calls the static main; an exception from the application reaches the caller unwrapped. */
    static void invokeMain(Class<?> mainClass, String[] arguments) throws Throwable {
        final Method main;
        try {
            main = mainClass.getMethod("main", String[].class);
        } catch (NoSuchMethodException e) {
            throw new NoSuchMethodException("no public main(String[]) in " + mainClass.getName());
        }
        if (!Modifier.isStatic(main.getModifiers())) {
            throw new NoSuchMethodException("main(String[]) of " + mainClass.getName() + " is not static");
        }
        makeAccessible(main);
        try {
            main.invoke(null, (Object) arguments);
        } catch (InvocationTargetException e) {
            throw e.getCause();
        }
    }

    // A public main in a class that is not itself public (or in a package only opened to this
    // runtime) is callable once access checks are lifted; where that is refused, invoke reports it.
    private static void makeAccessible(Method main) {
        try {
            main.setAccessible(true);
        } catch (RuntimeException refused) {
            // Left to invoke, whose IllegalAccessException names the class.
        }
    }

    private static Class<?> findOnClassPathWithoutModules(MainTarget target) throws ClassNotFoundException {
        if (target.className() == null) {
            throw new ClassNotFoundException("module " + target.moduleName()
                    + " has no main class to start on a runtime without modules");
        }
        return Class.forName(target.className(), true, ClassLoader.getSystemClassLoader());
    }

    private static Class<?> findInBootLayer(Class<?> layerClass, MainTarget target)
            throws ReflectiveOperationException {
        final Object bootLayer = layerClass.getMethod("boot").invoke(null);
        final Optional<?> module = (Optional<?>) layerClass.getMethod("findModule", String.class)
                .invoke(bootLayer, target.moduleName());
        if (!module.isPresent()) {
            throw new ClassNotFoundException("module " + target.moduleName() + " is not in the boot layer");
        }
        final Class<?> moduleClass = Class.forName("java.lang.Module");
        final String className = target.className() != null
                ? target.className() : moduleMainClass(moduleClass, module.get(), target.moduleName());
        final Class<?> found = (Class<?>) Class.class.getMethod("forName", moduleClass, String.class)
                .invoke(null, module.get(), className);
        if (found == null) {
            throw new ClassNotFoundException(className + " not found in module " + target.moduleName());
        }
        initialize(found);
        return found;
    }

    private static String moduleMainClass(Class<?> moduleClass, Object module, String moduleName)
            throws ReflectiveOperationException {
        final Object descriptor = moduleClass.getMethod("getDescriptor").invoke(module);
        final Class<?> descriptorClass = Class.forName("java.lang.module.ModuleDescriptor");
        final Optional<?> mainClass = (Optional<?>) descriptorClass.getMethod("mainClass").invoke(descriptor);
        if (!mainClass.isPresent()) {
            throw new ClassNotFoundException("module " + moduleName + " names no main class");
        }
        return (String) mainClass.get();
    }

    // Class.forName(Module, String) loads without initializing; main must see its statics set.
    private static void initialize(Class<?> loaded) throws ClassNotFoundException {
        Class.forName(loaded.getName(), true, loaded.getClassLoader());
    }

    private static Class<?> optionalClass(String name) {
        try {
            return Class.forName(name);
        } catch (ClassNotFoundException absent) {
            return null;
        }
    }
}
