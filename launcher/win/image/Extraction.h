#pragma once
// Extracting the archive that follows the configuration block into the
// launcher's temporary directory.
#include <cstdint>
#include <string>

#include "launcher/win/image/SelfImage.h"

namespace tavik {

enum class ExtractResult {
    Done = 0,
    ReadError = 1,
    WriteError = 2,
    // A name that could lead outside the temporary directory; nothing was
    // created or written.
    RefusedName = 3,
};

// Extracts the first id-2002 entries under the names of id 2003. Every name
// is checked before anything is made; with `createDirectory` the temporary
// directory is made first (none at all when there is nothing to extract).
// An entry file that cannot be created ends the process with message 1009
// and "11"; a short archive with "Internal Error: readLong".
ExtractResult extractArchive(bool createDirectory);

// Copies the entry at the archive's position into `path`; nothing is created
// for a size of zero or less.
ExtractResult copyArchiveEntry(FileByteSource& archive, const std::string& path);

// The position in the launcher's file right after the last extracted entry;
// 0 until an extraction of at least one entry has finished.
std::uint32_t archiveEnd();

}  // namespace tavik
