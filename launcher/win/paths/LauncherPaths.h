#pragma once
// Where the running launcher lives: its own path in a long UTF-16 form and in
// an 8-bit form that the ANSI code page can represent, and its directory.
#include <optional>
#include <string>

namespace tavik::paths {

// The module file name as the system reports it.
std::u16string moduleFileName();

// The long form of the module file name (the name as reported when the
// long-form query fails), with doubled backslashes collapsed. Computed on
// first use and kept for the process.
const std::u16string& launcherPathWide();

// An 8-bit path of the executable that converts to the ANSI code page without
// substitution and ends in ".exe": the long path, else its short form, else
// the short form as the command interpreter reports it, else the system's
// 8-bit short module name. Computed on first use (and logged) and kept.
const std::string& launcherPath();

// The UTF-16 forms of the launcher directory: the 8-bit form widened byte by
// byte, for texts that reach the ANSI code page, or the long one.
enum class DirectoryForm { AnsiSafe, Long };

// The directory holding the executable, ending in "\": the 8-bit form from
// launcherPath(); in UTF-16 either that form widened (DirectoryForm::AnsiSafe)
// or the directory of launcherPathWide().
const std::string& launcherDirectory();
std::u16string launcherDirectoryWide(DirectoryForm form);

// The first usable 8-bit form of a long path (without the module fallback):
// the path itself, its short form, or the command interpreter's short form,
// each only when it converts without substitution and isExePath holds.
std::optional<std::string> ansiSafeFormOf(const std::u16string& longPath);

}  // namespace tavik::paths
