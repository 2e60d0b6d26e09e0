#include "native/process/Windows.h"

#include <utility>

#include "native/process/ProcessRules.h"

namespace tavik::native::process {
namespace {

constexpr int kTextUnits = 4096;

std::u16string windowText(HWND window) {
    wchar_t text[kTextUnits];
    const int length = ::GetWindowTextW(window, text, kTextUnits);
    return length > 0 ? std::u16string(reinterpret_cast<const char16_t*>(text), static_cast<std::size_t>(length))
                      : std::u16string();
}

std::u16string windowClassName(HWND window) {
    wchar_t name[kTextUnits];
    const int length = ::GetClassNameW(window, name, kTextUnits);
    return length > 0 ? std::u16string(reinterpret_cast<const char16_t*>(name), static_cast<std::size_t>(length))
                      : std::u16string();
}

}  // namespace

DWORD processOfWindow(HWND window) noexcept {
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    return processId;
}

std::u16string windowTitleOf(DWORD processId) {
    TitleSearch search;
    forEachTopLevelWindow([&](HWND window) {
        if (processOfWindow(window) != processId) return true;
        return search.offer(::IsWindowVisible(window) != FALSE, windowText(window));
    });
    return search.title();
}

ProcessWindows topLevelWindowsOf(DWORD processId) {
    std::vector<HWND> kept;
    forEachTopLevelWindow([&](HWND window) {
        const WindowFacts facts{processOfWindow(window), ::GetWindow(window, GW_OWNER) != nullptr,
                                ::IsWindowVisible(window) != FALSE};
        if (isListedWindow(facts, processId)) kept.push_back(window);
        return true;
    });
    ProcessWindows windows;
    windows.count = kept.size();
    for (const HWND window : kept) {
        WindowDescription description;
        description.handle = window;
        // The style is a 32-bit set of flags even where LONG_PTR is wider.
        description.style = static_cast<std::int32_t>(::GetWindowLongPtrW(window, GWL_STYLE));
        description.className = windowClassName(window);
        description.title = windowText(window);
        if (isDescribed(description.style, description.className, description.title))
            windows.described.push_back(std::move(description));
    }
    return windows;
}

void setForegroundWindow(HWND window) noexcept {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (::GetWindowPlacement(window, &placement) && placement.showCmd == SW_SHOWMINIMIZED)
        ::ShowWindow(window, SW_RESTORE);
    ::SetForegroundWindow(window);
}

void bringOwnWindowsToFront() noexcept {
    const DWORD self = ::GetCurrentProcessId();
    forEachTopLevelWindow([self](HWND window) {
        if (processOfWindow(window) == self && ::IsWindowVisible(window)) {
            ::SetForegroundWindow(window);
            ::SetForegroundWindow(::GetLastActivePopup(window));
        }
        return true;
    });
}

void broadcastEnvironmentChange() noexcept {
    ::SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"Environment"),
                          SMTO_ABORTIFHUNG, 5000, nullptr);
}

}  // namespace tavik::native::process
