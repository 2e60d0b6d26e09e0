#pragma once
// Extracting the archive that follows the configuration block into the
// launcher's temporary directory.
#include <cstdint>
#include <string>

#include "launcher/win/image/SelfImage.h"

namespace tavik::image {

enum class ExtractResult {
    Done = 0,
    ReadError = 1,
    WriteError = 2,
    // A name that could lead outside the temporary directory; nothing was
    // created or written.
    RefusedName = 3,
};

// What the extraction settled.
struct ExtractedFiles {
    ExtractResult result = ExtractResult::Done;
    // Made only when there is something to extract; empty otherwise.
    std::string tempDirectory;
    // The position in the launcher's file right after the last extracted
    // entry; 0 unless an extraction of at least one entry finished.
    std::uint32_t archiveEnd = 0;
};

// Extracts the first id-2002 entries under the names of id 2003 into a new
// temporary directory (createTempDirectory). Every name is checked before
// anything is made. An entry file that cannot be created ends the process
// with message 1009 and "11"; a short archive with "Internal Error: readLong".
ExtractedFiles extractArchive();

// Copies the entry at the archive's position into `path`; nothing is created
// for a size of zero or less.
ExtractResult copyArchiveEntry(FileByteSource& archive, const std::string& path);

}  // namespace tavik::image
