#pragma once
// Top-level windows as the Misc natives see them: by process, their titles,
// and bringing them to the front. Enumeration state travels with the
// enumeration, so concurrent calls do not meet.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tavik::native::process {

template <class Visit>
BOOL CALLBACK visitWindow(HWND window, LPARAM visit) {
    return (*reinterpret_cast<Visit*>(visit))(window) ? TRUE : FALSE;
}

// Calls `visit(window)` for each top-level window in enumeration order until it answers false.
template <class Visit>
void forEachTopLevelWindow(Visit visit) {
    ::EnumWindows(&visitWindow<Visit>, reinterpret_cast<LPARAM>(&visit));
}

DWORD processOfWindow(HWND window) noexcept;

// The first visible titled window's title, else the last titled invisible
// one's, else empty.
std::u16string windowTitleOf(DWORD processId);

struct WindowDescription {
    HWND handle = nullptr;
    std::int32_t style = 0;
    std::u16string className;
    std::u16string title;
};
// The visible, unowned top-level windows of a process: how many there are,
// and those of them with a class name, a title and a style, in order.
struct ProcessWindows {
    std::size_t count = 0;
    std::vector<WindowDescription> described;
};
ProcessWindows topLevelWindowsOf(DWORD processId);

// Restores a minimised window first.
void setForegroundWindow(HWND window) noexcept;
// Every visible top-level window of this process, then its last active popup.
void bringOwnWindowsToFront() noexcept;

// WM_SETTINGCHANGE "Environment" to all top-level windows, waiting at most
// five seconds and not for hung ones.
void broadcastEnvironmentChange() noexcept;

}  // namespace tavik::native::process
