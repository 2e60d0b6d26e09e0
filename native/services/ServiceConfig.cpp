#include "native/services/ServiceConfig.h"

#include <optional>
#include <vector>

#include "common/Result.h"
#include "common/win/LastError.h"
#include "common/win/Services.h"
#include "common/win/SystemLibrary.h"
#include "common/win/WideText.h"
#include "native/services/ServiceAccess.h"

namespace tavik::native::services {
namespace {

constexpr DWORD kConfigDescription = 1;
constexpr DWORD kConfigFailureActions = 2;
constexpr DWORD kConfigDelayedAutoStart = 3;

using ChangeServiceConfig2WFn = BOOL(WINAPI*)(SC_HANDLE, DWORD, LPVOID);

// Looked up at every call: older systems lack it.
ChangeServiceConfig2WFn changeServiceConfig2() {
    return findFunction<ChangeServiceConfig2WFn>(::GetModuleHandleW(L"advapi32.dll"), "ChangeServiceConfig2W");
}

Status changeConfig2(ChangeServiceConfig2WFn change, SC_HANDLE service, DWORD level, void* info) {
    return change(service, level, info) ? kSuccess : lastStatus();
}

// The configuration in a buffer of the size the service manager asks for;
// asked again should it have grown between the two calls.
Result<std::vector<QUERY_SERVICE_CONFIGW>> queryConfig(SC_HANDLE service) {
    std::vector<QUERY_SERVICE_CONFIGW> buffer;
    for (;;) {
        const DWORD size = static_cast<DWORD>(buffer.size() * sizeof(QUERY_SERVICE_CONFIGW));
        DWORD needed = 0;
        if (::QueryServiceConfigW(service, buffer.empty() ? nullptr : buffer.data(), size, &needed)) return buffer;
        const SysError error = lastError("QueryServiceConfigW");
        if (error.code != ERROR_INSUFFICIENT_BUFFER || needed <= size) return error;
        buffer.resize((needed + sizeof(QUERY_SERVICE_CONFIGW) - 1) / sizeof(QUERY_SERVICE_CONFIGW));
    }
}

}  // namespace

Status installService(const wchar_t* name, const wchar_t* displayName, const wchar_t* binaryPath) {
    const Result<UniqueServiceHandle> manager = scm::openManager(SC_MANAGER_ALL_ACCESS);
    if (!manager) return kManagerUnavailable;
    const UniqueServiceHandle service(::CreateServiceW(manager->get(), name, displayName, SERVICE_ALL_ACCESS,
                                                       SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                                                       SERVICE_ERROR_NORMAL, binaryPath, nullptr, nullptr, nullptr,
                                                       nullptr, nullptr));
    return service ? kSuccess : lastStatus();
}

Status changeServiceConfig(const wchar_t* name, const ConfigChange& change) {
    const OpenedService opened = openService(name, SC_MANAGER_ALL_ACCESS, SERVICE_ALL_ACCESS);
    if (!opened) return opened.status;
    std::optional<std::u16string> given;
    if (change.dependencies != nullptr) given = toU16(change.dependencies);
    const std::optional<std::u16string> list = dependencyList(given);
    if (!list) return ERROR_INSUFFICIENT_BUFFER;
    const std::wstring dependencies = toWide(*list);
    std::optional<std::wstring> account;
    if (change.account != nullptr) account = toWide(serviceAccount(toU16(change.account)));
    if (!::ChangeServiceConfigW(opened.service.get(), change.serviceType, change.startType, SERVICE_NO_CHANGE,
                                change.binaryPath, nullptr, nullptr, dependencies.c_str(),
                                account ? account->c_str() : nullptr, change.password, change.displayName))
        return lastStatus();
    const ChangeServiceConfig2WFn change2 = changeServiceConfig2();
    if (change.description != nullptr && change2 != nullptr) {
        SERVICE_DESCRIPTIONW description{const_cast<wchar_t*>(change.description)};
        // The configuration is changed by now: a description that fails does not undo that.
        changeConfig2(change2, opened.service.get(), kConfigDescription, &description);
    }
    return kSuccess;
}

Status setRestartConfig(const wchar_t* name, bool restart, DWORD delayMillis, std::int32_t restarts,
                        DWORD resetPeriodSeconds) {
    const ChangeServiceConfig2WFn change2 = changeServiceConfig2();
    if (change2 == nullptr) return ERROR_INVALID_FUNCTION;
    const OpenedService opened = openService(name, SC_MANAGER_ALL_ACCESS, SERVICE_CHANGE_CONFIG | SERVICE_START);
    if (!opened) return opened.status;
    const FailureActions plan = failureActions(restart, delayMillis, restarts, resetPeriodSeconds);
    std::vector<SC_ACTION> actions;
    actions.reserve(plan.actions.size());
    for (const FailureAction& action : plan.actions)
        actions.push_back({static_cast<SC_ACTION_TYPE>(action.type), action.delayMillis});
    SERVICE_FAILURE_ACTIONSW record{plan.resetPeriodSeconds, nullptr, nullptr, plan.count, actions.data()};
    return changeConfig2(change2, opened.service.get(), kConfigFailureActions, &record);
}

Status setDelayedAutoStart(const wchar_t* name, bool delayed) {
    const ChangeServiceConfig2WFn change2 = changeServiceConfig2();
    if (change2 == nullptr) return ERROR_INVALID_FUNCTION;
    const OpenedService opened = openService(name, SC_MANAGER_ALL_ACCESS, SERVICE_ALL_ACCESS);
    if (!opened) return opened.status;
    SERVICE_DELAYED_AUTO_START_INFO info{delayed ? TRUE : FALSE};
    return changeConfig2(change2, opened.service.get(), kConfigDelayedAutoStart, &info);
}

Status startType(const wchar_t* name) {
    const OpenedService opened = openService(name, SC_MANAGER_CONNECT, SERVICE_QUERY_CONFIG);
    if (!opened) return opened.status;
    const Result<std::vector<QUERY_SERVICE_CONFIGW>> config = queryConfig(opened.service.get());
    if (!config) return static_cast<Status>(config.error().code);
    return -static_cast<Status>(config->front().dwStartType);
}

std::wstring serviceBinary(const wchar_t* name) {
    const OpenedService opened = openService(name, SC_MANAGER_CONNECT, SERVICE_QUERY_CONFIG);
    if (!opened) return toWide(statusText(opened.status));
    const Result<std::vector<QUERY_SERVICE_CONFIGW>> config = queryConfig(opened.service.get());
    if (!config) return toWide(statusText(static_cast<Status>(config.error().code)));
    const wchar_t* path = config->front().lpBinaryPathName;
    return path != nullptr ? std::wstring(path) : std::wstring();
}

}  // namespace tavik::native::services
