#pragma once
// Directories added to the process's DLL search, when the configuration asks
// for it (id 154) and the system can.
#include <string>

namespace tavik::runtime {

// Null when nothing was added.
using DllDirectoryCookie = void*;

// Adds `directory` with AddDllDirectory; null when id 154 is 0, when the
// system lacks the function or when the call fails.
DllDirectoryCookie addDllDirectory(const std::string& directory);

// Undoes addDllDirectory; nothing happens for a null cookie.
void removeDllDirectory(DllDirectoryCookie cookie);

}  // namespace tavik::runtime
