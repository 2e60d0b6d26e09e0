#pragma once
// The launcher finds its configuration block by walking its own PE headers:
// the block starts right after the raw data of the last section header. The
// packer cuts the template there, found by the launcher's own walk, so
// packing an already packed executable replaces its payload instead of
// stacking a second one.
#include <cstdint>
#include <string>
#include <vector>

#include "tools/pack/PackError.h"

namespace tavik::pack {

// The offset where the payload goes, or why the bytes are no usable template.
// Refuses images where cutting at that offset would lose data that another
// section still needs.
Expected<std::uint64_t, std::string> payloadOffset(const std::vector<unsigned char>& image);

}  // namespace tavik::pack
