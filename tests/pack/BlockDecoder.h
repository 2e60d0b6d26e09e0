#pragma once
// A reader of the configuration block written for the tests alone, so a
// fault in the writer cannot hide behind the same fault in a shared reader.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tavik::pack::test {

struct DecodedSet {
    std::string key;
    std::vector<std::pair<std::int32_t, std::u16string>> records;
};

struct DecodedBlock {
    std::uint32_t magic = 0;
    std::uint32_t first = 0;
    std::uint32_t second = 0;
    std::uint64_t third = 0;
    std::vector<std::pair<std::int32_t, std::string>> narrow;
    std::vector<std::pair<std::int32_t, std::u16string>> wide;
    std::vector<DecodedSet> sets;
    std::size_t end = 0;  // offset just after the last set: the archive starts here

    // The text a reader ends up with: the last record of the id wins.
    std::optional<std::string> narrowText(std::int32_t id) const;
    std::optional<std::u16string> wideText(std::int32_t id) const;
    std::vector<std::int32_t> narrowIds() const;
    std::vector<std::int32_t> wideIds() const;
};

// Nothing when the bytes end early.
std::optional<DecodedBlock> decodeBlock(const std::vector<unsigned char>& bytes, std::size_t start);

}  // namespace tavik::pack::test
