#pragma once
// Text operations on Windows paths that need no file system. Narrow paths
// are ANSI code page bytes: the narrow functions here only look at ASCII
// characters in places where no double-byte character can have put them.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavik::path {

// Every run of backslashes becomes one, except that the first two characters
// are kept as they are: a network path keeps its leading "\\".
std::u16string collapseBackslashes(std::u16string_view path);

// False only when the path, after one optional leading double quote, starts
// with a drive root ("C:\") or with "\\". So a drive-relative path ("C:x"), a
// path rooted with "/" and any text too short for a drive root are relative.
bool isRelativePath(std::string_view path);
bool isRelativePath(std::u16string_view path);

// `directory` (ending in "\") followed by `path` when the path is relative;
// an absolute path as it is. Nothing else is normalized.
std::string joinIfRelative(std::string_view directory, std::string_view path);
std::u16string joinIfRelative(std::u16string_view directory, std::u16string_view path);

// "X:\", "X:\." or "X:\.\." with a letter A to Z in either case: a drive
// root, which a directory search does not find although it exists.
bool isDriveRootForm(std::string_view path);
bool isDriveRootForm(std::u16string_view path);

// At least five characters ending in ".exe", in any case.
bool isExePath(std::string_view path);

// The letters A to Z lowered; every other character stays.
std::u16string lowerAsciiLetters(std::u16string_view text);

// The ';'-separated entries of a path list, empty entries skipped.
std::vector<std::string> splitPathList(std::string_view list);

// "<directory>\*.<extension>": a "\" only when the directory does not end in
// one (or in "/"), and the "." not doubled when the extension has it.
// UTF-16, as the last byte of a double-byte character may be a backslash.
std::u16string filesWithExtensionPattern(std::u16string_view directory, std::u16string_view extension);

// The short path that the command interpreter echoed: its first line, when
// it exited with 0 and wrote at least six bytes ending a line; else none.
std::optional<std::string> shortPathFromShellOutput(std::string_view output, std::uint32_t exitCode);

}  // namespace tavik::path
