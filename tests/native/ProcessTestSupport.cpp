#include "tests/native/ProcessTestSupport.h"

#include <cwchar>
#include <stdexcept>
#include <utility>

#include "tests/win/TestSupport.h"

namespace tavik::test::proc {
namespace {

constexpr wchar_t kSessionManager[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t kPendingRenames[] = L"PendingFileRenameOperations";

std::wstring quoted(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
    return L"\"" + argument + L"\"";
}

bool closeEndsProcess = true;

std::vector<std::wstring>& settingChanges() {
    static std::vector<std::wstring> seen;
    return seen;
}

LRESULT CALLBACK testWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        if (closeEndsProcess) ::PostQuitMessage(0);
        return 0;
    }
    if (message == WM_SETTINGCHANGE && lParam != 0) settingChanges().emplace_back(reinterpret_cast<const wchar_t*>(lParam));
    return ::DefWindowProcW(window, message, wParam, lParam);
}

UniqueHKey sessionManager() {
    UniqueHKey key;
    const LSTATUS opened =
        ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, key.put());
    if (opened != ERROR_SUCCESS) throw std::runtime_error("RegOpenKeyExW(Session Manager): " + std::to_string(opened));
    return key;
}

}  // namespace

RunningChild::RunningChild(const std::string& scenario, const std::vector<std::wstring>& arguments,
                           const fs::path& executable) {
    const fs::path program = executable.empty() ? testExecutable() : executable;
    std::wstring commandLine = quoted(program.wstring()) + L" --child " + std::wstring(scenario.begin(), scenario.end());
    for (const std::wstring& argument : arguments) commandLine += L" " + quoted(argument);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!createProcessRetrying(program.c_str(), commandLine, FALSE, 0, nullptr, startup, started))
        throw std::runtime_error("CreateProcessW failed: " + std::to_string(::GetLastError()));
    ::CloseHandle(started.hThread);
    process_.reset(started.hProcess);
    id_ = started.dwProcessId;
}

RunningChild::~RunningChild() {
    if (!process_ || hasEnded()) return;
    ::TerminateProcess(process_.get(), 0);
    ::WaitForSingleObject(process_.get(), 10000);
}

bool RunningChild::hasEnded(DWORD waitMillis) const {
    return ::WaitForSingleObject(process_.get(), waitMillis) == WAIT_OBJECT_0;
}

DWORD RunningChild::exitCode() const {
    DWORD code = 0;
    ::GetExitCodeProcess(process_.get(), &code);
    return code;
}

std::vector<HWND> topLevelWindowsOf(DWORD processId) {
    struct Search {
        DWORD processId;
        std::vector<HWND> found;
        static BOOL CALLBACK visit(HWND window, LPARAM state) {
            auto& search = *reinterpret_cast<Search*>(state);
            DWORD owner = 0;
            ::GetWindowThreadProcessId(window, &owner);
            if (owner == search.processId) search.found.push_back(window);
            return TRUE;
        }
    } search{processId, {}};
    ::EnumWindows(&Search::visit, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool waitForVisibleWindows(DWORD processId, std::size_t count) {
    for (int attempt = 0; attempt < 200; ++attempt) {
        std::size_t visible = 0;
        for (const HWND window : topLevelWindowsOf(processId))
            if (::IsWindowVisible(window)) ++visible;
        if (visible >= count) return true;
        ::Sleep(100);
    }
    return false;
}

std::wstring windowTitle(HWND window) {
    wchar_t title[512];
    const int length = ::GetWindowTextW(window, title, 512);
    return std::wstring(title, static_cast<std::size_t>(length > 0 ? length : 0));
}

HWND windowTitled(DWORD processId, const std::wstring& title) {
    for (const HWND window : topLevelWindowsOf(processId))
        if (windowTitle(window) == title) return window;
    return nullptr;
}

void registerWindowClass(bool closeEnds) {
    closeEndsProcess = closeEnds;
    static const ATOM registered = [] {
        WNDCLASSW description{};
        description.lpfnWndProc = &testWindowProcedure;
        description.hInstance = ::GetModuleHandleW(nullptr);
        description.lpszClassName = kWindowClass;
        return ::RegisterClassW(&description);
    }();
    if (registered == 0) throw std::runtime_error("RegisterClassW failed");
}

const std::vector<std::wstring>& settingChangesSeen() { return settingChanges(); }

void pumpMessages() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

OwnWindow::OwnWindow(const wchar_t* title, DWORD style, HWND owner) {
    registerWindowClass(false);
    handle = ::CreateWindowExW(0, kWindowClass, title, style, 20, 20, 240, 120, owner, nullptr,
                               ::GetModuleHandleW(nullptr), nullptr);
    if (handle == nullptr) throw std::runtime_error("CreateWindowExW failed: " + std::to_string(::GetLastError()));
    pumpMessages();
}

OwnWindow::~OwnWindow() { ::DestroyWindow(handle); }

std::optional<std::vector<wchar_t>> pendingRenames() {
    const UniqueHKey key = sessionManager();
    DWORD type = 0;
    DWORD bytes = 0;
    if (::RegQueryValueExW(key.get(), kPendingRenames, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS)
        return std::nullopt;
    std::vector<wchar_t> raw(bytes / sizeof(wchar_t));
    if (::RegQueryValueExW(key.get(), kPendingRenames, nullptr, &type, reinterpret_cast<BYTE*>(raw.data()), &bytes) !=
        ERROR_SUCCESS)
        return std::nullopt;
    if (type != REG_MULTI_SZ) throw std::runtime_error("PendingFileRenameOperations is no REG_MULTI_SZ");
    raw.resize(bytes / sizeof(wchar_t));
    return raw;
}

void restorePendingRenames(const std::optional<std::vector<wchar_t>>& saved) {
    const UniqueHKey key = sessionManager();
    if (!saved) {
        ::RegDeleteValueW(key.get(), kPendingRenames);
        return;
    }
    ::RegSetValueExW(key.get(), kPendingRenames, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(saved->data()),
                     static_cast<DWORD>(saved->size() * sizeof(wchar_t)));
}

std::vector<std::wstring> multiStrings(const std::vector<wchar_t>& raw) {
    std::vector<std::wstring> strings;
    std::wstring current;
    for (const wchar_t unit : raw) {
        if (unit != L'\0') {
            current += unit;
            continue;
        }
        strings.push_back(std::move(current));
        current.clear();
    }
    // The list's own terminator, not an empty string of it.
    if (raw.size() >= 2 && raw[raw.size() - 1] == L'\0' && raw[raw.size() - 2] == L'\0') strings.pop_back();
    return strings;
}

std::vector<std::u16string> environmentOfThisProcess() {
    std::vector<std::u16string> entries;
    wchar_t* const block = ::GetEnvironmentStringsW();
    for (const wchar_t* entry = block; *entry != L'\0'; entry += std::wcslen(entry) + 1)
        entries.emplace_back(reinterpret_cast<const char16_t*>(entry));
    ::FreeEnvironmentStringsW(block);
    return entries;
}

}  // namespace tavik::test::proc
