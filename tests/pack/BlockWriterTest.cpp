#include "tools/pack/BlockWriter.h"

#include <gtest/gtest.h>

namespace tavik::pack {
namespace {

TEST(BlockWriter, WritesTheExactByteFormat) {
    PackInput input;
    input.narrow = {{122, "A", {}}, {-2, "", {}}};
    input.wide = {{1000, u"\u00c9", {}}};
    input.sets = {{"de", {{1000, u"F", {}}}, {}}, {"", {}, {}}};
    const std::vector<unsigned char> want = {
        0xD5, 0x13, 0xE4, 0xE8,                          // magic
        0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // two skipped 32-bit fields
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // skipped 64-bit field
        0x02, 0x00, 0x00, 0x00,                          // narrow count
        0x7A, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 'A',
        0xFE, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00,  // id -2, empty text
        0x01, 0x00, 0x00, 0x00,                          // wide count
        0xE8, 0x03, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0xC9, 0x00,
        0x02, 0x00, 0x00, 0x00,                          // set count
        0x02, 0x00, 0x00, 0x00, 'd', 'e', 0x01, 0x00, 0x00, 0x00,
        0xE8, 0x03, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 'F', 0x00,
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // empty key, no records
    };
    EXPECT_EQ(writeConfigBlock(input), want);
}

TEST(BlockWriter, EmptyInputIsHeaderAndThreeZeroCounts) {
    const auto block = writeConfigBlock(PackInput{});
    ASSERT_EQ(block.size(), 32u);
    EXPECT_EQ(std::vector<unsigned char>(block.begin() + 20, block.end()), std::vector<unsigned char>(12, 0));
}

TEST(BlockWriter, WideTextIsLittleEndianUtf16) {
    PackInput input;
    input.wide = {{7, u"\u4e2d\xD83D\xDE00", {}}};
    const auto block = writeConfigBlock(input);
    const std::vector<unsigned char> record(block.begin() + 28, block.begin() + 28 + 14);
    const std::vector<unsigned char> want = {0x07, 0, 0, 0, 0x06, 0, 0, 0, 0x2D, 0x4E, 0x3D, 0xD8, 0x00, 0xDE};
    EXPECT_EQ(record, want);
}

}  // namespace
}  // namespace tavik::pack
