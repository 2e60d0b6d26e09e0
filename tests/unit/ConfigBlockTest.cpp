#include "launcher/core/ConfigBlock.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>

#include "tests/unit/support/AllocationProbe.h"
#include "tests/support/BlockBuilder.h"

namespace tavik::config {
namespace {

using testsupport::AllocationProbe;
using testsupport::BlockBuilder;
using testsupport::OverrideSet;
using ::testing::ElementsAre;
using ::testing::Pair;

const std::vector<unsigned char> kArchive = {'P', 'K', 3, 4};

BlockReadResult readBytes(const std::vector<unsigned char>& bytes, const std::string& locale = "de_CH") {
    MemoryByteSource source(bytes.data(), bytes.size());
    return readConfigBlock(source, [&] { return locale; });
}

std::string errorText(const BlockReadResult& result) {
    return result.failure ? blockErrorText(result.failure->error) : "none";
}

TEST(ConfigBlock, EmptyTablesLeaveTheArchiveRightAfterTheSetCount) {
    BlockBuilder block;
    block.header().narrowTable({}).wideTable({}).overrideSets({});
    const std::size_t blockSize = block.bytes().size();
    block.raw(kArchive);

    const BlockReadResult result = readBytes(block.bytes());

    ASSERT_FALSE(result.failure) << errorText(result);
    EXPECT_TRUE(result.tables.narrow.empty());
    EXPECT_TRUE(result.tables.wide.empty());
    EXPECT_EQ(blockSize, 32u);
    EXPECT_EQ(result.archiveStart, blockSize);
}

TEST(ConfigBlock, ArchiveStartsAfterTheLastSetWhetherOrNotItMatched) {
    BlockBuilder block;
    block.header().narrowTable({{1, "x"}}).wideTable({{2, u"y"}});
    block.overrideSets({{"fr", {{1000, u"Erreur"}, {1001, u"odd"}}}, {"de", {{1000, u"Fehler"}}}});
    const std::size_t blockSize = block.bytes().size();
    block.raw(kArchive);

    const BlockReadResult result = readBytes(block.bytes(), "fr_FR");

    ASSERT_FALSE(result.failure) << errorText(result);
    EXPECT_EQ(result.archiveStart, blockSize);
    EXPECT_THAT(result.tables.wide, ElementsAre(Pair(2, u"y"), Pair(1000, u"Erreur"), Pair(1001, u"odd")));
}

TEST(ConfigBlock, KeepsTheLaterRecordOfAnIdAndKeepsTheTablesApart) {
    BlockBuilder block;
    block.header()
        .narrowTable({{121, "first"}, {-5, ""}, {121, "second"}, {1000, "narrow caption"}})
        .wideTable({{1000, u"wide caption"}, {7, u"a"}, {7, u"b"}})
        .overrideSets({});

    const BlockReadResult result = readBytes(block.bytes());

    ASSERT_FALSE(result.failure) << errorText(result);
    EXPECT_THAT(result.tables.narrow, ElementsAre(Pair(-5, ""), Pair(121, "second"), Pair(1000, "narrow caption")));
    EXPECT_THAT(result.tables.wide, ElementsAre(Pair(7, u"b"), Pair(1000, u"wide caption")));
}

TEST(ConfigBlock, KeepsBytesAndCodeUnitsAsWritten) {
    // Bytes above 0x7F and code units with both bytes set show sign and byte-order slips.
    const std::string ansi = "caf\xE9 \x80\xFF";
    const std::u16string utf16 = u"\u00E9\u4E2D\uFFFD\U0001F600";
    BlockBuilder block;
    block.header().narrowTable({{1, ansi}}).wideTable({{2, utf16}}).overrideSets({});

    const BlockReadResult result = readBytes(block.bytes());

    ASSERT_FALSE(result.failure) << errorText(result);
    EXPECT_EQ(result.tables.narrow.at(1), ansi);
    EXPECT_EQ(result.tables.wide.at(2), utf16);
}

TEST(ConfigBlock, OddWideLengthDropsTheHalfUnitAndStaysInStep) {
    BlockBuilder block;
    block.header().narrowTable({}).int32(1).int32(5).int32(5).raw({'a', 0, 'b', 0, 'c'});
    block.int32(0).raw(kArchive);

    const BlockReadResult result = readBytes(block.bytes());

    ASSERT_FALSE(result.failure) << errorText(result);
    EXPECT_EQ(result.tables.wide.at(5), u"ab");
    EXPECT_EQ(result.archiveStart, block.bytes().size() - kArchive.size());
}

TEST(ConfigBlock, OverrideSetsApplyByLocalePrefixInFileOrder) {
    const OverrideSet de{"de", {{1000, u"de text"}}};
    const OverrideSet deCh{"de_CH", {{1000, u"de_CH text"}}};
    const OverrideSet everyone{"", {{1000, u"any text"}}};
    const OverrideSet french{"fr", {{1000, u"fr text"}, {1005, u"fr only"}}};
    const OverrideSet longerThanLocale{"de_CH_x", {{1000, u"too specific"}}};
    struct Case {
        const char* name;
        std::vector<OverrideSet> sets;
        std::string locale;
        std::u16string want;
    };
    const Case cases[] = {
        {"specific after general", {de, deCh}, "de_CH", u"de_CH text"},
        {"general after specific", {deCh, de}, "de_CH", u"de text"},
        {"specific key, other country", {deCh}, "de_DE", u"base"},
        {"specific key, bare language", {deCh}, "de", u"base"},
        {"language key, bare language", {de}, "de", u"de text"},
        {"empty key matches all", {everyone}, "ja_JP", u"any text"},
        {"other language skipped", {french, de}, "de_AT", u"de text"},
        {"key longer than locale", {longerThanLocale}, "de_CH", u"base"},
        {"case matters", {OverrideSet{"DE", {{1000, u"upper"}}}}, "de_CH", u"base"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BlockBuilder block;
        block.header().narrowTable({}).wideTable({{1000, u"base"}}).overrideSets(c.sets);

        const BlockReadResult result = readBytes(block.bytes(), c.locale);

        ASSERT_FALSE(result.failure) << errorText(result);
        EXPECT_EQ(result.tables.wide.at(1000), c.want);
        EXPECT_EQ(result.tables.wide.count(1005), 0u);
        EXPECT_EQ(result.localeName, c.locale);
    }
}

TEST(ConfigBlock, OverrideSetMatchesWhenItsKeyPrefixesTheLocale) {
    struct Case {
        std::string key;
        std::string locale;
        bool want;
    };
    const Case cases[] = {
        {"de", "de", true},       {"de", "de_CH", true},     {"de_CH", "de_CH", true},
        {"de_CH", "de", false},   {"", "no_NO_NY", true},    {"", "", true},
        {"d", "de", true},        {"en", "de", false},       {"no_NO", "no_NO_NY", true},
        {std::string("de\0xx", 5), "de_CH", true},  // the key is a zero-terminated text
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("key '" + c.key + "' locale '" + c.locale + "'");
        EXPECT_EQ(overrideSetMatches(c.key, c.locale), c.want);
    }
}

TEST(ConfigBlock, AsksForTheLocaleOnceBetweenTheWideRecordsAndTheSets) {
    BlockBuilder block;
    block.header().narrowTable({{1, "n"}}).wideTable({{2, u"w"}});
    const std::size_t afterWideRecords = block.bytes().size();
    block.overrideSets({{"de", {{2, u"set"}}}});
    MemoryByteSource source(block.bytes().data(), block.bytes().size());
    int calls = 0;
    std::uint64_t positionAtCall = 0;

    const BlockReadResult result = readConfigBlock(source, [&] {
        ++calls;
        positionAtCall = source.position();
        return std::string("de");
    });

    ASSERT_FALSE(result.failure) << errorText(result);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(positionAtCall, afterWideRecords);
    EXPECT_EQ(result.tables.wide.at(2), u"set");
}

TEST(ConfigBlock, WrongMagicFailsBeforeAnythingElseIsRead) {
    BlockBuilder block;
    block.header(0xD513E4E8).narrowTable({{1000, "caption"}}).wideTable({}).overrideSets({});
    MemoryByteSource source(block.bytes().data(), block.bytes().size());
    bool localeAsked = false;

    const BlockReadResult result = readConfigBlock(source, [&] {
        localeAsked = true;
        return std::string("en");
    });

    ASSERT_TRUE(result.failure);
    EXPECT_EQ(result.failure->error, BlockError::Magic);
    EXPECT_STREQ(blockErrorText(result.failure->error), "Internal Error: magic");
    EXPECT_EQ(source.position(), 4u);
    EXPECT_TRUE(result.tables.narrow.empty());
    EXPECT_FALSE(localeAsked);
}

TEST(ConfigBlock, ErrorTextsNameTheFailedRead) {
    const std::pair<BlockError, const char*> cases[] = {
        {BlockError::Magic, "Internal Error: magic"},
        {BlockError::ReadLong, "Internal Error: readLong"},
        {BlockError::ReadInt, "Internal Error: readInt"},
        {BlockError::ReadShort, "Internal Error: readShort"},
        {BlockError::ReadString, "Internal Error: readString"},
        {BlockError::ReadWString, "Internal Error: readWString"},
    };
    for (const auto& [error, text] : cases) EXPECT_STREQ(blockErrorText(error), text);
}

BlockError errorFor(BlockBuilder::Field field) {
    switch (field) {
        case BlockBuilder::Field::Int: return BlockError::ReadInt;
        case BlockBuilder::Field::Long: return BlockError::ReadLong;
        case BlockBuilder::Field::NarrowBytes: return BlockError::ReadString;
        case BlockBuilder::Field::WideBytes: return BlockError::ReadWString;
    }
    return BlockError::Magic;
}

// Every cut inside the block must fail in the field it cuts, keep the records
// that were complete before it, and never report an archive start.
TEST(ConfigBlock, CutAnywhereFailsInTheFieldThatIsCut) {
    BlockBuilder block;
    block.header()
        .narrowTable({{1000, "Fehler"}, {121, "lib/app.jar"}})
        .wideTable({{1005, u"Keine Java"}, {1006, u"Fehlt: {0}"}})
        .overrideSets({{"de", {{1005, u"Kein Java"}}}, {"fr", {{1005, u"Pas de Java"}}}});
    const std::vector<unsigned char>& whole = block.bytes();
    const BlockReadResult complete = readBytes(whole);
    ASSERT_FALSE(complete.failure) << errorText(complete);

    for (const BlockBuilder::Span& span : block.spans()) {
        for (std::size_t cut = span.begin; cut < span.end; ++cut) {
            SCOPED_TRACE("cut at " + std::to_string(cut));
            const std::vector<unsigned char> prefix(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));

            const BlockReadResult result = readBytes(prefix);

            ASSERT_TRUE(result.failure);
            EXPECT_EQ(result.failure->error, errorFor(span.field));
            if (span.field == BlockBuilder::Field::Int || span.field == BlockBuilder::Field::Long) {
                EXPECT_EQ(result.failure->bytesRead, cut - span.begin);
            }
            EXPECT_EQ(result.archiveStart, 0u);
            for (const auto& [id, text] : result.tables.narrow) EXPECT_EQ(text, complete.tables.narrow.at(id));
            EXPECT_LE(result.tables.narrow.size(), complete.tables.narrow.size());
        }
    }
}

TEST(ConfigBlock, CutBlockKeepsTheRecordsReadSoFar) {
    BlockBuilder block;
    block.header().narrowTable({{1000, "Fehler"}, {121, "lib/app.jar"}}).int32(3).int32(1005);

    const BlockReadResult result = readBytes(block.bytes());

    ASSERT_TRUE(result.failure);
    EXPECT_EQ(result.failure->error, BlockError::ReadInt);
    EXPECT_EQ(result.failure->bytesRead, 0u);
    EXPECT_THAT(result.tables.narrow, ElementsAre(Pair(121, "lib/app.jar"), Pair(1000, "Fehler")));
    EXPECT_TRUE(result.tables.wide.empty());
}

// A source whose short reads carry a platform error, as the launcher's file does.
class FailingFileSource : public MemoryByteSource {
public:
    using MemoryByteSource::MemoryByteSource;
    std::uint32_t lastErrorCode() const override { return 38; }
};

TEST(ConfigBlock, ShortIntegerReadReportsBytesAndPlatformError) {
    BlockBuilder block;
    block.header().narrowTable({}).raw({1, 0});
    FailingFileSource source(block.bytes().data(), block.bytes().size());

    const BlockReadResult result = readConfigBlock(source, [] { return std::string("en"); });

    ASSERT_TRUE(result.failure);
    EXPECT_EQ(result.failure->error, BlockError::ReadInt);
    EXPECT_EQ(result.failure->bytesRead, 2u);
    EXPECT_EQ(result.failure->lastErrorCode, 38u);
}

TEST(ConfigBlock, LengthsAndCountsFromTheFileAllocateNothingBig) {
    constexpr std::int32_t kHuge = std::numeric_limits<std::int32_t>::max();
    struct Case {
        const char* name;
        BlockBuilder block;
        BlockError want;
    };
    Case cases[] = {
        {"huge narrow length", BlockBuilder().header().int32(1).int32(1).int32(kHuge).raw({'a', 'b'}),
         BlockError::ReadString},
        {"negative narrow length", BlockBuilder().header().int32(1).int32(1).int32(-1).raw({'a', 'b'}),
         BlockError::ReadString},
        {"narrow length one past the end", BlockBuilder().header().int32(1).int32(1).int32(3).raw({'a', 'b'}),
         BlockError::ReadString},
        {"huge wide length", BlockBuilder().header().narrowTable({}).int32(1).int32(2).int32(kHuge - 1).raw({'a', 0}),
         BlockError::ReadWString},
        {"negative wide length", BlockBuilder().header().narrowTable({}).int32(1).int32(2).int32(-2).raw({'a', 0}),
         BlockError::ReadWString},
        {"most negative wide length",
         BlockBuilder().header().narrowTable({}).int32(1).int32(2).int32(std::numeric_limits<std::int32_t>::min()),
         BlockError::ReadWString},
        {"huge narrow count", BlockBuilder().header().int32(kHuge).int32(1).narrow("a"), BlockError::ReadInt},
        {"huge wide count", BlockBuilder().header().narrowTable({}).int32(kHuge).int32(1).wide(u"a"),
         BlockError::ReadInt},
        {"huge set count", BlockBuilder().header().narrowTable({}).wideTable({}).int32(kHuge).narrow("de"),
         BlockError::ReadInt},
        {"huge set key", BlockBuilder().header().narrowTable({}).wideTable({}).int32(1).int32(kHuge),
         BlockError::ReadString},
        {"huge record count in a skipped set",
         BlockBuilder().header().narrowTable({}).wideTable({}).int32(1).narrow("fr").int32(kHuge).int32(1).int32(kHuge),
         BlockError::ReadWString},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const AllocationProbe probe;

        const BlockReadResult result = readBytes(c.block.bytes());

        ASSERT_TRUE(result.failure);
        EXPECT_EQ(result.failure->error, c.want);
        EXPECT_LT(probe.largest(), 4096u);
    }
}

TEST(ConfigBlock, NegativeCountsMeanNoRecords) {
    BlockBuilder block;
    block.header().int32(-1).int32(std::numeric_limits<std::int32_t>::min()).int32(-7).raw(kArchive);

    const BlockReadResult result = readBytes(block.bytes());

    ASSERT_FALSE(result.failure) << errorText(result);
    EXPECT_TRUE(result.tables.narrow.empty());
    EXPECT_TRUE(result.tables.wide.empty());
    EXPECT_EQ(result.archiveStart, 32u);
}

TEST(ConfigBlock, MemorySourceDeliversWhatRemains) {
    const unsigned char data[] = {1, 2, 3, 4, 5};
    MemoryByteSource source(data, sizeof data);
    unsigned char buffer[8] = {};

    EXPECT_EQ(source.read(buffer, 3), 3u);
    EXPECT_EQ(source.remaining(), 2u);
    EXPECT_EQ(source.read(buffer, 8), 2u);
    EXPECT_EQ(buffer[0], 4);
    EXPECT_EQ(buffer[1], 5);
    EXPECT_EQ(source.read(buffer, 8), 0u);
    EXPECT_EQ(source.position(), 5u);
    EXPECT_EQ(source.remaining(), 0u);
}

}  // namespace
}  // namespace tavik::config
