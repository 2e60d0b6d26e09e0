package app.mod;

final class ModMain {
    public static void main(String[] args) {
        System.out.println("module " + ModMain.class.getModule().getName());
        for (String arg : args) System.out.println("<" + arg + ">");
    }
}
