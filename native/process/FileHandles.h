#pragma once
// This process's open file handles and the object manager's symbolic links,
// through the native system calls that the Win32Handle natives bind from
// ntdll at run time.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavik::native::process {

struct FileHandle {
    std::int32_t value = 0;
    std::u16string name;  // the kernel object name, e.g. \Device\HarddiskVolume2\dir\file
};

// Nullopt when a call is missing or the handle table cannot be read (then
// "NtQuerySystemInformation failed!" is printed).
std::optional<std::vector<FileHandle>> openFileHandles();

// Closes a handle of this process by its value; false when it is no handle.
bool closeHandleValue(std::int32_t value) noexcept;

// The target of a symbolic link object, such as the device of "\??\C:".
// Nullopt on failure, with a message on standard output.
std::optional<std::u16string> symbolicLinkTarget(const wchar_t* linkName);

}  // namespace tavik::native::process
