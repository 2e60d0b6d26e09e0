#include "launcher/core/BlockLocation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavik::pe {
namespace {

void putInt(std::vector<unsigned char>& bytes, std::size_t at, std::uint32_t value, int width = 4) {
    if (bytes.size() < at + width) bytes.resize(at + width, 0);
    for (int i = 0; i < width; ++i) bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

// Only what the walk reads: e_lfanew, the section count, the optional
// header's size, and every section header's raw data size and offset.
struct Headers {
    std::uint32_t peOffset = 0x80;
    std::uint16_t optionalSize = 0xF0;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> sections = {{0x200, 0x400}, {0x600, 0x80}};

    std::vector<unsigned char> bytes() const {
        std::vector<unsigned char> image(64, 0);
        putInt(image, 60, peOffset);
        putInt(image, peOffset + 6, static_cast<std::uint32_t>(sections.size()), 2);
        putInt(image, peOffset + 20, optionalSize, 2);
        for (std::size_t i = 0; i < sections.size(); ++i) {
            const std::size_t header = peOffset + 24 + optionalSize + 40 * i;
            putInt(image, header + 16, sections[i].second);
            putInt(image, header + 20, sections[i].first);
        }
        return image;
    }
};

HeaderWalk walk(const std::vector<unsigned char>& image) { return walkHeaders(image.data(), image.size()); }

TEST(BlockLocation, GivesTheNumbersTheLauncherLogsAndTheBlockStart) {
    Headers pe32;
    pe32.peOffset = 0x100;
    pe32.optionalSize = 0xE0;
    pe32.sections = {{0x400, 0x200}, {0x600, 0x40}, {0x800, 0x10}};
    Headers lastIsNotHighest;  // the last header counts, not the highest offset
    lastIsNotHighest.sections = {{0x900, 0x100}, {0x300, 0x20}};
    struct Case {
        const char* name;
        Headers headers;
        std::uint16_t sectionCount;
        std::int64_t lastSectionHeader;
        std::uint64_t blockStart;
    };
    const Case cases[] = {
        {"PE32+ image", Headers{}, 2, 0x80 + 24 + 0xF0 + 40, 0x680},
        {"PE32 image", pe32, 3, 0x100 + 24 + 0xE0 + 80, 0x810},
        {"earlier section further out", lastIsNotHighest, 2, 0x80 + 24 + 0xF0 + 40, 0x320},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const HeaderWalk w = walk(c.headers.bytes());
        ASSERT_FALSE(w.failure);
        EXPECT_EQ(w.peOffset, c.headers.peOffset);
        EXPECT_EQ(w.sectionCount, c.sectionCount);
        EXPECT_EQ(w.optionalHeaderSize, c.headers.optionalSize);
        EXPECT_EQ(w.lastSectionHeader(), c.lastSectionHeader);
        EXPECT_EQ(w.rawDataSize, c.headers.sections.back().second);
        EXPECT_EQ(w.rawDataOffset, c.headers.sections.back().first);
        EXPECT_EQ(w.blockStart(), c.blockStart);
    }
}

// Without sections the "last header" lies before the table and the walk
// reads whatever is there, as the launcher does.
TEST(BlockLocation, NoSectionsReadsBeforeTheTable) {
    Headers none;
    none.sections.clear();
    std::vector<unsigned char> image = none.bytes();
    const std::size_t lastHeader = 0x80 + 24 + 0xF0 - 40;
    putInt(image, lastHeader + 16, 7);
    putInt(image, lastHeader + 20, 9);
    const HeaderWalk w = walk(image);
    ASSERT_FALSE(w.failure);
    EXPECT_EQ(w.lastSectionHeader(), static_cast<std::int64_t>(lastHeader));
    EXPECT_EQ(w.blockStart(), 16u);
}

TEST(BlockLocation, StopsAtTheFirstShortReadAndKeepsWhatItRead) {
    const std::vector<unsigned char> full = Headers{}.bytes();
    const std::size_t lastHeader = 0x80 + 24 + 0xF0 + 40;
    struct Case {
        const char* name;
        std::size_t size;
        config::BlockError error;
        std::uint32_t bytesRead;
        int fieldsRead;  // of peOffset, sectionCount, optionalHeaderSize, rawDataSize
    };
    const Case cases[] = {
        {"empty", 0, config::BlockError::ReadInt, 0, 0},
        {"inside e_lfanew", 62, config::BlockError::ReadInt, 2, 0},
        {"before the section count", 0x80 + 6, config::BlockError::ReadShort, 0, 1},
        {"inside the optional header size", 0x80 + 21, config::BlockError::ReadShort, 1, 2},
        {"inside the raw data size", lastHeader + 18, config::BlockError::ReadInt, 2, 3},
        {"inside the raw data offset", lastHeader + 23, config::BlockError::ReadInt, 3, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const HeaderWalk w = walkHeaders(full.data(), c.size);
        ASSERT_TRUE(w.failure);
        EXPECT_EQ(w.failure->error, c.error);
        EXPECT_EQ(w.failure->bytesRead, c.bytesRead);
        EXPECT_EQ(w.peOffset.has_value(), c.fieldsRead >= 1);
        EXPECT_EQ(w.sectionCount.has_value(), c.fieldsRead >= 2);
        EXPECT_EQ(w.optionalHeaderSize.has_value(), c.fieldsRead >= 3);
        EXPECT_EQ(w.rawDataSize.has_value(), c.fieldsRead >= 4);
        EXPECT_FALSE(w.rawDataOffset);
    }
}

}  // namespace
}  // namespace tavik::pe
