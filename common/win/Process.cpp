#include "common/win/Process.h"

#include <type_traits>

#include "common/win/LastError.h"

namespace tavik {
namespace {

template <class StartupInfo>
StartupInfo startupInfo(const ProcessOptions& options) {
    StartupInfo startup{};
    startup.cb = sizeof startup;
    if (options.standardHandles) {
        startup.dwFlags |= STARTF_USESTDHANDLES;
        startup.hStdInput = options.standardHandles->input;
        startup.hStdOutput = options.standardHandles->output;
        startup.hStdError = options.standardHandles->error;
    }
    if (options.showWindow) {
        startup.dwFlags |= STARTF_USESHOWWINDOW;
        startup.wShowWindow = *options.showWindow;
    }
    return startup;
}

template <class Char>
Result<ChildProcess> start(const Char* applicationName, std::basic_string<Char>& commandLine,
                           const ProcessOptions& options) {
    const BOOL inherit = options.inheritHandles ? TRUE : FALSE;
    PROCESS_INFORMATION started{};
    if constexpr (std::is_same_v<Char, wchar_t>) {
        STARTUPINFOW startup = startupInfo<STARTUPINFOW>(options);
        if (!::CreateProcessW(applicationName, commandLine.data(), nullptr, nullptr, inherit, options.creationFlags,
                              nullptr, nullptr, &startup, &started))
            return lastError("CreateProcessW");
    } else {
        STARTUPINFOA startup = startupInfo<STARTUPINFOA>(options);
        if (!::CreateProcessA(applicationName, commandLine.data(), nullptr, nullptr, inherit, options.creationFlags,
                              nullptr, nullptr, &startup, &started))
            return lastError("CreateProcessA");
    }
    return ChildProcess(UniqueHandle(started.hProcess), UniqueHandle(started.hThread));
}

}  // namespace

Result<ProcessWait> ChildProcess::wait(DWORD timeoutMillis) const {
    ProcessWait ended;
    const DWORD waited = ::WaitForSingleObject(process_.get(), timeoutMillis);
    if (waited == WAIT_FAILED) return lastError("WaitForSingleObject");
    ended.timedOut = waited == WAIT_TIMEOUT;
    DWORD exitCode = 0;
    if (!::GetExitCodeProcess(process_.get(), &exitCode)) return lastError("GetExitCodeProcess");
    ended.exitCode = exitCode;
    return ended;
}

bool ChildProcess::terminate(UINT exitCode) const noexcept {
    return ::TerminateProcess(process_.get(), exitCode) != FALSE;
}

Result<ChildProcess> startProcess(const wchar_t* applicationName, std::wstring commandLine,
                                  const ProcessOptions& options) {
    return start(applicationName, commandLine, options);
}

Result<ChildProcess> startProcess(const char* applicationName, std::string commandLine,
                                  const ProcessOptions& options) {
    return start(applicationName, commandLine, options);
}

}  // namespace tavik
