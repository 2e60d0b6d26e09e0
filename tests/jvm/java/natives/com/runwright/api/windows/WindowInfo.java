package com.runwright.api.windows;

/** Only its name matters to the natives that return it. */
public final class WindowInfo {}
