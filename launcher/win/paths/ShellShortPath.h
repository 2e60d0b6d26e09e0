#pragma once
// The short (8.3) form of a path as the command interpreter reports it: the
// last way to an 8-bit path when the file system call gives none.
#include <optional>
#include <string>

namespace tavik::paths {

// Runs cmd.exe without a window on a for-loop that echoes the short form of
// the quoted path, reading at most 6000 bytes of its output. None when the
// interpreter cannot run, fails, or prints no complete line. Each step is logged.
std::optional<std::string> shortPathViaShell(const std::u16string& path);

}  // namespace tavik::paths
