#pragma once
// The application's native library directories put in front of PATH before a
// runtime is searched for, so the VM, the application's DLLs and the DLLs they
// depend on are found there; optionally also registered as DLL directories.
#include <cstddef>
#include <optional>
#include <string>

#include "launcher/win/runtime/DllDirectories.h"

namespace tavik {

// The directory list and PATH are put together in this many bytes, the
// terminator included; a PATH that does not fit behind the list is left out.
inline constexpr std::size_t kNativeLibraryPathCapacity = 48000;

// The resolved directory list, ";" unless it is empty or ends with one, then
// `currentPath` when there is room for it.
std::string nativeLibraryPathValue(std::string directories, const std::optional<std::string>& currentPath);

// Reads id 10004, expands and resolves its directories against the launcher
// directory, hands each to addDllDirectory (which acts only with id 154 set)
// and sets PATH, for the system and for the C runtime's getenv. A failure is
// logged and the launch goes on.
void setupNativeLibraryPath();

}  // namespace tavik
