// Exports nothing: the runtime reaches the main class only through the package opened to it.
module app.module {
}
