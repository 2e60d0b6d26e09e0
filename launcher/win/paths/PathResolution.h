#pragma once
// Configured paths made absolute against the launcher's directory (or a
// given file's), normalized, and the file searches built on them.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "launcher/win/paths/LauncherPaths.h"

namespace tavik::paths {

// A relative path is put after the directory of `baseFile` (its full path
// with the file name cut off) or, without a base file, after the launcher's
// directory in the given form; an absolute path stays. Then backslash runs
// are collapsed.
std::string resolvePath(std::string_view path, std::string_view baseFile = {});
std::u16string resolvePathWide(std::u16string_view path, DirectoryForm form, std::u16string_view baseFile = {});

enum class LetterCase { Keep, Lower };

// resolvePath without a base file, then the system's full-path normalization
// ("." and ".." resolved), then, with LetterCase::Lower, A to Z lowered (the
// 8-bit form only when the text converts to UTF-16 and back exactly), then
// backslash runs collapsed. Lowered, it serves as a path's identity.
std::string fullPath(std::string_view path, LetterCase letterCase);
std::u16string fullPathWide(std::u16string_view path, LetterCase letterCase, DirectoryForm form);

// Each non-empty entry of a ';'-separated list resolved with resolvePath,
// joined with ";"; `onEntry` sees every resolved entry.
std::string resolvePathList(std::string_view list,
                            const std::function<void(const std::string&)>& onEntry = nullptr);

// The names (without directory) of the files in `directory` matching
// "*.<extension>", in the order of the directory search.
std::vector<std::string> listFilesWithExtension(std::string_view directory, std::string_view extension);

}  // namespace tavik::paths
