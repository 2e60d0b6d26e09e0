#include "launcher/win/startup/ConsoleControl.h"

#include <windows.h>

#include "launcher/core/Log.h"

namespace tavik::startup {
namespace {

// Runs on a thread the system creates for the event.
BOOL WINAPI consoleCtrlHandler(DWORD) {
    try {
        log::logLine(u"ConsoleCtrlHandler event");
    } catch (...) {
        // Out of memory while logging: the event is still handled.
    }
    return TRUE;
}

}  // namespace

bool registerConsoleCtrlHandler() { return ::SetConsoleCtrlHandler(consoleCtrlHandler, TRUE) != FALSE; }

}  // namespace tavik::startup
