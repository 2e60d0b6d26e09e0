#include "native/process/SystemFigures.h"

#include <cstdio>

#include "common/ScopeExit.h"
#include "common/win/Handles.h"
#include "common/win/SystemLibrary.h"
#include "native/process/ProcessRules.h"

namespace tavik::native::process {
namespace {

using GlobalMemoryStatusExFn = BOOL(WINAPI*)(MEMORYSTATUSEX*);
using MoveFileExFn = BOOL(WINAPI*)(const wchar_t*, const wchar_t*, DWORD);

}  // namespace

std::uint64_t physicalMemory() noexcept {
    {
        const UniqueLibrary kernel(systemLibrary(L"Kernel32.DLL"));
        const auto memoryStatusEx = findFunction<GlobalMemoryStatusExFn>(kernel.get(), "GlobalMemoryStatusEx");
        if (memoryStatusEx != nullptr) {
            MEMORYSTATUSEX status{};
            status.dwLength = sizeof status;
            static_assert(sizeof(MEMORYSTATUSEX) == 64, "the record's length field says 64");
            if (memoryStatusEx(&status)) return status.ullTotalPhys;
            std::printf("error %d\n", static_cast<int>(::GetLastError()));
        }
    }
    MEMORYSTATUS status{};
    status.dwLength = sizeof status;
    ::GlobalMemoryStatus(&status);
    return status.dwTotalPhys;
}

std::int64_t freeDiskSpace(const wchar_t* directory) noexcept {
    ULARGE_INTEGER available{};
    if (!::GetDiskFreeSpaceExW(directory, &available, nullptr, nullptr)) return -1;
    return static_cast<std::int64_t>(available.QuadPart);
}

std::optional<std::vector<std::u16string>> environmentPairs() {
    wchar_t* const block = ::GetEnvironmentStringsW();
    if (block == nullptr) return std::nullopt;
    const ScopeExit freeBlock([block] { ::FreeEnvironmentStringsW(block); });
    return environmentEntries(reinterpret_cast<const char16_t*>(block));
}

bool moveAtReboot(const wchar_t* source, const wchar_t* target) noexcept {
    static const auto moveFileEx = findFunction<MoveFileExFn>(systemLibrary(L"Kernel32.DLL"), "MoveFileExW");
    if (moveFileEx == nullptr) return false;
    return moveFileEx(source, target, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}

}  // namespace tavik::native::process
