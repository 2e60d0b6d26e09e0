#include "launcher/core/ArchiveCopy.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/unit/support/AllocationProbe.h"
#include "tests/unit/support/LogRecorder.h"

namespace tavik::archive {
namespace {

using testsupport::AllocationProbe;
using testsupport::LoggedLine;
using testsupport::takeLoggedLines;

std::u16string decimal(std::size_t value) {
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

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

// Hands out at most `perRead` bytes per read, as a pipe or a slow device may.
class TricklingSource : public config::ByteSource {
public:
    TricklingSource(std::string data, std::size_t perRead)
        : data_(std::move(data)), inner_(data_.data(), data_.size()), perRead_(perRead) {}
    std::size_t read(void* destination, std::size_t count) override {
        return inner_.read(destination, std::min(count, perRead_));
    }
    std::uint64_t remaining() const override { return inner_.remaining(); }
    std::uint64_t position() const override { return inner_.position(); }

private:
    std::string data_;
    config::MemoryByteSource inner_;
    std::size_t perRead_;
};

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

// Every start offset within two words and every length up to three words
// and a bit: the word loop, the tail and the bytes around the range.
TEST(ArchiveCopy, UnmaskCoversExactlyTheRangeAtAnyAlignment) {
    constexpr std::size_t kWord = sizeof(std::uintptr_t);
    const std::string plain = pattern(8 * kWord);
    for (std::size_t offset = 0; offset < 2 * kWord; ++offset) {
        for (std::size_t length = 0; length <= 3 * kWord + 1; ++length) {
            SCOPED_TRACE("offset " + std::to_string(offset) + ", length " + std::to_string(length));
            std::string bytes = plain;
            unmask(reinterpret_cast<unsigned char*>(&bytes[offset]), length);
            const std::string want =
                plain.substr(0, offset) + masked(plain.substr(offset, length)) + plain.substr(offset + length);
            ASSERT_EQ(bytes, want);
        }
    }
}

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
        {"odd length below a word", 7, {7}},
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

// Reads that deliver less than asked leave odd-sized pieces in the buffer;
// each must be unmasked whole, and only once.
TEST(ArchiveCopy, ShortReadsAreUnmaskedPieceByPiece) {
    for (const std::size_t perRead : {std::size_t{1}, std::size_t{13}, kCopyChunk - 3}) {
        SCOPED_TRACE("per read " + std::to_string(perRead));
        const std::string plain = pattern(kCopyChunk + 101);
        TricklingSource source(masked(plain) + masked("next"), perRead);
        RecordingOutput output;
        EXPECT_EQ(copyEntryData(source, static_cast<std::int64_t>(plain.size()), output), CopyResult::Copied);
        EXPECT_EQ(output.data, plain);
        EXPECT_EQ(source.position(), plain.size());
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
    output.data.reserve(plain.size());
    const AllocationProbe probe;
    EXPECT_EQ(copyEntryData(source, INT64_MAX, output), CopyResult::ReadError);
    EXPECT_LE(probe.largest(), kCopyChunk);
    EXPECT_EQ(output.data, plain);
    EXPECT_EQ(takeLoggedLines(), (std::vector<LoggedLine>{{true, u"ReadFile failed 0 0 " + decimal(plain.size())}}));
}

// A small entry needs no full-sized buffer.
TEST(ArchiveCopy, BufferIsNoLargerThanTheEntry) {
    const std::string archive = masked(pattern(1000));
    config::MemoryByteSource source(archive.data(), archive.size());
    RecordingOutput output;
    output.data.reserve(1000);
    const AllocationProbe probe;
    EXPECT_EQ(copyEntryData(source, 1000, output), CopyResult::Copied);
    EXPECT_LE(probe.largest(), 1000u);
}

TEST(ArchiveCopy, FailedOrEmptyWriteIsAWriteError) {
    struct Case {
        const char* name;
        RecordingOutput output;
        std::u16string logged;
    };
    Case cases[] = {
        {"fails in the second chunk", RecordingOutput(SIZE_MAX, kCopyChunk + 4), u"WriteFile failed 6 112"},
        {"takes nothing", RecordingOutput(SIZE_MAX, SIZE_MAX, true), u"WriteFile failed " + decimal(kCopyChunk) + u" 112"},
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
