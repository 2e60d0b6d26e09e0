#pragma once
// The file versions of two files' version resources, compared.
#include <windows.h>

#include "native/shell/ShellRules.h"

namespace tavik::native::shell {

// Unreadable when version.dll (from the system directory only) or either
// file's fixed version information is missing.
VersionOrder compareFileVersions(const wchar_t* first, const wchar_t* second);

}  // namespace tavik::native::shell
