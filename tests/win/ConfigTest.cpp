// The configuration store as a copy of the test program reads it from its
// own file, with a hand-made block after its last section.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>

#include "tests/win/ChildOutput.h"
#include "tests/win/TestSupport.h"

namespace tavik::test {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

std::string wideRecord(std::int32_t id, const std::u16string& text) {
    return BlockBuilder().uint32(static_cast<std::uint32_t>(id)).wide(text).text();
}

std::string overrideSet(const std::string& key, std::int32_t id, const std::u16string& text) {
    return BlockBuilder().narrow(key).uint32(1).raw(wideRecord(id, text)).text();
}

// The walk's log lines, from the header fields as the test reads them.
std::vector<std::string> peWalkLines(const std::string& image) {
    const auto field = [&](std::size_t at, int width) {
        std::uint32_t value = 0;
        for (int i = width - 1; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(image.at(at + i));
        return value;
    };
    const std::uint32_t peOffset = field(60, 4);
    const std::uint32_t sections = field(peOffset + 6, 2);
    const std::uint32_t optionalSize = field(peOffset + 20, 2);
    const std::uint32_t lastHeader = peOffset + 24 + optionalSize + 40 * (sections - 1);
    return {"] number of sections: " + std::to_string(sections) + "\n",
            "] size of optional headers: " + std::to_string(optionalSize) + "\n",
            "] resSectionTableStart: " + std::to_string(lastHeader) + "\n",
            "] rawDataSize: " + std::to_string(field(lastHeader + 16, 4)) +
                ", rawDataOffset: " + std::to_string(field(lastHeader + 20, 4)) + "\n"};
}

const std::map<std::u16string, std::u16string> kLogOn = {{u"TAVIK_LOG", u"yes"}, {u"RUNWRIGHT_LOG", u""}};

TEST(Config, ReadsTheBlockAppendedToItsOwnFile) {
    ScratchDir scratch;
    const std::string block = BlockBuilder()
                                  .header()
                                  .uint32(5)
                                  .raw(narrowRecord(2001, "rt") + narrowRecord(107, "5") + narrowRecord(121, "x") +
                                       narrowRecord(121, "a.jar;b.jar") + narrowRecord(1010, "narrow only"))
                                  .uint32(3)
                                  .raw(wideRecord(1000, u"Caption") + wideRecord(1009, u"Failure {0} and {0}") +
                                       wideRecord(20017, u"described"))
                                  .uint32(3)
                                  .raw(overrideSet("", 1000, u"from a set \u03a9") + overrideSet("zz_ZZ", 1000, u"never") +
                                       overrideSet("", 20017, u"later set"))
                                  .text();
    const fs::path exe = scratch.path() / "packed.exe";
    const std::uint64_t blockOffset = writePackedCopy(testExecutable(), exe, block);

    const ChildResult r = runScenario(exe, "config", {scratch.path().u16string()}, kLogOn);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto values = keyValues(r.out);
    EXPECT_EQ(values.at("flavour"), "r");
    EXPECT_EQ(values.at("kind"), "5");
    EXPECT_EQ(values.at("gui"), "1");
    EXPECT_EQ(values.at("archiveStart"), std::to_string(blockOffset + block.size()));
    EXPECT_EQ(values.at("caption"), "from a set \xCE\xA9");
    EXPECT_EQ(values.at("message"), "Failure 16 and {0}");
    EXPECT_EQ(values.at("narrowMessage"), "narrow only");
    EXPECT_EQ(values.at("classPath"), "a.jar;b.jar");
    EXPECT_EQ(values.at("classPathCut"), "a.j");
    EXPECT_EQ(values.at("classPathCopy"), "a.jar;b.jar");
    EXPECT_EQ(values.at("classPathWide"), "a.jar;b.jar");
    EXPECT_EQ(values.at("localized"), "later set");

    const std::string log = childLog(values);
    // The truncation text carries its own "ERROR: " and is logged as a plain line.
    EXPECT_THAT(log, HasSubstr("] ERROR: config string 2001 truncated (2 2)\n"));
    EXPECT_THAT(log, HasSubstr("] ERROR: config string 121 truncated (4 11)\n"));
    EXPECT_THAT(log, Not(HasSubstr("ERROR: ERROR:")));
    for (const std::string& step : peWalkLines(readFile(exe))) EXPECT_THAT(log, HasSubstr(step));
    const auto localeAt = log.find("] language/country is ");
    ASSERT_NE(localeAt, std::string::npos) << log;
    const std::string localeName = log.substr(localeAt + 22, log.find('\n', localeAt) - localeAt - 22);
    EXPECT_EQ(values.at("language"), localeName.substr(0, 2));
    EXPECT_EQ(values.at("country"), localeName.size() == 5 ? localeName.substr(3) : "none");
}

TEST(Config, GuiErrorModeFollowsTheExecutableKind) {
    struct Case {
        const char* name;
        std::string records;
        int recordCount;
        const char* gui;
    };
    const Case cases[] = {
        {"GUI program", narrowRecord(107, "1"), 1, "1"},
        {"kind 5 keeps message boxes", narrowRecord(107, "5"), 1, "1"},
        {"digits before letters", narrowRecord(107, " 1x"), 1, "1"},
        {"console program", narrowRecord(107, "0"), 1, "0"},
        {"service auto start", narrowRecord(107, "4"), 1, "0"},
        {"kind absent", "", 0, "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir scratch;
        const fs::path exe = scratch.path() / "packed.exe";
        writePackedCopy(testExecutable(), exe,
                        BlockBuilder().header().uint32(static_cast<std::uint32_t>(c.recordCount)).raw(c.records).uint32(0).uint32(0).text());
        const ChildResult r = runScenario(exe, "config", {scratch.path().u16string()});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(keyValues(r.out).at("gui"), c.gui);
    }
}

// Before the block is read the GUI error mode is on; with no desktop the
// message box cannot show, and the text reaches standard error instead.
TEST(Config, UnreadableBlocksEndTheProcessWithTheirInternalError) {
    struct Case {
        const char* name;
        std::string block;
        const char* shown;
        const char* logLine;  // regular expression of a line before the error, or ""
    };
    const Case cases[] = {
        {"nothing appended", "", "Internal Error: readInt", "\\] error -?[0-9]+ 0\n\n"},
        {"short integer", BlockBuilder().header().raw(std::string("\x01\x00", 2)).text(), "Internal Error: readInt",
         "\\] error -?[0-9]+ 2\n\n"},
        {"short 64-bit field", BlockBuilder().uint32(0xE8E413D5u).uint32(0).uint32(0).raw("1234").text(),
         "Internal Error: readLong", "\\] error -?[0-9]+\n\n"},
        {"foreign magic", BlockBuilder().uint32(0x12345678).uint32(0).uint32(0).int64(0).text(), "Internal Error: magic", ""},
        {"text longer than the file", BlockBuilder().header().uint32(1).uint32(5).uint32(1000).raw("abc").text(),
         "Internal Error: readString", ""},
        {"wide text longer than the file",
         BlockBuilder().header().uint32(0).uint32(1).uint32(5).uint32(8).raw("ab").text(), "Internal Error: readWString", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir scratch;
        const fs::path exe = scratch.path() / "packed.exe";
        writePackedCopy(testExecutable(), exe, c.block);
        const ChildResult r = runScenario(exe, "config", {scratch.path().u16string()}, kLogOn);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(firstLine(r.err), c.shown);
        const std::string log =
            withoutCarriageReturns(readFile(scratch.path() / "rwt_nlog_1.log").substr(3));
        if (*c.logLine) {
            EXPECT_TRUE(std::regex_search(log, std::regex(c.logLine))) << log;
        } else {
            EXPECT_THAT(log, Not(HasSubstr("] error "))) << log;
        }
    }
}

}  // namespace
}  // namespace tavik::test
