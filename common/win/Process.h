#pragma once
// Starting a child process and waiting for its end.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "common/Result.h"
#include "common/win/Handles.h"

namespace tavik {

// A null handle leaves that stream unset in the child.
struct StandardHandles {
    HANDLE input = nullptr;
    HANDLE output = nullptr;
    HANDLE error = nullptr;
};

struct ProcessOptions {
    bool inheritHandles = false;
    DWORD creationFlags = 0;
    std::optional<StandardHandles> standardHandles;  // given: STARTF_USESTDHANDLES
    std::optional<WORD> showWindow;                  // given: STARTF_USESHOWWINDOW
};

struct ProcessWait {
    bool timedOut = false;       // the time limit ended the wait, not the child
    std::uint32_t exitCode = 0;  // STILL_ACTIVE (259) while the child runs
};

// The started child's process and thread handles, closed together.
class ChildProcess {
public:
    ChildProcess(UniqueHandle process, UniqueHandle thread) noexcept
        : process_(std::move(process)), thread_(std::move(thread)) {}

    HANDLE handle() const noexcept { return process_.get(); }

    // Waits at most `timeoutMillis` (INFINITE: without a limit), then reads
    // the exit code, which a timed-out wait finds still active.
    Result<ProcessWait> wait(DWORD timeoutMillis) const;

    // False when the system refused; the last error says why.
    bool terminate(UINT exitCode) const noexcept;

private:
    UniqueHandle process_;
    UniqueHandle thread_;
};

// `applicationName` may be null: then the command line's first token names
// the program. The command line is taken by value because the call may write to it.
Result<ChildProcess> startProcess(const wchar_t* applicationName, std::wstring commandLine,
                                  const ProcessOptions& options);
// The 8-bit form, for command lines held in the ANSI code page.
Result<ChildProcess> startProcess(const char* applicationName, std::string commandLine,
                                  const ProcessOptions& options);

}  // namespace tavik
