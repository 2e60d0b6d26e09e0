#pragma once
// The archive after the block: per file a 64-bit little-endian size, then the
// file's bytes XORed with one mask byte. Names and count travel in the block
// (ids 2003 and 2002).
#include <optional>
#include <ostream>

#include "tools/pack/PackError.h"
#include "tools/pack/PackInput.h"

namespace tavik::pack {

constexpr unsigned char kArchiveMask = 0xD6;

// Run before any output exists: every file to embed must be a readable regular file.
std::optional<PackError> checkFilesToEmbed(const PackInput& input);

// Appends one entry per file of `input.files`, in that order. Stream failures
// are left for the caller to detect; the error returned is about an input file.
std::optional<PackError> writeArchive(std::ostream& out, const PackInput& input);

}  // namespace tavik::pack
