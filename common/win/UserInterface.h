#pragma once
// The window functions, bound at their first use. Linked the usual way,
// user32 would be loaded and set up at every start, which costs milliseconds
// that most runs, showing no message box and looking for no window, never need.
#include <windows.h>

#include "common/win/SystemLibrary.h"

namespace tavik {

struct UserInterface {
    decltype(&::MessageBoxW) messageBox;
    decltype(&::EnumWindows) enumWindows;
    decltype(&::GetWindowThreadProcessId) windowThreadProcessId;
    decltype(&::IsWindowVisible) isWindowVisible;
    decltype(&::IsIconic) isIconic;
    decltype(&::ShowWindow) showWindow;
    decltype(&::SetForegroundWindow) setForegroundWindow;
    decltype(&::GetLastActivePopup) lastActivePopup;

    bool complete() const {
        return messageBox && enumWindows && windowThreadProcessId && isWindowVisible && isIconic && showWindow &&
               setForegroundWindow && lastActivePopup;
    }
};

inline UserInterface bindUserInterface() noexcept {
    const HMODULE user32 = systemLibrary(L"user32.dll");
    return {
        findFunction<decltype(&::MessageBoxW)>(user32, "MessageBoxW"),
        findFunction<decltype(&::EnumWindows)>(user32, "EnumWindows"),
        findFunction<decltype(&::GetWindowThreadProcessId)>(user32, "GetWindowThreadProcessId"),
        findFunction<decltype(&::IsWindowVisible)>(user32, "IsWindowVisible"),
        findFunction<decltype(&::IsIconic)>(user32, "IsIconic"),
        findFunction<decltype(&::ShowWindow)>(user32, "ShowWindow"),
        findFunction<decltype(&::SetForegroundWindow)>(user32, "SetForegroundWindow"),
        findFunction<decltype(&::GetLastActivePopup)>(user32, "GetLastActivePopup"),
    };
}

// Bound once; null when user32 or one of the functions is missing.
inline const UserInterface* userInterface() noexcept {
    static const UserInterface functions = bindUserInterface();
    return functions.complete() ? &functions : nullptr;
}

}  // namespace tavik
