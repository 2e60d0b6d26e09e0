#include "launcher/core/LogFormat.h"

#include <gtest/gtest.h>

#include <set>

#include "launcher/core/Log.h"
#include "tests/unit/support/LogRecorder.h"

namespace tavik::logformat {
namespace {

std::string narrow(const std::u16string& s) { return std::string(s.begin(), s.end()); }

TEST(LogFormat, LoggingNeedsExactlyYesInEitherVariable) {
    const std::optional<std::string> unset;
    struct Case {
        const char* name;
        std::optional<std::string> tavik;
        std::optional<std::string> runwright;
        bool want;
    };
    const Case cases[] = {
        {"neither", unset, unset, false},
        {"tavik yes", "yes", unset, true},
        {"runwright yes", unset, "yes", true},
        {"capitals", "YES", unset, false},
        {"trailing blank", "yes ", unset, false},
        {"other value then yes", "no", "yes", true},
        {"empty", "", "", false},
        {"other truthy spellings", "1", "true", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(loggingRequested(c.tavik, c.runwright), c.want);
    }
}

TEST(LogFormat, TimeStampShowsSecondsAndMillisecondsSinceStart) {
    constexpr std::uint64_t kStart = 13'370'000'000'123ULL;
    struct Case {
        const char* name;
        std::uint64_t now;
        std::uint64_t start;
        const char* want;
    };
    const Case cases[] = {
        {"at start", kStart, kStart, "[0:0] "},
        {"milliseconds without leading zeros", kStart + 61005, kStart, "[61:5] "},
        {"just under a second", kStart + 999, kStart, "[0:999] "},
        {"whole seconds", kStart + 120000, kStart, "[120:0] "},
        {"low word wraps", 0x1'0000'0100ULL, 0xFFFF'FF00ULL, "[0:512] "},
        {"low word changes sign", 0x8000'0010ULL, 0x7FFF'FFF0ULL, "[0:32] "},
        {"high words ignored", 0x7'0000'03F2ULL, 0x5'0000'000AULL, "[1:0] "},
        {"clock set back", kStart, kStart + 1500, "[-1:-500] "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(narrow(timeStamp(c.now, c.start)), c.want);
    }
}

TEST(LogFormat, DirectoryEndsInOneSeparator) {
    struct Case {
        std::u16string base;
        const char* want;
    };
    const Case cases[] = {
        {u"", "c:\\"},
        {u"C:\\Users\\a\\AppData\\Local\\Temp", "C:\\Users\\a\\AppData\\Local\\Temp\\"},
        {u"C:\\Temp\\", "C:\\Temp\\"},
        {u"C:/Temp/", "C:/Temp/"},
        {u"C:/Temp", "C:/Temp\\"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.want);
        EXPECT_EQ(narrow(logDirectory(c.base)), c.want);
    }
}

std::u16string logName(int number) {
    const std::string digits = std::to_string(number);
    return u"C:\\Temp\\rwt_nlog_" + std::u16string(digits.begin(), digits.end()) + u".log";
}

std::set<std::u16string> logNames(int first, int last) {
    std::set<std::u16string> names;
    for (int n = first; n <= last; ++n) names.insert(logName(n));
    return names;
}

TEST(LogFormat, LogFileTakesTheFirstFreeNumberUpTo1000) {
    struct Case {
        const char* name;
        std::set<std::u16string> existing;
        int want;
    };
    const Case cases[] = {
        {"none", {}, 1},
        {"1 to 3", logNames(1, 3), 4},
        {"gap", {logName(1), logName(3)}, 2},
        {"all up to 999", logNames(1, 999), 1000},
        {"all up to 1000", logNames(1, 1000), 1000},
        {"beyond 1000 too", logNames(1, 1005), 1000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int queries = 0;
        const std::u16string chosen = chooseLogFile(u"C:\\Temp\\", [&](const std::u16string& name) {
            ++queries;
            return c.existing.count(name) != 0;
        });
        EXPECT_EQ(narrow(chosen), narrow(logName(c.want)));
        EXPECT_LE(queries, 1000);
    }
}

TEST(LogFrontEnd, FormatsOnlyWhileLoggingIsOn) {
    testsupport::takeLoggedLines();
    log::logLine(u"number of sections: %d", 5);
    log::logError(u"config string %d truncated (%d %d)", 2001, 2, 5);
    testsupport::setLoggingActive(false);
    log::logLine(u"dropped %s", u"x");
    testsupport::setLoggingActive(true);

    const std::vector<testsupport::LoggedLine> want = {
        {false, u"number of sections: 5"},
        {true, u"config string 2001 truncated (2 5)"},
    };
    EXPECT_EQ(testsupport::takeLoggedLines(), want);
}

}  // namespace
}  // namespace tavik::logformat
