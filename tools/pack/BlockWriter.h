#pragma once
// Writing the configuration block in the format of launcher/core/PackedFormat.h.
#include <vector>

#include "tools/pack/PackInput.h"

namespace tavik::pack {

// Records are written in the order given; the launcher lets a later record
// of the same id win.
std::vector<unsigned char> writeConfigBlock(const PackInput& input);

}  // namespace tavik::pack
