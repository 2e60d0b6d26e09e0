#include "launcher/core/JavaVersion.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>

#include "tests/unit/support/LogRecorder.h"

namespace tavik::jvm {
namespace {

using testsupport::LoggedLine;
using testsupport::takeLoggedLines;

TEST(ParseVersion, ReadsEveryVendorSpelling) {
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    struct Case {
        const char* name;
        std::string_view text;
        VersionParts want;
    };
    const Case cases[] = {
        {"empty text", "", {}},
        {"only separators", ".-_+", {}},
        {"update and build", "1.8.0_45-b14", {1, 8, 0, 45, 0}},
        {"plus build", "11.0.2+9", {11, 0, 2, 9}},
        {"single number", "17", {17}},
        {"separator run is one cut", "17..1", {17, 1}},
        {"leading and trailing separators", ".9.", {9}},
        {"early access tag", "9-ea", {9, 0}},
        {"leading digits of a piece", "12abc.3", {12, 3}},
        {"leading blanks of a piece", "1. 8", {1, 8}},
        {"piece too large is clamped", "1.99999999999", {1, kMax}},
        {"leading zeros", "1.08", {1, 8}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(parseVersion(c.text), c.want);
    }
}

TEST(ParseVersion, AppendsToTheGivenParts) {
    VersionParts parts{7};
    parseVersion("1.8", parts);
    EXPECT_EQ(parts, (VersionParts{7, 1, 8}));
}

TEST(VersionRange, AppliesBothBoundsStrictlyAndKeyNamesLeniently) {
    struct Case {
        const char* minimum;
        const char* maximum;
        const char* version;
        bool strict;   // a runtime's own version
        bool lenient;  // a registry key name
    };
    const Case cases[] = {
        {"1.8.0_45", "", "1.8.0_40", false, false},
        {"1.8.0_45", "", "1.8.0_45", true, true},
        {"1.8.0_45", "", "1.8.0_46", true, true},
        {"1.8.0_45", "", "1.8", false, true},  // a 1.8 key stands for every 1.8 update
        {"1.8.0_45", "", "1.7", false, false},
        {"1.8.0_45", "", "1.9", true, true},
        {"1.8.0_45", "", "11.0.2", true, true},
        {"1.8", "", "1.8.0_45", true, true},
        {"9", "", "1.8.0_292", false, false},
        {"", "1.8", "1.8.0_292", true, true},
        {"", "1.8", "9", false, false},
        {"", "1.8", "11.0.2", false, false},
        {"", "1.8", "1.7.0_80", true, true},
        {"", "1.8.0_45", "1.8.0_46", false, false},
        {"", "1.8.0_45", "1.8", true, true},
        {"", "11", "17", false, false},
        {"1.8", "11", "11.0.2", true, true},
        {"1.8", "11", "12", false, false},
        {"", "", "1.8.0_45", true, true},
        {"", "", "", true, true},
        {"", "", "...", true, true},
        {"17", "17", "17.0.1", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "min " << c.minimum << ", max " << c.maximum << ", version " << c.version);
        const VersionParts minimum = parseVersion(c.minimum);
        const VersionParts maximum = parseVersion(c.maximum);
        EXPECT_EQ(isVersionInRange(c.version, minimum, maximum, true), c.strict);
        EXPECT_EQ(isKeyVersionInRange(c.version, minimum, maximum), c.lenient);
    }
}

TEST(SatisfiesBound, LooksOnlyAsFarAsTheBoundReaches) {
    EXPECT_TRUE(satisfiesBound({1, 8}, {1, 8, 0, 292}, true, false));
    EXPECT_TRUE(satisfiesBound({1, 8}, {1, 8, -5}, false, false));
    EXPECT_FALSE(satisfiesBound({1, 8, 0, 45}, {1, 8}, false, false));
    EXPECT_TRUE(satisfiesBound({1, 8, 0, 45}, {1, 8}, false, true));
    EXPECT_TRUE(satisfiesBound({1, 8, 0, 45}, {1, 8}, true, false));
    EXPECT_TRUE(satisfiesBound({}, {}, false, false));
    EXPECT_FALSE(satisfiesBound({0, 1}, {}, false, false));
}

TEST(VersionRange, PreReleaseFilterIsCoarseAndCaseSensitive) {
    struct Case {
        const char* version;
        bool prerelease;
    };
    const Case cases[] = {
        {"9-ea", true},         {"1.8.0-beta", true},    {"11-rc2", true},
        {"1.8.0_45", false},    {"1.8.0-release", true},  // "release" holds "ea"
        {"17-crc", true},       {"17.0.1-BETA", false},  {"17-EA", false},
        {"", false},
    };
    takeLoggedLines();
    const VersionParts none;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        EXPECT_EQ(isPrerelease(c.version), c.prerelease);
        EXPECT_EQ(isVersionInRange(c.version, none, none, false), !c.prerelease);
        const std::vector<LoggedLine> rejection{{false, u"beta vm not allowed"}};
        EXPECT_EQ(takeLoggedLines(), c.prerelease ? rejection : std::vector<LoggedLine>{});
        EXPECT_TRUE(isVersionInRange(c.version, none, none, true));
        EXPECT_THAT(takeLoggedLines(), testing::IsEmpty());
    }
}

TEST(VersionRange, AllowedPreReleaseStillMeetsTheBounds) {
    EXPECT_FALSE(isVersionInRange("9-ea", {}, parseVersion("1.8"), true));
    EXPECT_TRUE(isVersionInRange("9-ea", parseVersion("9"), {}, true));
}

TEST(IsNewerVersion, IsStrictAndLongerWinsOnEqualPrefix) {
    struct Case {
        const char* a;
        const char* b;
        bool newer;
    };
    const Case cases[] = {
        {"1.8.0", "1.8", true},
        {"1.8", "1.8.0", false},
        {"11.0.2", "11.0.2", false},
        {"17", "11.0.2", true},
        {"11.0.2", "17", false},
        {"9", "1.8.0_292", true},
        {"1.8.0_45", "1.8.0_292", false},
        {"1.8.0_292", "1.8.0_45", true},
        {"1.8", "", true},  // the located-runtime search starts from the empty text
        {"", "", false},
        {"", "1.8", false},
        {"11.0.2+9", "11.0.2", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.a << " vs " << c.b);
        EXPECT_EQ(isNewerVersion(c.a, c.b), c.newer);
    }
}

TEST(VersionRun, ExitCodeDecidesWhatHappensNext) {
    struct Case {
        std::uint32_t exitCode;
        VersionRunEnd want;
    };
    const Case cases[] = {
        {0, VersionRunEnd::ReadOutput},      {1, VersionRunEnd::RecordFailure},
        {258, VersionRunEnd::RecordFailure}, {259, VersionRunEnd::Terminate},
        {260, VersionRunEnd::RecordFailure}, {0xFFFFFFFF, VersionRunEnd::RecordFailure},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.exitCode);
        EXPECT_EQ(versionRunEnd(c.exitCode), c.want);
    }
}

TEST(VersionRun, FirstLineIsReadAsTextModeFgetsReadsIt) {
    const std::string longLine(150, 'x');
    const std::string crlfAtTheLimit = std::string(98, 'y') + "\r\nnext";
    struct Case {
        const char* name;
        std::string output;
        std::optional<std::string> want;
    };
    const Case cases[] = {
        {"no output", "", std::nullopt},
        {"CR LF becomes LF", "java version \"1.8.0_45\"\r\nJava(TM) SE\r\n", "java version \"1.8.0_45\"\n"},
        {"lone CR stays", "a\rb\nc", "a\rb\n"},
        {"no line feed", "abc", "abc"},
        {"blank first line", "\njava version \"1.8\"\n", "\n"},
        {"Ctrl-Z ends the file", "\x1a" "java version \"1.8\"\n", std::nullopt},
        {"Ctrl-Z inside the line", "ab\x1a" "cd\n", "ab"},
        {"long line is cut to 99 bytes", longLine, std::string(99, 'x')},
        {"translation happens before the cut", crlfAtTheLimit, std::string(98, 'y') + "\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(firstOutputLine(c.output), c.want);
    }
}

TEST(VersionRun, VersionComesFromEitherPrefixOnly) {
    struct Case {
        const char* name;
        std::string_view line;
        std::optional<std::string> want;
    };
    const Case cases[] = {
        {"java prefix", "java version \"1.8.0_45\"\n", "1.8.0_45"},
        {"openjdk prefix with a date", "openjdk version \"17.0.1\" 2021-10-19\n", "17.0.1"},
        {"early access", "openjdk version \"21-ea\" 2023-09-19\n", "21-ea"},
        {"empty quotes", "java version \"\"\n", ""},
        {"no closing quote: last two bytes go", "java version \"10.0.1 \n", "10.0.1"},
        {"no closing quote, exactly two bytes", "java version \"ab", ""},
        {"no closing quote, one byte", "java version \"\n", std::nullopt},
        {"nothing after the prefix", "java version \"", std::nullopt},
        {"picked-up options line", "Picked up _JAVA_OPTIONS: -Xmx1g\n", std::nullopt},
        {"prefix without quote", "openjdk version 17.0.1\n", std::nullopt},
        {"leading blank", " java version \"1.8\"\n", std::nullopt},
        {"other letter case", "Java version \"1.8\"\n", std::nullopt},
        {"other vendor wording", "java full version \"1.8.0_45-b14\"\n", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(versionFromOutputLine(c.line), c.want);
    }
}

TEST(VersionRun, OnlyTheFirstLineCounts) {
    const std::string output = "Error: could not open jvm.cfg\r\njava version \"1.8.0_45\"\r\n";
    const std::optional<std::string> line = firstOutputLine(output);
    ASSERT_TRUE(line);
    EXPECT_EQ(versionFromOutputLine(*line), std::nullopt);
}

TEST(VersionCache, KeyNameIsTheNormalisedPathWithForwardSlashes) {
    EXPECT_EQ(versionCacheKey("c:\\program files\\java\\jre1.8.0_45\\bin\\java.exe"),
              "SOFTWARE\\norvale-systems\\tavik\\jvms\\c:/program files/java/jre1.8.0_45/bin/java.exe");
    EXPECT_EQ(versionCacheKey("\\\\server\\share\\bin\\java.exe"),
              "SOFTWARE\\norvale-systems\\tavik\\jvms\\//server/share/bin/java.exe");
}

class VersionCacheRecord : public testing::Test {
protected:
    static constexpr FileTime kFileTime{0x10, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE};
    const std::string storedTime{reinterpret_cast<const char*>(kFileTime.data()), kFileTime.size()};

    std::optional<std::string> versionOf(std::optional<std::string> time, std::optional<std::string> version) const {
        return cachedVersion({std::move(time), std::move(version)}, kFileTime);
    }
};

TEST_F(VersionCacheRecord, IsValidOnlyForTheFileAsItIsNow) {
    std::string otherTime = storedTime;
    otherTime.back() = 0x00;
    EXPECT_EQ(versionOf(storedTime, "1.8.0_45"), "1.8.0_45");
    EXPECT_EQ(versionOf(otherTime, "1.8.0_45"), std::nullopt);
    EXPECT_EQ(versionOf(storedTime.substr(0, 7), "1.8.0_45"), std::nullopt);
    EXPECT_EQ(versionOf(storedTime + '\0', "1.8.0_45"), std::nullopt);
    EXPECT_EQ(versionOf(std::nullopt, "1.8.0_45"), std::nullopt);
    EXPECT_EQ(versionOf(storedTime, std::nullopt), std::nullopt);
}

TEST_F(VersionCacheRecord, TextIsReadUpToItsTerminator) {
    using namespace std::string_literals;
    EXPECT_EQ(versionOf(storedTime, "17.0.1\0"s), "17.0.1");
    EXPECT_EQ(versionOf(storedTime, "11.0.2\0junk"s), "11.0.2");
    EXPECT_EQ(versionOf(storedTime, ""), "");
}

TEST_F(VersionCacheRecord, ShortOldStyleTextsCountAsAbsent) {
    for (const char* text : {"1.7.", "1.6.", "1.5."}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(versionOf(storedTime, text), std::nullopt);
    }
    EXPECT_EQ(versionOf(storedTime, "1.7.0_80"), "1.7.0_80");
    EXPECT_EQ(versionOf(storedTime, "1.4."), "1.4.");
}

TEST_F(VersionCacheRecord, FailedRunIsReadButNotUsed) {
    const std::optional<std::string> cached = versionOf(storedTime, std::string(kFailedRunVersion));
    ASSERT_EQ(cached, "1.0.0");
    EXPECT_FALSE(isUsableCachedVersion(*cached));
    EXPECT_TRUE(isUsableCachedVersion("1.8.0_45"));
    EXPECT_TRUE(isUsableCachedVersion("1.0.0_1"));
}

TEST_F(VersionCacheRecord, TextMustFitTheVersionBufferWithItsTerminator) {
    const std::string fits(kVersionCapacity - 1, '1');
    EXPECT_EQ(versionOf(storedTime, fits), fits);
    EXPECT_EQ(versionOf(storedTime, fits + '\0'), fits);
    EXPECT_EQ(versionOf(storedTime, fits + '2'), std::nullopt);
    EXPECT_EQ(versionOf(storedTime, fits + "2" + '\0'), std::nullopt);
    EXPECT_EQ(versionOf(storedTime, std::string(100000, '9')), std::nullopt);
}

TEST(GuiJavaExe, ReplacesTheExtensionByWExe) {
    EXPECT_EQ(guiJavaExe("c:\\jre\\bin\\java.exe"), "c:\\jre\\bin\\javaw.exe");
    EXPECT_EQ(guiJavaExe(".exe"), "w.exe");
    EXPECT_EQ(guiJavaExe("ab"), "w.exe");
}

}  // namespace
}  // namespace tavik::jvm
