#pragma once
// The application's native library directories put in front of PATH before a
// runtime is searched for, so the VM, the application's DLLs and the DLLs they
// depend on are found there; optionally also registered as DLL directories.
#include <string>

#include "launcher/win/runtime/DllDirectories.h"

namespace tavik::vmstart {

// Reads id 10004, expands (with the launcher's temporary directory) and
// resolves its directories against the launcher directory, hands each to
// addDllDirectory (which acts only with id 154 set) and sets PATH to
// path::nativeLibraryPathValue, for the system and for the C runtime's
// getenv. A failure is logged and the launch goes on.
void setupNativeLibraryPath(const std::string& launcherTempDirectory);

}  // namespace tavik::vmstart
