// The process natives' test program. Started with "--child <scenario>" it is
// a child process for the tests to end, look at or start:
//   idle                               no window, waits two minutes
//   windows [--ignore-close] <window>... one window per argument, "visible:<title>",
//                                      "hidden:<title>" or "owned:<title>"
//                                      (visible, owned by the first); WM_CLOSE
//                                      ends the process unless ignored
//   write-args <file> <argument>...    writes the arguments, a line each, and ends
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/win/WideText.h"
#include "tests/native/ProcessTestSupport.h"
#include "tests/win/TestSupport.h"

namespace {

namespace proc = tavik::test::proc;

constexpr DWORD kLifeMillis = 120000;

int showWindows(const std::vector<std::u16string>& arguments) {
    std::size_t first = 0;
    const bool ignoreClose = !arguments.empty() && arguments[0] == u"--ignore-close";
    if (ignoreClose) first = 1;
    proc::registerWindowClass(!ignoreClose);
    HWND owner = nullptr;
    for (std::size_t i = first; i < arguments.size(); ++i) {
        const std::wstring request = tavik::toWide(arguments[i]);
        const std::size_t colon = request.find(L':');
        if (colon == std::wstring::npos) return 2;
        const std::wstring kind = request.substr(0, colon);
        const std::wstring title = request.substr(colon + 1);
        const DWORD style = kind == L"hidden" ? WS_OVERLAPPEDWINDOW : WS_OVERLAPPEDWINDOW | WS_VISIBLE;
        const HWND window = ::CreateWindowExW(0, proc::kWindowClass, title.c_str(), style, 40, 40, 240, 120,
                                              kind == L"owned" ? owner : nullptr, nullptr,
                                              ::GetModuleHandleW(nullptr), nullptr);
        if (window == nullptr) return 3;
        if (owner == nullptr) owner = window;
    }
    ::SetTimer(nullptr, 0, kLifeMillis, nullptr);
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER && message.hwnd == nullptr) return 4;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return 0;
}

// Written aside and renamed, so that the file appears whole.
int writeArguments(const std::vector<std::u16string>& arguments) {
    if (arguments.empty()) return 2;
    const std::wstring file = tavik::toWide(arguments[0]);
    const std::wstring part = file + L".part";
    {
        std::ofstream out(std::filesystem::path(part), std::ios::binary);
        for (std::size_t i = 1; i < arguments.size(); ++i) out << tavik::test::utf8(arguments[i]) << "\n";
        if (!out) return 3;
    }
    return ::MoveFileW(part.c_str(), file.c_str()) ? 0 : 4;
}

int runScenario(const std::u16string& name, const std::vector<std::u16string>& arguments) {
    if (name == u"idle") {
        ::Sleep(kLifeMillis);
        return 0;
    }
    if (name == u"windows") return showWindows(arguments);
    if (name == u"write-args") return writeArguments(arguments);
    return 2;
}

}  // namespace

int main(int argc, char** argv) { return tavik::test::runTestsOrChild(argc, argv, runScenario); }
