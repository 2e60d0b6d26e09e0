#pragma once
// Starting a program with the "runas" verb, which asks for elevation.
#include <windows.h>

namespace tavik::native::accounts {

// Null arguments reach the shell as null. True when the shell accepted the
// launch; false when it refused (a declined prompt among others) or its
// functions are missing.
bool executeElevated(const wchar_t* file, const wchar_t* parameters, const wchar_t* directory, int show) noexcept;

}  // namespace tavik::native::accounts
