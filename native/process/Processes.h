#pragma once
// Processes as the Misc and Win32Exec natives reach them: ending a list of
// them, naming the running ones, starting one, rebooting the machine.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "native/process/ProcessRules.h"

namespace tavik::native::process {

// With `force` each process is terminated with exit code 0 and nothing
// waits. Otherwise every visible window of a listed process is asked to close
// and the processes are waited for, all at once, for at most `timeoutMillis`.
EndStatus endProcesses(const std::vector<std::int32_t>& processIds, bool force, DWORD timeoutMillis);

// "<id> <executable path>" for each running process that can be named; with
// `withoutDebugPrivilege` the debug privilege is switched off first, else on.
std::vector<std::u16string> runningModules(bool withoutDebugPrivilege);

// 0 when the program started (its handles are closed at once), else the system's error code.
DWORD launch(const wchar_t* applicationName, const wchar_t* commandLine);

// Needs the shutdown privilege; does nothing without it.
void reboot() noexcept;

}  // namespace tavik::native::process
