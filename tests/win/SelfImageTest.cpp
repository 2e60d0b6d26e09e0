#include "launcher/win/image/SelfImage.h"

#include <gtest/gtest.h>

#include "launcher/core/ConfigBlock.h"
#include "tests/win/TestSupport.h"

namespace tavik::test {
namespace {

using image::BlockLocation;
using image::FileByteSource;
using image::locateConfigBlock;

FileByteSource openSource(const fs::path& path) {
    UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw std::runtime_error("cannot open " + path.string());
    return FileByteSource(std::move(file));
}

void putInt(std::string& bytes, std::size_t at, std::uint32_t value, int width = 4) {
    if (bytes.size() < at + width) bytes.resize(at + width, '\0');
    for (int i = 0; i < width; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
}

// Only the fields the walk reads: e_lfanew, the section count, the optional
// header size and the last section header's raw data size and offset.
std::string fakeHeaders(std::uint32_t peOffset, std::uint16_t sections, std::uint16_t optionalSize,
                        std::uint32_t rawSize, std::uint32_t rawOffset) {
    std::string bytes(64, '\0');
    putInt(bytes, 60, peOffset);
    putInt(bytes, peOffset, 0x4550);
    putInt(bytes, peOffset + 6, sections, 2);
    putInt(bytes, peOffset + 20, optionalSize, 2);
    const std::size_t lastHeader = peOffset + 24 + optionalSize + 40u * (sections - 1u);
    putInt(bytes, lastHeader + 16, rawSize);
    putInt(bytes, lastHeader + 20, rawOffset);
    return bytes;
}

TEST(SelfImage, WalksRealExecutablesToTheAppendedBlock) {
    const fs::path executables[] = {testExecutable(), fs::path(TAVIK_LAUNCHER_EXE)};
    const std::string block = BlockBuilder().header().uint32(1).uint32(7).narrow("seven").uint32(0).uint32(0).text();
    for (const fs::path& executable : executables) {
        SCOPED_TRACE(executable.string());
        ScratchDir dir;
        const fs::path copy = dir.path() / "copy.exe";
        const std::uint64_t blockOffset = writePackedCopy(executable, copy, block);
        FileByteSource image = openSource(copy);

        const BlockLocation location = locateConfigBlock(image);
        ASSERT_FALSE(location.failure);
        EXPECT_EQ(location.start, blockOffset);
        EXPECT_EQ(image.position(), blockOffset);
        EXPECT_EQ(image.remaining(), block.size());

        const config::BlockReadResult read = config::readConfigBlock(image, [] { return std::string("en"); });
        ASSERT_FALSE(read.failure);
        EXPECT_EQ(read.tables.narrow.at(7), "seven");
        EXPECT_EQ(read.archiveStart, blockOffset + block.size());
    }
}

TEST(SelfImage, HeaderWalkFailuresNameTheReadThatCameUpShort) {
    struct Case {
        const char* name;
        std::string file;
        config::BlockError error;
        std::uint32_t bytesRead;
        std::uint32_t lastError;  // 0: not checked
    };
    const Case cases[] = {
        {"file ends inside e_lfanew", std::string(62, '\0'), config::BlockError::ReadInt, 2, 0},
        {"signature beyond the end", fakeHeaders(64, 1, 0, 0, 0).substr(0, 64) + std::string(4, '\0'),
         config::BlockError::ReadShort, 0, 0},
        {"section table cut short", fakeHeaders(64, 3, 16, 10, 20).substr(0, 64 + 24 + 16 + 80 + 18),
         config::BlockError::ReadInt, 2, 0},
        {"e_lfanew past 2 GiB", fakeHeaders(64, 1, 0, 0, 0).replace(60, 4, "\x00\x00\x00\x80", 4),
         config::BlockError::ReadShort, 0, ERROR_NEGATIVE_SEEK},
        {"block past 2 GiB", fakeHeaders(64, 1, 0, 0x7FFFFFF0, 0x20), config::BlockError::ReadInt, 0,
         ERROR_NEGATIVE_SEEK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        const fs::path path = dir.write("image.bin", c.file);
        FileByteSource image = openSource(path);
        const BlockLocation location = locateConfigBlock(image);
        ASSERT_TRUE(location.failure);
        EXPECT_EQ(location.failure->error, c.error);
        EXPECT_EQ(location.failure->bytesRead, c.bytesRead);
        if (c.lastError != 0) EXPECT_EQ(location.failure->lastErrorCode, c.lastError);
    }
}

TEST(SelfImage, BlockStartIsTheLastSectionsRawDataEnd) {
    // Two sections after a 16-byte optional header: the last header sits 40
    // bytes after the first, and only its fields count.
    std::string file = fakeHeaders(128, 2, 16, 100, 512);
    putInt(file, 128 + 24 + 16 + 16, 999);  // the first section's fields
    putInt(file, 128 + 24 + 16 + 20, 999);
    file.resize(700, 'x');
    ScratchDir dir;
    FileByteSource image = openSource(dir.write("image.bin", file));
    const BlockLocation location = locateConfigBlock(image);
    ASSERT_FALSE(location.failure);
    EXPECT_EQ(location.start, 612u);
    EXPECT_EQ(image.remaining(), 88u);
}

TEST(SelfImage, FileSourceDeliversWhatIsThereAndTracksThePosition) {
    ScratchDir dir;
    FileByteSource image = openSource(dir.write("data.bin", "abcdef"));
    char buffer[8] = {};
    EXPECT_EQ(image.read(buffer, 4), 4u);
    EXPECT_EQ(std::string(buffer, 4), "abcd");
    EXPECT_EQ(image.position(), 4u);
    EXPECT_EQ(image.remaining(), 2u);
    EXPECT_EQ(image.read(buffer, 4), 2u);
    EXPECT_EQ(std::string(buffer, 2), "ef");
    EXPECT_EQ(image.remaining(), 0u);
    EXPECT_EQ(image.read(buffer, 4), 0u);
    ASSERT_TRUE(image.seek(1));
    EXPECT_EQ(image.read(buffer, 1), 1u);
    EXPECT_EQ(buffer[0], 'b');
}

}  // namespace
}  // namespace tavik::test
