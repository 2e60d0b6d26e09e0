#pragma once
// Where things are on this machine for the FolderInfo natives: special
// folders, the Windows and system directories, drive types, and the short
// and universal names of paths.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace tavik::native::shell {

// The folder an id selects (created when missing, for shell folders);
// nullopt when the shell function is missing or fails.
std::optional<std::u16string> specialFolderPath(std::int32_t id, bool allUsers);

// The named value under HKLM's CurrentVersion key, up to its first zero unit.
std::optional<std::u16string> currentVersionValue(const wchar_t* name);

std::optional<std::u16string> windowsDirectory();
std::optional<std::u16string> systemDirectory();

UINT driveType(const wchar_t* rootPath) noexcept;

// nullopt when the system has no short form to give.
std::optional<std::u16string> shortPathName(const wchar_t* path);

// The universal name, or the failure text with the error code; nullopt
// when mpr.dll offers no look-up.
std::optional<std::u16string> universalName(const wchar_t* path);

}  // namespace tavik::native::shell
