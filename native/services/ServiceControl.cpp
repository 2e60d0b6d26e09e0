#include "native/services/ServiceControl.h"

#include <algorithm>
#include <optional>

#include "native/services/ServiceAccess.h"

namespace tavik::native::services {
namespace {

constexpr DWORD kStopPollMillis = 500;

std::optional<StopProgress> progressOf(SC_HANDLE service) {
    SERVICE_STATUS status{};
    if (!::QueryServiceStatus(service, &status)) return std::nullopt;
    return StopProgress{status.dwCurrentState, status.dwCheckPoint, status.dwWaitHint};
}

Status waitForStop(SC_HANDLE service, DWORD timeoutMillis) {
    const std::optional<StopProgress> first = progressOf(service);
    if (!first) return kStopQueryFailed;
    StopWait wait(timeoutMillis, *first, ::GetTickCount());
    for (StopVerdict verdict = wait.verdict();;) {
        if (verdict == StopVerdict::Stopped) return kSuccess;
        if (verdict == StopVerdict::TimedOut) return kStopTimedOut;
        ::Sleep(kStopPollMillis);
        const std::optional<StopProgress> seen = progressOf(service);
        if (!seen) return kStopQueryFailed;
        verdict = wait.afterPoll(*seen, ::GetTickCount());
    }
}

}  // namespace

Status startService(const wchar_t* name, std::vector<const wchar_t*> arguments) {
    const OpenedService opened = openService(name, SC_MANAGER_CONNECT, SERVICE_START);
    if (!opened) return opened.status;
    // The service manager would read through a null argument.
    if (std::find(arguments.begin(), arguments.end(), nullptr) != arguments.end()) return ERROR_INVALID_PARAMETER;
    const DWORD count = static_cast<DWORD>(arguments.size());
    const BOOL started = ::StartServiceW(opened.service.get(), count, count == 0 ? nullptr : arguments.data());
    return started ? kSuccess : lastStatus();
}

Status stopService(const wchar_t* name, DWORD timeoutMillis) {
    const OpenedService opened = openService(name, SC_MANAGER_CONNECT, SERVICE_STOP | SERVICE_QUERY_STATUS);
    if (!opened) return opened.status;
    SERVICE_STATUS status{};
    if (!::ControlService(opened.service.get(), SERVICE_CONTROL_STOP, &status)) return lastStatus();
    return waitForStop(opened.service.get(), timeoutMillis);
}

Status uninstallService(const wchar_t* name) {
    const OpenedService opened = openService(name, SC_MANAGER_ALL_ACCESS, DELETE);
    if (!opened) return opened.status;
    return ::DeleteService(opened.service.get()) ? kSuccess : lastStatus();
}

Status queryStatus(const wchar_t* name) {
    const OpenedService opened = openService(name, SC_MANAGER_CONNECT, SERVICE_QUERY_STATUS);
    if (!opened) return opened.status;
    SERVICE_STATUS status{};
    if (!::QueryServiceStatus(opened.service.get(), &status)) return lastStatus();
    return -static_cast<Status>(status.dwCurrentState);
}

}  // namespace tavik::native::services
