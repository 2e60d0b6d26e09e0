#pragma once
// The archive after the block (launcher/core/PackedFormat.h): per file its
// size, then its masked bytes. Names and count travel in the block.
#include <optional>
#include <ostream>

#include "tools/pack/PackError.h"
#include "tools/pack/PackInput.h"

namespace tavik::pack {

// Run before any output exists: every file to embed must be a readable regular file.
std::optional<PackError> checkFilesToEmbed(const PackInput& input);

// Appends one entry per file of `input.files`, in that order. Stream failures
// are left for the caller to detect; the error returned is about an input file.
std::optional<PackError> writeArchive(std::ostream& out, const PackInput& input);

}  // namespace tavik::pack
