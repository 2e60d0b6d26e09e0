#include "launcher/core/ArchiveCopy.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/unit/support/LogRecorder.h"

namespace tavik::archive {
namespace {

using testsupport::LoggedLine;
using testsupport::takeLoggedLines;

std::string masked(const std::string& plain) {
    std::string bytes = plain;
    for (char& c : bytes) c = static_cast<char>(static_cast<unsigned char>(c) ^ kByteMask);
    return bytes;
}

std::string pattern(std::size_t size) {
    std::string text(size, '\0');
    for (std::size_t i = 0; i < size; ++i) text[i] = static_cast<char>(i * 7 + i / 251);
    return text;
}

// Takes at most `perCall` bytes per write and fails from byte `failAt` on.
class RecordingOutput : public EntryOutput {
public:
    explicit RecordingOutput(std::size_t perCall = SIZE_MAX, std::size_t failAt = SIZE_MAX, bool takeNothing = false)
        : perCall_(perCall), failAt_(failAt), takeNothing_(takeNothing) {}

    bool write(const unsigned char* bytes, std::size_t count, std::size_t& written) override {
        chunkSizes.push_back(count);
        if (data.size() >= failAt_) return false;
        written = takeNothing_ ? 0 : std::min({count, perCall_, failAt_ - data.size()});
        data.append(reinterpret_cast<const char*>(bytes), written);
        return true;
    }
    std::uint32_t lastErrorCode() const override { return 112; }

    std::string data;
    std::vector<std::size_t> chunkSizes;

private:
    std::size_t perCall_;
    std::size_t failAt_;
    bool takeNothing_;
};

TEST(ArchiveCopy, UnmasksExactlyTheEntryInBoundedChunks) {
    struct Case {
        const char* name;
        std::size_t size;
        std::vector<std::size_t> chunks;
    };
    const Case cases[] = {
        {"one byte", 1, {1}},
        {"one full chunk", kCopyChunk, {kCopyChunk}},
        {"two chunks and a rest", 2 * kCopyChunk + 5, {kCopyChunk, kCopyChunk, 5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string plain = pattern(c.size);
        const std::string archive = masked(plain) + masked("next entry");
        config::MemoryByteSource source(archive.data(), archive.size());
        RecordingOutput output;
        EXPECT_EQ(copyEntryData(source, static_cast<std::int64_t>(c.size), output), CopyResult::Copied);
        EXPECT_EQ(output.data, plain);
        EXPECT_EQ(output.chunkSizes, c.chunks);
        EXPECT_EQ(source.position(), c.size) << "the next entry is left unread";
        EXPECT_TRUE(takeLoggedLines().empty());
    }
}

TEST(ArchiveCopy, ZeroOrNegativeSizeCopiesNothing) {
    const std::string archive = masked("data");
    for (const std::int64_t size : {std::int64_t{0}, std::int64_t{-5}}) {
        config::MemoryByteSource source(archive.data(), archive.size());
        RecordingOutput output;
        EXPECT_EQ(copyEntryData(source, size, output), CopyResult::Copied);
        EXPECT_TRUE(output.chunkSizes.empty());
        EXPECT_EQ(source.position(), 0u);
    }
}

TEST(ArchiveCopy, PartialWritesAreRepeatedUntilTheChunkIsWritten) {
    const std::string plain = pattern(100);
    const std::string archive = masked(plain);
    config::MemoryByteSource source(archive.data(), archive.size());
    RecordingOutput output(30);
    EXPECT_EQ(copyEntryData(source, 100, output), CopyResult::Copied);
    EXPECT_EQ(output.data, plain);
    EXPECT_EQ(output.chunkSizes, (std::vector<std::size_t>{100, 70, 40, 10}));
}

// A size far beyond the data, as a damaged file would give: no allocation
// for it, the copy ends with the data.
TEST(ArchiveCopy, DataEndingBeforeTheSizeIsAReadError) {
    const std::string plain = pattern(kCopyChunk + 10);
    const std::string archive = masked(plain);
    config::MemoryByteSource source(archive.data(), archive.size());
    RecordingOutput output;
    EXPECT_EQ(copyEntryData(source, INT64_MAX, output), CopyResult::ReadError);
    EXPECT_EQ(output.data, plain);
    EXPECT_EQ(takeLoggedLines(), (std::vector<LoggedLine>{{true, u"ReadFile failed 0 0 6010"}}));
}

TEST(ArchiveCopy, FailedOrEmptyWriteIsAWriteError) {
    struct Case {
        const char* name;
        RecordingOutput output;
        std::u16string logged;
    };
    Case cases[] = {
        {"fails in the second chunk", RecordingOutput(SIZE_MAX, kCopyChunk + 4), u"WriteFile failed 6 112"},
        {"takes nothing", RecordingOutput(SIZE_MAX, SIZE_MAX, true), u"WriteFile failed 6000 112"},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string archive = masked(pattern(kCopyChunk + 10));
        config::MemoryByteSource source(archive.data(), archive.size());
        EXPECT_EQ(copyEntryData(source, kCopyChunk + 10, c.output), CopyResult::WriteError);
        EXPECT_EQ(takeLoggedLines(), (std::vector<LoggedLine>{{true, c.logged}}));
    }
}

}  // namespace
}  // namespace tavik::archive
