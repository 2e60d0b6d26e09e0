#include "launcher/win/paths/ShellShortPath.h"

#include <windows.h>

#include <algorithm>

#include "common/TextFormat.h"
#include "common/win/LastError.h"
#include "common/win/Pipe.h"
#include "common/win/Process.h"
#include "common/win/WideText.h"
#include "launcher/core/Log.h"
#include "launcher/core/PathText.h"
#include "launcher/win/paths/Environment.h"

namespace tavik::paths {
namespace {

constexpr std::size_t kOutputLimit = 6000;
// The pipe reports its end when the interpreter closes its output, which may
// come a moment before the process has fully ended and has its exit code.
constexpr DWORD kExitWaitMillis = 5000;

// Only the write end is inherited: the child must not hold the read end open.
std::optional<Pipe> outputPipe() {
    Result<Pipe> pipe = createPipe(PipeEnd::Write);
    if (pipe) return std::move(*pipe);
    const SysError& error = pipe.error();
    log::logLine(std::string_view(error.api) == "CreatePipe" ? u"CreatePipe error (%d)"
                                                              : u"SetHandleInformation error (%d)",
                 error);
    return std::nullopt;
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

    const std::u16string windowsDirectory = windowsDirectoryWide().value_or(u"");
    const std::wstring commandLine =
        toWide(format(u"%s\\system32\\cmd.exe /C for %%I in (\"%s\") do @echo %%~sI", windowsDirectory, path));
    log::logLine(u"executing %s", toU16(commandLine));

    ProcessOptions options;
    options.inheritHandles = true;
    options.creationFlags = CREATE_NO_WINDOW;
    options.standardHandles = StandardHandles{nullptr, pipe->write.get(), pipe->write.get()};
    const Result<ChildProcess> child = startProcess(nullptr, commandLine, options);
    if (!child) {
        log::logLine(u"could not execute cmd.exe");
        return std::nullopt;
    }

    pipe->write.reset();  // else the read below never sees the end of the output
    const std::string output = readAll(pipe->read.get());
    log::logLine(u"finished reading from cmd.exe %d \"%S\"", output.size(), output);
    pipe->read.reset();

    const Result<ProcessWait> ended = child->wait(kExitWaitMillis);
    if (!ended) {
        log::logLine(u"%s", describe(ended.error()));
        return std::nullopt;
    }
    const std::uint32_t exitCode = ended->exitCode;
    log::logLine(u"Exit Code %d", exitCode);
    if (exitCode == STILL_ACTIVE) {
        log::logLine(u"Terminating process");
        child->terminate(1);
        return std::nullopt;
    }
    auto shortPath = path::shortPathFromShellOutput(output, exitCode);
    if (shortPath) log::logLine(u"Using %S", *shortPath);
    return shortPath;
}

}  // namespace tavik::paths
