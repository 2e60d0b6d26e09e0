// barestart <program> <command line>: starts the program with exactly the
// second argument as its command line, the program name not repeated in it,
// as the launcher starts unpack200. Exits with the program's exit code.
#include <windows.h>

#include <string>

#include "common/win/Handles.h"

namespace {

constexpr int kUsage = 125;
constexpr int kNotStarted = 126;

int startBare(const std::wstring& program, std::wstring commandLine) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    // CreateProcessW may write into the command line, hence the copy.
    if (!::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                          &started))
        return kNotStarted;
    const tavik::UniqueHandle process(started.hProcess);
    const tavik::UniqueHandle thread(started.hThread);
    ::WaitForSingleObject(process.get(), INFINITE);
    DWORD exitCode = kNotStarted;
    ::GetExitCodeProcess(process.get(), &exitCode);
    return static_cast<int>(exitCode);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) return kUsage;
    return startBare(argv[1], argv[2]);
}
