#include "native/process/Processes.h"

#include <tlhelp32.h>

#include <cstdio>
#include <cwchar>
#include <optional>
#include <utility>

#include "common/win/Handles.h"
#include "common/win/SystemLibrary.h"
#include "native/process/Windows.h"
#include "native/system/Privilege.h"

namespace tavik::native::process {
namespace {

EndStatus terminateAll(const std::vector<std::int32_t>& processIds) {
    EndStatus status = EndStatus::Done;
    for (const std::int32_t processId : processIds) {
        const UniqueHandle process(::OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(processId)));
        if (!process || !::TerminateProcess(process.get(), 0)) status = EndStatus::NotEnded;
    }
    return status;
}

EndStatus askToClose(const std::vector<std::int32_t>& processIds) {
    CloseRound round(processIds);
    forEachTopLevelWindow([&](HWND window) {
        if (::IsWindowVisible(window) && round.noteWindowOf(processOfWindow(window)) &&
            !::PostMessageW(window, WM_CLOSE, 0, 0))
            round.notePostFailed();
        return true;
    });
    return round.status();
}

EndStatus waitForAll(const std::vector<std::int32_t>& processIds, DWORD timeoutMillis) {
    std::vector<UniqueHandle> processes;
    std::vector<HANDLE> handles;
    for (const std::int32_t processId : processIds) {
        UniqueHandle process(::OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(processId)));
        if (!process) return EndStatus::WaitFailed;
        handles.push_back(process.get());
        processes.push_back(std::move(process));
    }
    // More than MAXIMUM_WAIT_OBJECTS handles make the wait itself fail.
    return statusOfWait(::WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), TRUE,
                                                 timeoutMillis));
}

using EnumProcessesFn = BOOL(WINAPI*)(DWORD*, DWORD, DWORD*);
using QueryFullProcessImageNameFn = BOOL(WINAPI*)(HANDLE, DWORD, wchar_t*, DWORD*);
using GetModuleFileNameExFn = DWORD(WINAPI*)(HANDLE, HMODULE, wchar_t*, DWORD);
using CreateToolhelp32SnapshotFn = HANDLE(WINAPI*)(DWORD, DWORD);
// The 8-bit entry: only its process id is read.
using Process32Fn = BOOL(WINAPI*)(HANDLE, tagPROCESSENTRY32*);
using Module32FirstFn = BOOL(WINAPI*)(HANDLE, MODULEENTRY32W*);

constexpr DWORD kQueryAccess = PROCESS_QUERY_INFORMATION;
constexpr DWORD kQueryAndReadAccess = PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;
// 8,196 ids: a 32,784-byte buffer.
constexpr DWORD kMostProcessIds = 8196;

std::u16string units(const wchar_t* text, std::size_t length) {
    return std::u16string(reinterpret_cast<const char16_t*>(text), length);
}

class ProcessStatusNames {
public:
    ProcessStatusNames()
        : psapi_(systemLibrary(L"Psapi.DLL")),
          kernel_(systemLibrary(L"Kernel32.DLL")),
          enumProcesses_(findFunction<EnumProcessesFn>(psapi_.get(), "EnumProcesses")),
          queryFullImageName_(findFunction<QueryFullProcessImageNameFn>(kernel_.get(), "QueryFullProcessImageNameW")),
          moduleFileName_(findFunction<GetModuleFileNameExFn>(psapi_.get(), "GetModuleFileNameExW")) {}

    bool usable() const { return enumProcesses_ != nullptr && (queryFullImageName_ || moduleFileName_); }

    std::vector<std::u16string> entries() const {
        std::vector<DWORD> ids(kMostProcessIds);
        DWORD bytes = 0;
        if (!enumProcesses_(ids.data(), static_cast<DWORD>(ids.size() * sizeof(DWORD)), &bytes)) return {};
        ids.resize(bytes / sizeof(DWORD));
        std::vector<std::u16string> found;
        for (const DWORD processId : ids) {
            if (processId == 0) continue;
            if (std::optional<std::u16string> path = imagePath(processId))
                found.push_back(entryPrefix(processId) + *path);
        }
        return found;
    }

private:
    std::optional<std::u16string> imagePath(DWORD processId) const {
        const DWORD room = static_cast<DWORD>(pathRoom(entryPrefix(processId)));
        if (room == 0) return std::nullopt;
        std::vector<wchar_t> path(room);
        if (queryFullImageName_ == nullptr) return mainModulePath(processId, path);
        const UniqueHandle process(::OpenProcess(kQueryAccess, FALSE, processId));
        if (!process) return std::nullopt;
        DWORD length = room;
        if (!queryFullImageName_(process.get(), 0, path.data(), &length)) return std::nullopt;
        std::u16string image = units(path.data(), length);
        // A renamed temporary copy: its main module gives the name it runs under.
        if (isTemporaryImage(image) && moduleFileName_ != nullptr) return mainModulePath(processId, path);
        return image;
    }

    std::optional<std::u16string> mainModulePath(DWORD processId, std::vector<wchar_t>& path) const {
        if (moduleFileName_ == nullptr) return std::nullopt;
        const UniqueHandle process(::OpenProcess(kQueryAndReadAccess, FALSE, processId));
        if (!process) return std::nullopt;
        const DWORD length = moduleFileName_(process.get(), nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return std::nullopt;
        return units(path.data(), length);
    }

    UniqueLibrary psapi_;
    UniqueLibrary kernel_;
    EnumProcessesFn enumProcesses_;
    QueryFullProcessImageNameFn queryFullImageName_;
    GetModuleFileNameExFn moduleFileName_;
};

std::vector<std::u16string> snapshotEntries() {
    const UniqueLibrary kernel(systemLibrary(L"Kernel32.DLL"));
    const auto createSnapshot = findFunction<CreateToolhelp32SnapshotFn>(kernel.get(), "CreateToolhelp32Snapshot");
    const auto firstProcess = findFunction<Process32Fn>(kernel.get(), "Process32First");
    const auto nextProcess = findFunction<Process32Fn>(kernel.get(), "Process32Next");
    const auto firstModule = findFunction<Module32FirstFn>(kernel.get(), "Module32FirstW");
    if (createSnapshot == nullptr || firstProcess == nullptr || nextProcess == nullptr) {
        std::printf("could not load functions %p %p %p %p %p %d\n", reinterpret_cast<void*>(createSnapshot),
                    reinterpret_cast<void*>(firstProcess), reinterpret_cast<void*>(nextProcess),
                    reinterpret_cast<void*>(firstModule), static_cast<void*>(kernel.get()),
                    static_cast<int>(::GetLastError()));
        return {};
    }
    std::vector<std::u16string> found;
    const UniqueHandle processes(createSnapshot(TH32CS_SNAPPROCESS, 0));
    if (!processes) return found;
    tagPROCESSENTRY32 process{};
    process.dwSize = sizeof process;
    for (BOOL more = firstProcess(processes.get(), &process); more; more = nextProcess(processes.get(), &process)) {
        if (process.th32ProcessID == 0 || firstModule == nullptr) continue;
        const UniqueHandle modules(createSnapshot(TH32CS_SNAPMODULE, process.th32ProcessID));
        if (!modules) continue;
        MODULEENTRY32W module{};
        module.dwSize = sizeof module;
        if (!firstModule(modules.get(), &module)) continue;
        const std::u16string path(reinterpret_cast<const char16_t*>(module.szExePath));
        found.push_back(entryPrefix(process.th32ProcessID) + path);
    }
    return found;
}

}  // namespace

EndStatus endProcesses(const std::vector<std::int32_t>& processIds, bool force, DWORD timeoutMillis) {
    if (force) return terminateAll(processIds);
    const EndStatus asked = askToClose(processIds);
    if (asked != EndStatus::Done) return asked;
    return waitForAll(processIds, timeoutMillis);
}

std::vector<std::u16string> runningModules(bool withoutDebugPrivilege) {
    enablePrivilege(L"SeDebugPrivilege", !withoutDebugPrivilege);
    std::vector<std::u16string> entries;
    {
        const ProcessStatusNames names;
        if (names.usable()) entries = names.entries();
    }
    if (entries.empty()) entries = snapshotEntries();
    return entries;
}

DWORD launch(const wchar_t* applicationName, const wchar_t* commandLine) {
    // CreateProcessW may write to the command line: it gets a copy.
    std::vector<wchar_t> writable;
    if (commandLine != nullptr) writable.assign(commandLine, commandLine + std::wcslen(commandLine) + 1);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(applicationName, writable.empty() ? nullptr : writable.data(), nullptr, nullptr, FALSE,
                          NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup, &started))
        return ::GetLastError();
    const UniqueHandle thread(started.hThread);
    const UniqueHandle process(started.hProcess);
    return ERROR_SUCCESS;
}

void reboot() noexcept {
    if (!enablePrivilege(L"SeShutdownPrivilege", true)) return;
    ::ExitWindowsEx(EWX_REBOOT, 0);
}

}  // namespace tavik::native::process
