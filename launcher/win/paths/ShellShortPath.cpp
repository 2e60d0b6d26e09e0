#include "launcher/win/paths/ShellShortPath.h"

#include <windows.h>

#include <algorithm>

#include "common/TextFormat.h"
#include "common/win/Handles.h"
#include "common/win/WideText.h"
#include "launcher/core/Log.h"
#include "launcher/core/PathText.h"
#include "launcher/win/paths/Environment.h"

namespace tavik {
namespace {

constexpr std::size_t kOutputLimit = 6000;
// The pipe reports its end when the interpreter closes its output, which may
// come a moment before the process has fully ended and has its exit code.
constexpr DWORD kExitWaitMillis = 5000;

struct Pipe {
    UniqueHandle reader;
    UniqueHandle writer;
};

// Only the write end is inherited: the child must not hold the read end open.
std::optional<Pipe> outputPipe() {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE reader = nullptr;
    HANDLE writer = nullptr;
    if (!::CreatePipe(&reader, &writer, &inherit, 0)) {
        log::logLine(u"CreatePipe error (%d)", ::GetLastError());
        return std::nullopt;
    }
    Pipe pipe{UniqueHandle(reader), UniqueHandle(writer)};
    if (!::SetHandleInformation(pipe.reader.get(), HANDLE_FLAG_INHERIT, 0)) {
        log::logLine(u"SetHandleInformation error (%d)", ::GetLastError());
        return std::nullopt;
    }
    return pipe;
}

std::string readAll(HANDLE reader) {
    std::string output;
    char chunk[512];
    while (output.size() < kOutputLimit) {
        DWORD got = 0;
        const auto wanted = static_cast<DWORD>(std::min(sizeof chunk, kOutputLimit - output.size()));
        if (!::ReadFile(reader, chunk, wanted, &got, nullptr) || got == 0) break;
        output.append(chunk, got);
    }
    return output;
}

}  // namespace

std::optional<std::string> shortPathViaShell(const std::u16string& path) {
    auto pipe = outputPipe();
    if (!pipe) return std::nullopt;

    const std::u16string windowsDirectory = env::windowsDirectoryWide().value_or(u"");
    std::wstring commandLine =
        toWide(format(u"%s\\system32\\cmd.exe /C for %%I in (\"%s\") do @echo %%~sI", windowsDirectory, path));
    log::logLine(u"executing %s", toU16(commandLine));

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = pipe->writer.get();
    startup.hStdError = pipe->writer.get();
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                          &startup, &started)) {
        log::logLine(u"could not execute cmd.exe");
        return std::nullopt;
    }
    const UniqueHandle process(started.hProcess);
    const UniqueHandle thread(started.hThread);

    pipe->writer.reset();  // else the read below never sees the end of the output
    const std::string output = readAll(pipe->reader.get());
    log::logLine(u"finished reading from cmd.exe %d \"%S\"", output.size(), output);
    pipe->reader.reset();

    ::WaitForSingleObject(process.get(), kExitWaitMillis);
    DWORD exitCode = 0;
    ::GetExitCodeProcess(process.get(), &exitCode);
    log::logLine(u"Exit Code %d", exitCode);
    if (exitCode == STILL_ACTIVE) {
        log::logLine(u"Terminating process");
        ::TerminateProcess(process.get(), 1);
        return std::nullopt;
    }
    auto shortPath = path::shortPathFromShellOutput(output, exitCode);
    if (shortPath) log::logLine(u"Using %S", *shortPath);
    return shortPath;
}

}  // namespace tavik
