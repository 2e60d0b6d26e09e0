#pragma once
// The console control handler of the processes that run the application for
// a service: console events (a closing console, a logoff) must not end them.

namespace tavik::startup {

// Installs the handler: it logs "ConsoleCtrlHandler event" and reports every
// event as handled, so the default handling, which ends the process, does
// not run. False when the system refuses it.
bool registerConsoleCtrlHandler();

}  // namespace tavik::startup
