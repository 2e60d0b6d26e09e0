// The error path as child processes end through it.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/win/ChildOutput.h"
#include "tests/win/TestSupport.h"

namespace tavik::test {
namespace {

// A console-mode program whose message 1009 takes an argument.
fs::path packConsoleProgram(const ScratchDir& scratch) {
    const fs::path exe = scratch.path() / "packed.exe";
    writePackedCopy(testExecutable(), exe,
                    BlockBuilder()
                        .header()
                        .uint32(1).uint32(107).narrow("0")
                        .uint32(1).uint32(1009).wide(u"Internal failure {0}.")
                        .uint32(0)
                        .text());
    return exe;
}

std::u16string shortForm(const fs::path& path) {
    wchar_t buffer[MAX_PATH];
    const DWORD length = ::GetShortPathNameW(path.c_str(), buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return path.u16string();
    return std::u16string(buffer, buffer + length);
}

TEST(ErrorPath, FatalMessageNamesTheLogByItsLongPathAndRemovesTheTemporaryDirectory) {
    ScratchDir scratch;
    const fs::path exe = packConsoleProgram(scratch);
    const fs::path base = scratch.path() / "a rather long directory name";
    fs::create_directories(base);
    scratch.write("launcher-tmp/app.jar", "jar");
    scratch.write("launcher-tmp/lib/native.dll", "dll");
    const fs::path launcherTemp = scratch.path() / "launcher-tmp";

    // The base reaches the log in its short form where the file system has one.
    const ChildResult r =
        runScenario(exe, "fatal", {shortForm(base), launcherTemp.u16string(), u"1009", u"11"},
                    {{u"TAVIK_LOG", u"yes"}, {u"RUNWRIGHT_LOG", u""}});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(withoutCarriageReturns(r.err),
              "Internal failure 11.\n\nLog: " + utf8((base / "rwt_nlog_1.log").u16string()) + "\n");
    EXPECT_FALSE(fs::exists(launcherTemp));
    const std::string log = withoutCarriageReturns(readFile(base / "rwt_nlog_1.log"));
    EXPECT_THAT(log, ::testing::HasSubstr("] emptying "));
    EXPECT_THAT(log, ::testing::HasSubstr("] attempting to remove "));
}

TEST(ErrorPath, WithoutALogTheMessageStandsAlone) {
    struct Case {
        const char* name;
        std::vector<std::u16string> arguments;
        const char* shown;
    };
    const Case cases[] = {
        {"with an argument", {u"1009", u"16"}, "Internal failure 16.\n"},
        {"without an argument the placeholder stays", {u"1009"}, "Internal failure {0}.\n"},
        {"message without any text", {u"1015"}, "\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir scratch;
        std::vector<std::u16string> arguments{scratch.path().u16string(), u""};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const ChildResult r = runScenario(packConsoleProgram(scratch), "fatal", arguments,
                                          {{u"TAVIK_LOG", u""}, {u"RUNWRIGHT_LOG", u""}});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(withoutCarriageReturns(r.err), c.shown);
    }
}

// Headless, MessageBoxW fails at once; the error must not be lost with it.
TEST(ErrorPath, MessageBoxFailureFallsBackToStandardError) {
    const ChildResult r = runScenario(testExecutable(), "show-error", {u"Nothing works \u00e4"},
                                      {{u"TAVIK_LOG", u""}, {u"RUNWRIGHT_LOG", u""}});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(withoutCarriageReturns(r.out), "returned\n") << "showError returns";
    if (::GetACP() == 1252) EXPECT_EQ(withoutCarriageReturns(r.err), "Nothing works \xE4\n");
}

TEST(ErrorPath, ExitLauncherEndsWithTheCodeAfterRemovingTheDirectory) {
    ScratchDir scratch;
    scratch.write("launcher-tmp/file.txt", "x");
    const ChildResult removing =
        runScenario(testExecutable(), "exit", {(scratch.path() / "launcher-tmp").u16string(), u"3"});
    EXPECT_EQ(removing.exitCode, 3);
    EXPECT_FALSE(fs::exists(scratch.path() / "launcher-tmp"));

    const ChildResult nothing = runScenario(testExecutable(), "exit", {u"", u"7"});
    EXPECT_EQ(nothing.exitCode, 7);
}

}  // namespace
}  // namespace tavik::test
