#pragma once
// What a packer appends to the launcher template, right after the raw data
// of its last PE section (see BlockLocation), all integers little-endian:
//
//   configuration block
//     magic                       32-bit, kBlockMagic
//     three fields                32-bit, 32-bit, 64-bit: the packer's, read past
//     narrow count, records       32-bit; per record id (32-bit) and narrow string
//     wide count, records         32-bit; per record id (32-bit) and wide string
//     set count, override sets    32-bit; per set a narrow key, a count and wide records
//   archive
//     per entry                   64-bit size, then the bytes XORed with kByteMask
//
// Counts and lengths are signed 32-bit. A narrow string is a byte length and
// that many ANSI bytes, a wide string a byte length and UTF-16LE units, both
// without terminator. The archive's entries carry no names: ids 2002 and 2003
// of the block give their count and names.
#include <cstddef>
#include <cstdint>

namespace tavik::config {
inline constexpr std::uint32_t kBlockMagic = 0xE8E413D5u;
}  // namespace tavik::config

namespace tavik::archive {
inline constexpr unsigned char kByteMask = 0xD6;
inline constexpr std::size_t kSizeBytes = 8;
}  // namespace tavik::archive
