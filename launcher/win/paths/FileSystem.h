#pragma once
// The file-system questions and clean-ups the launcher's stages share.
#include <cstdint>
#include <string>
#include <string_view>

namespace tavik::paths {

// True for the drive-root forms "X:\", "X:\." and "X:\.\." without looking;
// otherwise when a directory search finds the path, and then its last-write
// time (a FILETIME value) goes to `lastWriteTime` when given.
bool pathExists(std::string_view path, std::uint64_t* lastWriteTime = nullptr);
bool pathExists(std::u16string_view path, std::uint64_t* lastWriteTime = nullptr);

// Whether removeDirectoryContents also empties and removes the direct
// subdirectories; anything deeper always stays.
enum class Subdirectories { Kept, Emptied };

// Deletes the files in `path` and, with Subdirectories::Emptied, the files of
// its direct subdirectories, removing every subdirectory that ends up empty.
// Does nothing for an empty path or one starting with ".".
void removeDirectoryContents(const std::string& path, Subdirectories subdirectories);

}  // namespace tavik::paths
