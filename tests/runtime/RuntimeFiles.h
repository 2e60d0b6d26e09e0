#pragma once
// The stand-in runtime's files: it is configured by, and reports through,
// files beside its own binaries, so a test only has to look into the runtime.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace tavik::testruntime {

// Full path of a loaded module; null: the program itself.
std::wstring modulePath(HMODULE module);
// The path up to its last backslash (excluded), and the part after it.
std::wstring directoryOf(std::wstring_view path);
std::wstring fileNameOf(std::wstring_view path);

// The whole file; nullopt when it cannot be opened or read.
std::optional<std::string> readBytes(const std::wstring& path);
bool writeBytes(const std::wstring& path, std::string_view bytes);
// The line and CR LF in one appending write, so that processes recording into
// the same file at the same time never mix parts of their lines.
void appendLine(const std::wstring& path, std::string_view line);

// Command lines and paths go to the run logs losslessly as UTF-8; the VM's
// log keeps ANSI, the encoding of the option strings it is handed.
std::string toUtf8(std::wstring_view text);
std::string toAnsi(std::wstring_view text);

void writeStandardError(std::string_view bytes);
void writeStandardOutput(std::string_view bytes);

}  // namespace tavik::testruntime
