package app;

public final class InstanceMain {
    public void main(String[] args) {
        System.out.println("instance main called");
    }
}
