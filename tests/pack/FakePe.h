#pragma once
// A hand-made PE image just complete enough for the packer: MZ header with
// e_lfanew, "PE\0\0", file header, an optional header of the stated size
// (zero-filled), section headers and their raw data, then optional trailing
// bytes (an earlier payload, a symbol table, anything).
#include <cstdint>
#include <string>
#include <vector>

namespace tavik::pack::test {

struct FakeSection {
    std::string name;
    std::uint32_t rawOffset;
    std::uint32_t rawSize;
};

struct FakePe {
    std::uint32_t peOffset = 0x80;
    std::uint16_t optionalHeaderSize = 0xF0;
    std::vector<FakeSection> sections = {{".text", 0x200, 0x200}, {".data", 0x400, 0x100}};
    std::string trailing;

    // Where the packer must cut with the default sections: end of ".data".
    static constexpr std::uint64_t kDefaultPayloadOffset = 0x500;

    std::vector<unsigned char> bytes() const;
};

}  // namespace tavik::pack::test
