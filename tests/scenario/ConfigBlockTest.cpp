// The configuration block as a packed launcher reads it from its own file.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/scenario/Scenario.h"

namespace tavik::scenario {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

// The first line the launcher printed on standard error.
std::string firstErrorLine(const RunResult& r) {
    const std::string err = withoutCarriageReturns(r.err);
    return err.substr(0, err.find('\n'));
}

// A console-mode block that ends in message 1016 (no Java runtime) after the tables are read:
// `records` is spliced in as the narrow table, followed by `rest`.
std::string consoleBlock(int narrowCount, const std::string& narrowRecords, const std::string& rest) {
    BlockBuilder b;
    b.header().uint32(static_cast<std::uint32_t>(narrowCount + 1)).uint32(107).narrow("0").raw(narrowRecords).raw(rest);
    return b.text();
}

TEST(ConfigBlock, EmptyTablesReadAsAbsentAndTheErrorGoesToStandardError) {
    Scenario s;
    const std::string block = BlockBuilder().header().uint32(0).uint32(0).uint32(0).text();
    const RunResult r = s.run(s.withAppended(block), directRun());
    EXPECT_EQ(r.exitCode, 1);
    // Message 1016 has no text at all: an empty body, then the log reference.
    EXPECT_THAT(withoutCarriageReturns(r.err), StartsWith("\n\nLog: "));
    EXPECT_TRUE(r.hasLine("language/country is en"));
}

TEST(ConfigBlock, LaterRecordOfAnIdWinsAndWideTextBeatsNarrow) {
    struct Case {
        const char* name;
        std::string narrow;
        int narrowCount;
        std::string wide;
        int wideCount;
        const char* shown;
    };
    const auto record = [](std::int32_t id, const std::string& text) {
        return BlockBuilder().uint32(static_cast<std::uint32_t>(id)).narrow(text).text();
    };
    const auto wideRecord = [](std::int32_t id, const std::u16string& text) {
        return BlockBuilder().uint32(static_cast<std::uint32_t>(id)).wide(text).text();
    };
    const Case cases[] = {
        {"narrow duplicates", record(1016, "first") + record(1016, "second"), 2, "", 0, "second"},
        {"wide duplicates", "", 0, wideRecord(1016, u"first") + wideRecord(1016, u"second"), 2, "second"},
        {"wide before narrow", record(1016, "narrow"), 1, wideRecord(1016, u"wide"), 1, "wide"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scenario s;
        const std::string rest = BlockBuilder().uint32(static_cast<std::uint32_t>(c.wideCount)).raw(c.wide).uint32(0).text();
        RunOptions options = directRun();
        options.log = false;
        const RunResult r = s.run(s.withAppended(consoleBlock(c.narrowCount, c.narrow, rest)), options);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(firstErrorLine(r), c.shown);
    }
}

TEST(ConfigBlock, OverrideSetsApplyByLocalePrefixInFileOrder) {
    const auto set = [](const std::string& key, const std::u16string& text) {
        return BlockBuilder().narrow(key).uint32(1).uint32(1016).wide(text).text();
    };
    struct Case {
        const char* name;
        std::string sets;
        int setCount;
        const char* shown;
    };
    const Case cases[] = {
        {"de then de_CH", set("de", u"de text") + set("de_CH", u"de_CH text"), 2, "de_CH text"},
        {"de_CH then de", set("de_CH", u"de_CH text") + set("de", u"de text"), 2, "de text"},
        {"other locales ignored", set("fr", u"fr text") + set("de_AT", u"at text"), 2, "default"},
        {"empty key matches all", set("", u"any text"), 1, "any text"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scenario s;
        const std::string rest =
            BlockBuilder().uint32(1).uint32(1016).wide(u"default").uint32(static_cast<std::uint32_t>(c.setCount)).raw(c.sets).text();
        RunOptions options = directRun();
        options.env["LC_ALL"] = "de_CH.UTF-8";
        const RunResult r = s.run(s.withAppended(consoleBlock(0, "", rest)), options);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(firstErrorLine(r), c.shown);
        EXPECT_TRUE(r.hasLine("language/country is de_CH"));
    }
}

TEST(ConfigBlock, LocaleFollowsTheWindowsUserLanguage) {
    const std::pair<const char*, const char*> cases[] = {
        {"fr_CA.UTF-8", "fr_CA"}, {"de_CH.UTF-8", "de_CH"}, {"ja_JP.UTF-8", "ja_JP"}, {"C.UTF-8", "en_US"}};
    for (const auto& [unixLocale, name] : cases) {
        SCOPED_TRACE(unixLocale);
        Scenario s;
        RunOptions options = directRun();
        options.env["LC_ALL"] = unixLocale;
        const RunResult r = s.run(s.withAppended(consoleBlock(0, "", BlockBuilder().uint32(0).uint32(0).text())), options);
        EXPECT_TRUE(r.hasLine(std::string("language/country is ") + name)) << r.log;
    }
}

TEST(ConfigBlock, ShortOrForeignBlocksEndWithTheirInternalError) {
    const std::string full = BlockBuilder()
                                 .header()
                                 .uint32(1).uint32(101).narrow("svc")
                                 .uint32(1).uint32(1005).wide(u"text")
                                 .uint32(1).narrow("de").uint32(1).uint32(1000).wide(u"Fehler")
                                 .text();
    // Offsets into `full`: header 20 bytes, narrow count at 20, id 24, length 28, bytes 32..35,
    // wide count 35, id 39, length 43, text 47..55, set count 55, key length 59, key 63..65,
    // record count 65, id 69, length 73, text 77..89.
    struct Case {
        const char* name;
        std::size_t keep;
        const char* text;
    };
    const Case cases[] = {
        {"nothing appended", 0, "Internal Error: readInt"},
        {"inside the magic", 2, "Internal Error: readInt"},
        {"inside the 64-bit field", 16, "Internal Error: readLong"},
        {"inside the narrow count", 22, "Internal Error: readInt"},
        {"inside a narrow text", 33, "Internal Error: readString"},
        {"inside a wide id", 41, "Internal Error: readInt"},
        {"inside a wide text", 50, "Internal Error: readWString"},
        {"inside a set key", 64, "Internal Error: readString"},
        {"inside a set's record count", 67, "Internal Error: readInt"},
        {"inside a set's text", 80, "Internal Error: readWString"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scenario s;
        const RunResult r = s.run(s.withAppended(full.substr(0, c.keep)));
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(firstErrorLine(r), c.text);
    }
}

TEST(ConfigBlock, ShortIntegerReadLogsItsByteCount) {
    Scenario s;
    const RunResult r = s.run(s.withAppended(BlockBuilder().header().raw(std::string("\x01\x00", 2)).text()));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.log, ::testing::ContainsRegex("\\] error -?[0-9]+ 2"));
    EXPECT_EQ(firstErrorLine(r), "Internal Error: readInt");
}

TEST(ConfigBlock, ForeignMagicIsRejected) {
    Scenario s;
    const RunResult r = s.run(s.withAppended(BlockBuilder().uint32(0x12345678).uint32(0).uint32(0).int64(0).text()));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(firstErrorLine(r), "Internal Error: magic");
}

TEST(ConfigBlock, PeWalkIsLogged) {
    Scenario s;
    const RunResult r = s.run(s.withAppended(consoleBlock(0, "", BlockBuilder().uint32(0).uint32(0).text())), directRun());
    for (const char* line : {"number of sections: ", "size of optional headers: ", "resSectionTableStart: ",
                             "rawDataSize: "})
        EXPECT_TRUE(r.hasLine(line)) << line << "\n" << r.log;
}

}  // namespace
}  // namespace tavik::scenario
