#include "launcher/core/JvmSearchRules.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace tavik::jvm {
namespace {

using ::testing::ElementsAre;

MATCHER_P2(IsEntry, type, value, "") { return arg.type == type && arg.value == value; }

TEST(SearchSequence, EntriesKeepOrderAndSkipEmptyOnes) {
    EXPECT_THAT(parseSearchSequence(";B..\\jre;;Y;EJAVA_HOME;A;"),
                ElementsAre(IsEntry('B', "..\\jre"), IsEntry('Y', ""), IsEntry('E', "JAVA_HOME"), IsEntry('A', "")));
    EXPECT_TRUE(parseSearchSequence("").empty());
    EXPECT_TRUE(parseSearchSequence(";;").empty());
}

TEST(SearchSequence, RelaxedPassRetriesBAlwaysAndAOrROnlyWhenRelative) {
    struct Case {
        char type;
        const char* value;
        bool retried;
    };
    const Case cases[] = {
        {'A', "C:\\Java\\jre8", false}, {'B', "C:\\Java\\jre8", true},  {'R', "C:\\Java\\jre8", false},
        {'A', "\\\\server\\jre", false}, {'R', "\\\\server\\jre", false}, {'A', "..\\jre", true},
        {'R', "jre", true},              {'A', "C", true},                {'A', "", true},
        // Rooted without a drive is not absolute here.
        {'A', "\\jre", true},            {'A', "c:jre", false},           {'E', "JAVA_HOME", false},
        {'S', "", false},                {'Y', "", false},                {'X', "jre", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(isRetriedRelaxed({c.type, c.value}), c.retried) << c.type << c.value;
    }
}

TEST(BoundedValues, AValueThatFillsTheBufferCountsAsAbsent) {
    EXPECT_EQ(fittingValue(std::string(5999, 'x'), 6000), std::string(5999, 'x'));
    EXPECT_EQ(fittingValue(std::string(6000, 'x'), 6000), std::nullopt);
    EXPECT_EQ(fittingValue(std::nullopt, 6000), std::nullopt);
    EXPECT_EQ(fittingValue(std::string(), 100), std::string());
}

TEST(RegistryVersions, TriedInDescendingByteOrderWithinTheBounds) {
    const std::vector<std::string> names = {"1.8.0_45", "11.0.2", "17", "9.0.4", "1.8", "1.7.0_80", "abc"};
    EXPECT_THAT(versionKeysInTrialOrder(names, parseVersion("1.8"), {}),
                ElementsAre("9.0.4", "17", "11.0.2", "1.8.0_45", "1.8"));
    // A key named for the minor version stands for all its updates.
    EXPECT_THAT(versionKeysInTrialOrder(names, parseVersion("1.8.0_40"), parseVersion("1.8")),
                ElementsAre("1.8.0_45", "1.8"));
}

TEST(RegistryVersions, CurrentVersionChoice) {
    struct Case {
        std::optional<std::string> jdk;
        std::optional<std::string> jre;
        bool requireJdk;
        CurrentVersionPick pick;
        const char* version;
    };
    const VersionParts minimum = parseVersion("1.8");
    const VersionParts maximum = parseVersion("11");
    const Case cases[] = {
        {"11.0.2", "1.8", false, CurrentVersionPick::Jdk, "11.0.2"},
        {"1.8", "11.0.2", false, CurrentVersionPick::Jre, "11.0.2"},
        // Equal versions go to the JRE.
        {"1.8", "1.8", false, CurrentVersionPick::Jre, "1.8"},
        {std::nullopt, "1.8", false, CurrentVersionPick::Jre, "1.8"},
        {"1.8", std::nullopt, false, CurrentVersionPick::Jdk, "1.8"},
        // Out of range does not count, so the other one is taken.
        {"17", "1.8", false, CurrentVersionPick::Jre, "1.8"},
        {"1.8", "17", false, CurrentVersionPick::Jdk, "1.8"},
        {"17", "1.7", false, CurrentVersionPick::None, ""},
        // With a JDK required the JRE never counts, even when newer.
        {"1.8", "11", true, CurrentVersionPick::Jdk, "1.8"},
        {std::nullopt, "11", true, CurrentVersionPick::None, ""},
        {std::nullopt, std::nullopt, false, CurrentVersionPick::None, ""},
    };
    for (const Case& c : cases) {
        const CurrentVersionChoice choice = chooseCurrentVersion(c.jdk, c.jre, c.requireJdk, minimum, maximum);
        EXPECT_EQ(choice.pick, c.pick) << c.jdk.value_or("-") << " " << c.jre.value_or("-");
        EXPECT_EQ(choice.version, c.version) << c.jdk.value_or("-") << " " << c.jre.value_or("-");
    }
}

TEST(LocatedRuntimes, KeyNamesBecomePathsAndTheRestrictionFilters) {
    EXPECT_EQ(locatedJavaExe("C:/Java/jdk-17/bin/java.exe", false), "C:\\Java\\jdk-17\\bin\\java.exe");
    EXPECT_EQ(locatedJavaExe("C:/Java/jdk-17/bin/java.exe", true), std::nullopt);
    EXPECT_EQ(locatedJavaExe("C:/app/rwt_jres/17/bin/java.exe", true), "C:\\app\\rwt_jres\\17\\bin\\java.exe");
}

TEST(LocatedRuntimes, TiesKeepTheFirstAndTheLocatedRuntime) {
    EXPECT_TRUE(replacesBest("1.8.0_45", ""));
    EXPECT_FALSE(replacesBest("17", "17"));
    EXPECT_TRUE(replacesBest("17.0.1", "17"));
    EXPECT_FALSE(replacesBest("11", "17"));
    EXPECT_FALSE(vendorWins("17", "17"));
    EXPECT_TRUE(vendorWins("17.0.2", "17.0.1"));
    EXPECT_FALSE(vendorWins("11", "17"));
}

TEST(ConfigFiles, FirstLineAsATextModeReadGivesIt) {
    struct Case {
        std::string content;
        std::optional<std::string> line;
    };
    const Case cases[] = {
        {"C:\\Java\\jre\r\nsecond\r\n", "C:\\Java\\jre"},
        {"C:\\Java\\jre", "C:\\Java\\jre"},
        {"jre\r\r\n", "jre"},
        // An empty first line is a line: it names the launcher's directory.
        {"\r\nC:\\Java\\jre", ""},
        {"", std::nullopt},
        {"\x1a" "C:\\Java\\jre", std::nullopt},
        {"jre\x1a" "more\n", "jre"},
    };
    for (const Case& c : cases) EXPECT_EQ(firstConfigLine(c.content), c.line) << c.content;
}

TEST(ConfigFiles, ALongLineIsCutToTheBuffer) {
    const std::string content = std::string(7000, 'x') + "\n";
    EXPECT_EQ(firstConfigLine(content), std::string(5999, 'x'));
    EXPECT_EQ(firstConfigLine("abcdef\n", 4), "abc");
}

}  // namespace
}  // namespace tavik::jvm
