#pragma once
// SHChangeNotify and ShellExecuteW, bound from shell32 at run time as one
// pair: either is usable only when both were found. Bound once per process.
#include <windows.h>

namespace tavik::native::shell {

// False, with nothing sent, when the pair is unavailable.
bool changeNotify(LONG event, UINT flags, const void* item1, const void* item2) noexcept;

// ShellExecuteW's own result (above 32 on success); null when the pair is unavailable.
HINSTANCE shellExecute(HWND window, const wchar_t* operation, const wchar_t* file, const wchar_t* parameters,
                       const wchar_t* directory, int show) noexcept;

}  // namespace tavik::native::shell
