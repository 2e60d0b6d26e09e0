#pragma once
// The configuration block's byte format: magic, three fields the launcher
// skips, then narrow records, wide records and override sets, all integers
// little-endian and strings without terminators.
#include <cstdint>
#include <vector>

#include "tools/pack/PackInput.h"

namespace tavik::pack {

constexpr std::uint32_t kBlockMagic = 0xE8E413D5u;

// Records are written in the order given; the launcher lets a later record
// of the same id win.
std::vector<unsigned char> writeConfigBlock(const PackInput& input);

}  // namespace tavik::pack
