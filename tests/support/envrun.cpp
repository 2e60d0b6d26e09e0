// envrun NAME=VALUE... -- program args...
// Test support: Wine resets TMP and TEMP from its registry when a process
// starts, so a scenario that needs its own temporary base sets them here and
// starts the program under test with the rest of the command line, verbatim.
#include <windows.h>
#include <shellapi.h>

#include <string>

namespace {

const wchar_t* restAfterSeparator(const wchar_t* commandLine) {
    const wchar_t* separator = wcsstr(commandLine, L" -- ");
    return separator ? separator + 4 : nullptr;
}

void applyAssignments(int argc, wchar_t** argv) {
    for (int i = 1; i < argc && wcscmp(argv[i], L"--") != 0; ++i) {
        std::wstring assignment = argv[i];
        const auto equals = assignment.find(L'=');
        if (equals == std::wstring::npos) continue;
        const std::wstring name = assignment.substr(0, equals);
        const std::wstring value = assignment.substr(equals + 1);
        SetEnvironmentVariableW(name.c_str(), value.empty() ? nullptr : value.c_str());
    }
}

HANDLE inheritable(DWORD which) {
    HANDLE h = GetStdHandle(which);
    if (h != nullptr && h != INVALID_HANDLE_VALUE) SetHandleInformation(h, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    return h;
}

}  // namespace

int wmain() {
    const wchar_t* commandLine = GetCommandLineW();
    const wchar_t* rest = restAfterSeparator(commandLine);
    if (rest == nullptr) return 125;
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(commandLine, &argc);
    if (argv == nullptr) return 125;
    applyAssignments(argc, argv);
    LocalFree(argv);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inheritable(STD_INPUT_HANDLE);
    startup.hStdOutput = inheritable(STD_OUTPUT_HANDLE);
    startup.hStdError = inheritable(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    std::wstring childLine = rest;
    if (!CreateProcessW(nullptr, childLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process))
        return 126;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(exitCode);
}
