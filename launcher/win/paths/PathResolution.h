#pragma once
// Configured paths made absolute against the launcher's directory (or a
// given file's), normalized, and the file searches built on them.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavik {

// The 8-bit form of a text when every character has one; none otherwise.
std::optional<std::string> toAnsiExactly(std::u16string_view text);

// Whether an 8-bit path ends in "\" or "/", looked at as characters: the last
// byte of a double-byte character may be a backslash.
bool endsWithPathSeparator(std::string_view path);

// Runs of backslashes collapsed as in path::collapseBackslashes, through
// UTF-16 for the reason above; a text that does not convert back exactly is
// returned unchanged.
std::string collapseBackslashes(const std::string& path);

// A relative path is put after the directory of `baseFile` (its full path
// with the file name cut off) or, without a base file, after the launcher's
// directory; an absolute path stays. Then backslash runs are collapsed.
// `ansiSafe` takes the launcher directory in its 8-bit form, widened.
std::string resolvePath(std::string_view path, std::string_view baseFile = {});
std::u16string resolvePathWide(std::u16string_view path, bool ansiSafe, std::u16string_view baseFile = {});

// resolvePath without a base file, then the system's full-path normalization
// ("." and ".." resolved), then, unless `keepCase`, A to Z lowered (the 8-bit
// form only when the text converts to UTF-16 and back exactly), then
// backslash runs collapsed. Lowered, it serves as a path's identity.
std::string fullPath(std::string_view path, bool keepCase);
std::u16string fullPathWide(std::u16string_view path, bool keepCase, bool ansiSafe);

// Each non-empty entry of a ';'-separated list resolved with resolvePath,
// joined with ";"; `onEntry` sees every resolved entry.
std::string resolvePathList(std::string_view list,
                            const std::function<void(const std::string&)>& onEntry = nullptr);

// The names (without directory) of the files in `directory` matching
// "*.<extension>", in the order of the directory search.
std::vector<std::string> listFilesWithExtension(std::string_view directory, std::string_view extension);

}  // namespace tavik
