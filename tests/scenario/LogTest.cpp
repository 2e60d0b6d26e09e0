// The diagnostics log and the error display of a packed launcher.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <sstream>

#include "tests/scenario/Scenario.h"

namespace tavik::scenario {
namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(withoutCarriageReturns(text));
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

// A console-mode project that ends in message 1016 (no Java runtime) right after start-up.
const char* const kConsoleProject = R"(
[application]
executable_kind = "console"
flavour = "launcher"
[messages]
1016 = "No runtime here."
)";

TEST(Log, FileHeaderTimeStampsAndLineEndings) {
    Scenario s;
    const auto exe = s.pack(kConsoleProject);
    const RunResult r = s.run(exe, directRun());
    ASSERT_EQ(r.logFile.filename(), "rwt_nlog_1.log");
    const std::string raw = readFile(r.logFile);
    EXPECT_EQ(raw.substr(0, 3), "\xEF\xBB\xBF") << "UTF-8 byte-order mark";
    EXPECT_THAT(r.log, HasSubstr("\r\n")) << "text mode writes CR LF";

    const auto all = lines(r.log);
    ASSERT_GE(all.size(), 3u);
    // ctime text: "Wed Dec  9 23:41:10 2026", then its own newline gives an empty line.
    const std::regex header("Started executable (.*) at [A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9]\\d \\d\\d:\\d\\d:\\d\\d \\d{4}");
    std::smatch match;
    ASSERT_TRUE(std::regex_match(all[0], match, header)) << all[0];
    EXPECT_EQ(match[1].str(), windowsPath(exe));
    EXPECT_EQ(all[1], "");
    const std::regex stamped("\\[\\d+:\\d{1,3}\\] .*");
    for (std::size_t i = 2; i < all.size(); ++i)
        if (!all[i].empty()) {
            EXPECT_TRUE(std::regex_match(all[i], stamped)) << all[i];
        }
}

TEST(Log, NextFreeNumberIsUsed) {
    Scenario s;
    const auto exe = s.pack(kConsoleProject);
    for (int n = 1; n <= 3; ++n) s.writeFile("tmp/rwt_nlog_" + std::to_string(n) + ".log", "older run");
    const RunResult r = s.run(exe, directRun());
    EXPECT_EQ(r.logFile.filename(), "rwt_nlog_4.log");
    EXPECT_EQ(readFile(s.tempDir() / "rwt_nlog_1.log"), "older run");
    EXPECT_THAT(readFile(s.tempDir() / "rwt_nlog_4.log"), HasSubstr("Started executable"));
}

TEST(Log, ErrorLinesCarryTheirPrefix) {
    Scenario s;
    // A two-character flavour text is cut to one character, and the cut is logged.
    const auto exe = s.pack(std::string(kConsoleProject) + "[narrow]\n2001 = \"tt\"\n");
    const RunResult r = s.run(exe, directRun());
    EXPECT_THAT(r.log, ::testing::ContainsRegex("\\[[0-9]+:[0-9]+\\] ERROR: config string 2001 truncated \\(2 2\\)"));
}

TEST(Log, ShownErrorNamesTheLogFile) {
    Scenario s;
    const RunResult r = s.run(s.pack(kConsoleProject), directRun());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(withoutCarriageReturns(r.err),
              "No runtime here.\n\nLog: " + windowsPath(s.tempDir() / "rwt_nlog_1.log") + "\n");
}

TEST(Log, OnlyTheExactWordYesSwitchesItOn) {
    struct Case {
        const char* name;
        const char* tavik;
        const char* runwright;
        bool on;
    };
    const Case cases[] = {
        {"capital letters", "YES", "", false},
        {"other variable", "", "yes", true},
        {"first variable", "yes", "no", true},
        {"trailing blank", "yes ", "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scenario s;
        const auto exe = s.pack(kConsoleProject);
        RunOptions options = directRun();
        options.log = false;
        options.env["TAVIK_LOG"] = c.tavik;
        options.env["RUNWRIGHT_LOG"] = c.runwright;
        const RunResult r = s.run(exe, options);
        EXPECT_EQ(!r.logFile.empty(), c.on);
        if (c.on)
            EXPECT_THAT(r.err, HasSubstr("Log: "));
        else
            EXPECT_THAT(r.err, Not(HasSubstr("Log: ")));
    }
}

TEST(Log, ErrorInAConsoleIsWrittenWithoutNewline) {
    Scenario s;
    const auto exe = s.pack(kConsoleProject);
    RunOptions options = directRun();
    options.log = false;
    options.console = true;
    const RunResult r = s.run(exe, options);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.out, HasSubstr("No runtime here."));
    EXPECT_THAT(r.out, Not(HasSubstr("No runtime here.\n")));
    EXPECT_THAT(r.out, Not(HasSubstr("No runtime here.\r\n")));
    EXPECT_EQ(r.err, "");
}

}  // namespace
}  // namespace tavik::scenario
