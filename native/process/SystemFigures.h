#pragma once
// Figures and settings of the machine for the Misc natives: memory, disk
// space, the environment, and a move left for the next reboot.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavik::native::process {

// Total physical memory in bytes; GlobalMemoryStatus's figure when the
// extended query is missing or fails (then "error <code>" is printed).
std::uint64_t physicalMemory() noexcept;

// The bytes available to the caller on the volume of `directory`; -1 on failure.
std::int64_t freeDiskSpace(const wchar_t* directory) noexcept;

// This process's environment entries ("name=value"), in block order;
// nullopt when the block cannot be had.
std::optional<std::vector<std::u16string>> environmentPairs();

// MOVEFILE_DELAY_UNTIL_REBOOT: a null target deletes the source then. False
// when MoveFileExW is missing or refuses.
bool moveAtReboot(const wchar_t* source, const wchar_t* target) noexcept;

}  // namespace tavik::native::process
