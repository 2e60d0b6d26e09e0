// The diagnostics log as child processes write it: the decision, the file
// and its format are fixed once per process.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <regex>

#include "tests/win/ChildOutput.h"
#include "tests/win/TestSupport.h"

namespace tavik::test {
namespace {

using ::testing::IsEmpty;

// std::regex: gtest's own regular expressions on Windows know no brackets.
bool fullMatch(const std::string& text, const std::string& pattern) {
    return std::regex_match(text, std::regex(pattern));
}

std::map<std::u16string, std::u16string> logSwitches(const char16_t* tavik, const char16_t* runwright) {
    return {{u"TAVIK_LOG", tavik}, {u"RUNWRIGHT_LOG", runwright}};
}

std::vector<std::string> directoryNames(const fs::path& directory) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory)) names.push_back(entry.path().filename().string());
    return names;
}

// The stamped lines of a log, without the header and its empty line.
std::vector<std::string> stampedLines(const std::string& log) {
    auto all = lines(log);
    return {all.begin() + std::min<std::size_t>(2, all.size()), all.end()};
}

TEST(Log, UnicodeFileWithHeaderStampsAndErrorPrefix) {
    ScratchDir scratch;
    const ChildResult r = runScenario(testExecutable(), "log", {scratch.path().u16string()}, logSwitches(u"yes", u""));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto values = keyValues(r.out);
    const fs::path logFile = scratch.path() / "rwt_nlog_1.log";
    EXPECT_EQ(values.at("log"), utf8(logFile.u16string()));
    EXPECT_EQ(values.at("closedBetweenLines"), "1") << "the file stays open between lines";

    const std::string raw = readFile(logFile);
    ASSERT_EQ(raw.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_EQ(std::regex_search(raw, std::regex("[^\r]\n")), false) << "every line ends in CR LF";
    const auto all = lines(raw.substr(3));
    ASSERT_GE(all.size(), 2u);
    // ctime: "Wed Dec  9 23:41:10 2026" and its own newline, hence the empty line.
    EXPECT_TRUE(fullMatch(all[0], "Started executable .* at [A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9][0-9] "
                                  "[0-9]{2}:[0-9]{2}:[0-9]{2} [0-9]{4}"))
        << all[0];
    EXPECT_EQ(all[0].substr(0, all[0].find(" at ")), "Started executable " + utf8(testExecutable().u16string()));
    EXPECT_EQ(all[1], "");

    const std::string stamp = "\\[[0-9]+:[0-9]{1,3}\\] ";
    const auto logged = stampedLines(raw.substr(3));
    ASSERT_EQ(logged.size(), 4u) << raw;
    EXPECT_TRUE(fullMatch(logged[0], stamp + "plain 7")) << logged[0];
    EXPECT_TRUE(fullMatch(logged[1], stamp + "ERROR: failed \xCE\xA9 \xC3\xA4")) << logged[1];
    EXPECT_TRUE(fullMatch(logged[2], stamp + "two")) << logged[2];
    EXPECT_EQ(logged[3], "lines");
}

TEST(Log, OnlyTheExactWordYesInEitherVariableSwitchesItOn) {
    struct Case {
        const char* name;
        const char16_t* tavik;
        const char16_t* runwright;
        bool on;
    };
    const Case cases[] = {
        {"capital letters", u"YES", u"", false},
        {"second variable alone", u"", u"yes", true},
        {"first variable", u"yes", u"no", true},
        {"second variable after a no", u"no", u"yes", true},
        {"trailing blank", u"yes ", u"", false},
        {"neither set", u"", u"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir scratch;
        const ChildResult r =
            runScenario(testExecutable(), "log", {scratch.path().u16string()}, logSwitches(c.tavik, c.runwright));
        ASSERT_EQ(r.exitCode, 0) << r.err;
        if (c.on) {
            EXPECT_EQ(keyValues(r.out).at("log"), utf8((scratch.path() / "rwt_nlog_1.log").u16string()));
        } else {
            EXPECT_EQ(keyValues(r.out).at("log"), "none");
            EXPECT_THAT(directoryNames(scratch.path()), IsEmpty());
        }
    }
}

TEST(Log, TakesTheFirstFreeNumber) {
    ScratchDir scratch;
    for (int n : {1, 2, 3, 5}) scratch.write("rwt_nlog_" + std::to_string(n) + ".log", "older run");
    const ChildResult r = runScenario(testExecutable(), "log", {scratch.path().u16string()}, logSwitches(u"yes", u""));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(keyValues(r.out).at("log"), utf8((scratch.path() / "rwt_nlog_4.log").u16string()));
    EXPECT_EQ(readFile(scratch.path() / "rwt_nlog_1.log"), "older run");
    EXPECT_EQ(readFile(scratch.path() / "rwt_nlog_5.log"), "older run");
}

TEST(Log, LinesOfConcurrentThreadsStayWhole) {
    ScratchDir scratch;
    const ChildResult r =
        runScenario(testExecutable(), "log-threads", {scratch.path().u16string()}, logSwitches(u"yes", u""));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto logged = stampedLines(readFile(scratch.path() / "rwt_nlog_1.log").substr(3));
    const std::regex line("\\[[0-9]+:[0-9]+\\] thread ([0-3]) line ([0-9]+) of a longer text");
    std::map<std::string, int> perThread;
    for (const std::string& text : logged) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(text, match, line)) << text;
        ++perThread[match[1].str()];
    }
    EXPECT_EQ(perThread, (std::map<std::string, int>{{"0", 100}, {"1", 100}, {"2", 100}, {"3", 100}}));
}

}  // namespace
}  // namespace tavik::test
