#include "launcher/win/service/ServiceControl.h"

#include <windows.h>

#include <cstdio>

#include "common/TextFormat.h"
#include "common/win/Handles.h"
#include "common/win/LastError.h"
#include "common/win/Services.h"
#include "common/win/SystemLibrary.h"
#include "common/win/WideText.h"
#include "launcher/core/ConfigIds.h"
#include "launcher/core/ServiceRules.h"
#include "launcher/win/image/Config.h"
#include "launcher/win/paths/LauncherPaths.h"

namespace tavik::service {
namespace {

constexpr DWORD kStopPollMillis = 500;

// Console texts go out as ANSI bytes and at once: a script reading them may
// kill the process right after the exit.
template <class... Args>
void print(std::u16string_view fmt, const Args&... args) {
    bool substituted = false;
    const std::string text = toAnsi(format(fmt, args...), substituted);
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
}

Result<UniqueServiceHandle> openService(const UniqueServiceHandle& manager, const std::u16string& name, DWORD access) {
    return scm::openService(manager.get(), toWide(name).c_str(), access);
}

std::optional<ServiceProgress> queryProgress(SC_HANDLE service) {
    SERVICE_STATUS status{};
    if (!::QueryServiceStatus(service, &status)) return std::nullopt;
    return ServiceProgress{status.dwCurrentState, status.dwCheckPoint, status.dwWaitHint};
}

bool waitForStop(SC_HANDLE service) {
    std::optional<ServiceProgress> seen = queryProgress(service);
    if (!seen) return false;
    StopWait wait;
    StopWaitStep step = wait.begin(*seen, ::GetTickCount());
    while (step == StopWaitStep::KeepWaiting) {
        ::Sleep(kStopPollMillis);
        seen = queryProgress(service);
        if (!seen) return false;
        step = wait.next(*seen, ::GetTickCount());
    }
    return step == StopWaitStep::Stopped;
}

using ChangeServiceConfig2WFn = BOOL(WINAPI*)(SC_HANDLE, DWORD, LPVOID);

// The description is a nicety: a system without the call, or a refusal, still
// leaves an installed service.
void setDescription(SC_HANDLE service) {
    std::wstring description = toWide(image::localizedString(config::kServiceDescriptionId));
    if (description.empty()) return;
    static const auto changeServiceConfig2 =
        findFunction<ChangeServiceConfig2WFn>(systemLibrary(L"advapi32.dll"), "ChangeServiceConfig2W");
    if (changeServiceConfig2 == nullptr) return;
    SERVICE_DESCRIPTIONW record{description.data()};
    changeServiceConfig2(service, SERVICE_CONFIG_DESCRIPTION, &record);
}

DWORD startTypeValue(StartType startType) {
    return startType == StartType::Automatic ? SERVICE_AUTO_START : SERVICE_DEMAND_START;
}

StartType configuredStartType() {
    const bool service = image::configInt(config::kExecutableKindId) == config::kServiceKind;
    return service ? StartType::Automatic : StartType::OnDemand;
}

}  // namespace

int installService(const std::u16string& name, StartType startType) {
    uninstallService(name, Reporting::Quiet);
    const Result<UniqueServiceHandle> manager = scm::openManager(SC_MANAGER_ALL_ACCESS);
    if (!manager) {
        print(u"Could not open SCManager.\n");
        return 1;
    }
    const std::wstring binaryPath = toWide(format(u"\"%s\"", paths::launcherPathWide()));
    const std::wstring dependencies = toWide(dependencyList(image::configWideString(config::kServiceDependenciesId)));
    const std::wstring wideName = toWide(name);
    const UniqueServiceHandle service(::CreateServiceW(
        manager->get(), wideName.c_str(), wideName.c_str(), SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
        startTypeValue(startType), SERVICE_ERROR_NORMAL, binaryPath.c_str(), nullptr, nullptr,
        dependencies.empty() ? nullptr : dependencies.c_str(), nullptr, nullptr));
    if (!service) {
        print(u"Could not create service.\n");
        return 1;
    }
    setDescription(service.get());
    print(u"Installed service '%s'.\n", name);
    return 0;
}

int uninstallService(const std::u16string& name, Reporting reporting) {
    const bool full = reporting == Reporting::Full;
    stopService(name, Reporting::Quiet);
    const Result<UniqueServiceHandle> manager = scm::openManager(SC_MANAGER_ALL_ACCESS);
    if (!manager) {
        if (full) print(u"Could not open SCManager.\n");
        return 1;
    }
    const Result<UniqueServiceHandle> service = openService(*manager, name, DELETE);
    if (!service || !::DeleteService(service->get())) {
        if (full) print(u"Could not delete service.\n");
        return 1;
    }
    if (full) print(u"Uninstalled service '%s'.\n", name);
    return 0;
}

int stopService(const std::u16string& name, Reporting reporting) {
    const bool full = reporting == Reporting::Full;
    const Result<UniqueServiceHandle> manager = scm::openManager(SC_MANAGER_CONNECT);
    if (!manager) {
        if (full) print(u"Could not open SCManager.\n");
        return 1;
    }
    const Result<UniqueServiceHandle> service = openService(*manager, name, SERVICE_STOP | SERVICE_QUERY_STATUS);
    if (!service) {
        if (full) print(u"Could not stop service.\n");
        return 1;
    }
    SERVICE_STATUS status{};
    if (::ControlService(service->get(), SERVICE_CONTROL_STOP, &status)) {
        print(u"Stopping service '%s'.\n", name);
        print(waitForStop(service->get()) ? u"Service stopped\n" : u"Error while stopping service\n");
        return 0;
    }
    if (lastError("ControlService").code == ERROR_SERVICE_NOT_ACTIVE) {
        print(u"Service is already stopped.\n");
        return 0;
    }
    if (full) print(u"Could not stop service.\n");
    return 1;
}

int startService(const std::u16string& name, const std::vector<std::u16string>& remaining) {
    const Result<UniqueServiceHandle> manager = scm::openManager(SC_MANAGER_CONNECT);
    if (!manager) {
        print(u"Could not open SCManager.\n");
        return 1;
    }
    const Result<UniqueServiceHandle> service = openService(*manager, name, SERVICE_START);
    SysError error = service.error();
    if (service) {
        std::vector<std::wstring> arguments;
        for (const std::u16string& argument : startArguments(remaining)) arguments.push_back(toWide(argument));
        std::vector<const wchar_t*> vector;
        for (const std::wstring& argument : arguments) vector.push_back(argument.c_str());
        if (::StartServiceW(service->get(), static_cast<DWORD>(vector.size()),
                            vector.empty() ? nullptr : vector.data())) {
            print(u"Starting service '%s'.\n", name);
            return 0;
        }
        error = lastError("StartServiceW");
    }
    if (error.code == ERROR_SERVICE_ALREADY_RUNNING) {
        print(u"Service is already running.\n");
        return 0;
    }
    print(u"Could not start service. Error code: %d\n", error);
    return 1;
}

int queryServiceStatus(const std::u16string& name) {
    const Result<UniqueServiceHandle> manager = scm::openManager(SC_MANAGER_CONNECT);
    if (!manager) {
        print(u"Could not open SCManager.\n");
        return 1;
    }
    const Result<UniqueServiceHandle> service = openService(*manager, name, SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG);
    SERVICE_STATUS status{};
    if (!service || !::QueryServiceStatus(service->get(), &status)) {
        print(u"Could not get status.\n");
        return 1;
    }
    const int result = status.dwCurrentState == SERVICE_RUNNING ? 0 : 3;
    print(result == 0 ? u"Running.\n" : u"Not running.\n");

    constexpr DWORD kConfigBufferSize = 6000;
    // QUERY_SERVICE_CONFIGA holds pointers: the buffer must be aligned for them.
    std::vector<std::uint64_t> buffer(kConfigBufferSize / sizeof(std::uint64_t));
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
    DWORD needed = 0;
    if (!::QueryServiceConfigA(service->get(), config, kConfigBufferSize, &needed)) {
        print(u"Could not get config (%d, %d).\n", lastError("QueryServiceConfigA"), needed);
        return 1;
    }
    if (config->dwStartType == SERVICE_AUTO_START) print(u"%s.\n", u"Auto-start");
    return result;
}

int install(const std::u16string& name) { return installService(name, configuredStartType()); }

int installAndStart(const std::u16string& name, const std::vector<std::u16string>& remaining) {
    installService(name, configuredStartType());
    return startService(name, remaining);
}

int installAuto(const std::u16string& name) { return installService(name, StartType::Automatic); }
int installDemand(const std::u16string& name) { return installService(name, StartType::OnDemand); }
int uninstall(const std::u16string& name) { return uninstallService(name, Reporting::Full); }
int stop(const std::u16string& name) { return stopService(name, Reporting::Full); }
int status(const std::u16string& name) { return queryServiceStatus(name); }
int start(const std::u16string& name, const std::vector<std::u16string>& remaining) {
    return startService(name, remaining);
}

int restart(const std::u16string& name, const std::vector<std::u16string>& remaining) {
    stopService(name, Reporting::Quiet);
    return startService(name, remaining);
}

}  // namespace tavik::service
