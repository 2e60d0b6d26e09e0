// The launcher program itself, packed with a block, started as a user would.
#include <gmock/gmock.h>
#include <gtest/gtest.h>


#include "tests/win/ChildOutput.h"
#include "tests/win/TestSupport.h"

namespace tavik::test {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

// A console-mode launcher; `records` adds narrow records to the kind and flavour.
fs::path packLauncher(const fs::path& exe, const std::vector<std::pair<std::int32_t, std::string>>& records = {},
                      const std::string& archive = "") {
    std::string narrow = narrowRecord(107, "0") + narrowRecord(2001, "t");
    for (const auto& [id, text] : records) narrow += narrowRecord(id, text);
    writePackedCopy(fs::path(TAVIK_LAUNCHER_EXE), exe,
                    BlockBuilder()
                        .header()
                        .uint32(static_cast<std::uint32_t>(2 + records.size()))
                        .raw(narrow)
                        .uint32(2)
                        .uint32(1016).wide(u"No Java runtime found.")
                        .uint32(1009).wide(u"Internal failure {0}.")
                        .uint32(0)
                        .text() +
                        archive);
    return exe;
}

struct Launch {
    ChildResult child;
    std::string log;
};

// Runs the launcher with its temporary base (and log) in `base`.
Launch launch(const fs::path& exe, const std::vector<std::u16string>& arguments, const fs::path& base,
              bool logOn = true) {
    fs::create_directories(base);
    const std::u16string basePath = base.u16string();
    Launch l;
    l.child = runChild(exe, arguments,
                       {{u"TAVIK_LOG", logOn ? u"yes" : u""}, {u"RUNWRIGHT_LOG", u""}, {u"TMP", basePath},
                        {u"TEMP", basePath}});
    if (logOn) l.log = withoutCarriageReturns(readFile(base / "rwt_nlog_1.log"));
    return l;
}

std::vector<std::string> directoryNames(const fs::path& directory) {
    std::vector<std::string> names;
    for (const auto& item : fs::directory_iterator(directory)) names.push_back(item.path().filename().string());
    return names;
}

TEST(Launcher, StartsUpAndEndsWithTheNoRuntimeMessage) {
    ScratchDir scratch;
    const fs::path exe = packLauncher(scratch.path() / "app.exe");
    const Launch l = launch(exe, {u"/run", u"two words"}, scratch.path());
    EXPECT_EQ(l.child.exitCode, 1);
    const std::string err = withoutCarriageReturns(l.child.err);
    EXPECT_EQ(firstLine(err), "No Java runtime found.");

    const fs::path logFile = scratch.path() / "rwt_nlog_1.log";
    EXPECT_EQ(err, "No Java runtime found.\n\nLog: " + utf8(logFile.u16string()) + "\n");
    EXPECT_THAT(l.log, HasSubstr("] command line "));
    EXPECT_THAT(l.log, HasSubstr("app.exe"));
    EXPECT_THAT(l.log, HasSubstr("/run \"two words\"\n"));
    EXPECT_THAT(l.log, HasSubstr("] language/country is "));
    EXPECT_THAT(l.log, HasSubstr("] working directory unchanged\n"));
    EXPECT_THAT(l.log, Not(HasSubstr("truncated")));
}

TEST(Launcher, UsageLineGoesToStandardOutput) {
    ScratchDir scratch;
    const fs::path exe = packLauncher(scratch.path() / "my tool.exe");
    for (const char16_t* word : {u"/?", u"-help", u"--?", u"/-help"}) {
        SCOPED_TRACE(utf8(word));
        const Launch l = launch(exe, {word, u"ignored"}, scratch.path() / "base", false);
        EXPECT_EQ(l.child.exitCode, 0);
        EXPECT_EQ(withoutCarriageReturns(l.child.out),
                  "Usage: my tool.exe /install | /uninstall | /stop | /start | /status | /run | /run-redirect\n");
        EXPECT_EQ(l.child.err, "");
    }
}

// The words that control an existing service, on a name that is not
// installed: each talks to the service control manager, prints why it failed
// and ends with exit code 1, without a dispatcher and without extracting.
TEST(Launcher, ServiceCommandWordsReportTheirFailureOnStandardOutput) {
    ScratchDir scratch;
    const fs::path exe = packLauncher(scratch.path() / "app.exe", {{101, "TavikLauncherTestAbsent"}});
    struct Case {
        const char16_t* word;
        const char* out;
    };
    const Case cases[] = {
        {u"/uninstall", "Could not delete service.\n"},
        {u"/stop", "Could not stop service.\n"},
        {u"--start", "Could not start service. Error code: 1060\n"},
        {u"-restart", "Could not start service. Error code: 1060\n"},
        {u"/status", "Could not get status.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(utf8(c.word));
        ScratchDir base;
        const Launch l = launch(exe, {c.word}, base.path());
        EXPECT_EQ(l.child.exitCode, 1);
        EXPECT_EQ(withoutCarriageReturns(l.child.out), c.out);
        EXPECT_EQ(l.child.err, "");
        EXPECT_THAT(l.log, Not(HasSubstr("ERROR:")));
        EXPECT_THAT(l.log, Not(HasSubstr("StartServiceCtrlDispatcher")));
        EXPECT_THAT(l.log, Not(HasSubstr("extracting files")));
    }
}

TEST(Launcher, RunWordsRunTheApplicationInThisProcess) {
    struct Case {
        const char16_t* word;
        const char* logged;
    };
    const Case cases[] = {
        {u"/run", "] running service\n"},
        {u"--run-redirect", "] running service with redirection\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.logged);
        ScratchDir scratch;
        const fs::path exe = packLauncher(scratch.path() / "app.exe", {{2002, "1"}, {2003, "app.jar"}}, archiveEntry("jar"));
        const Launch l = launch(exe, {c.word, u"a", u"b"}, scratch.path() / "base");
        EXPECT_EQ(l.child.exitCode, 1);
        EXPECT_EQ(firstLine(withoutCarriageReturns(l.child.err)), "No Java runtime found.");
        EXPECT_THAT(l.log, HasSubstr(c.logged));
        EXPECT_THAT(l.log, HasSubstr("] extracting files done\n"));
        EXPECT_THAT(l.log, Not(HasSubstr("registering ConsoleCtrlHandler")));
        EXPECT_THAT(l.log, Not(HasSubstr("StartServiceCtrlDispatcher")));
        // The error path removed the temporary directory with its file.
        for (const std::string& name : directoryNames(scratch.path() / "base"))
            EXPECT_THAT(name, Not(HasSubstr("_dir")));
    }
}

TEST(Launcher, RestartMarkerRunsTheApplicationWithTheConsoleHandler) {
    ScratchDir scratch;
    const fs::path exe = packLauncher(scratch.path() / "app.exe");
    const Launch l = launch(exe, {u"Svc", u"/stop", u"__rwt_restart"}, scratch.path() / "base");
    EXPECT_EQ(l.child.exitCode, 1);
    EXPECT_EQ(firstLine(withoutCarriageReturns(l.child.err)), "No Java runtime found.");
    EXPECT_THAT(l.log, HasSubstr("] Included files: 0\n"));
    EXPECT_THAT(l.log, HasSubstr("] registering ConsoleCtrlHandler\n"));
    EXPECT_THAT(l.log, Not(HasSubstr("service control is not available")));
    EXPECT_THAT(l.log, Not(HasSubstr("running service")));
}

// Outside the service control manager the connection fails (under Wine
// after about ten seconds); that is no failure of the program.
TEST(Launcher, WithoutACommandWordTheProcessGoesToTheServiceDispatcher) {
    ScratchDir scratch;
    const fs::path exe = packLauncher(scratch.path() / "app.exe", {{101, "TestService"}});
    const std::vector<std::vector<std::u16string>> commandLines = {{}, {u"/Install", u"Svc"}};
    for (const auto& arguments : commandLines) {
        SCOPED_TRACE(arguments.size());
        ScratchDir base;
        const Launch l = launch(exe, arguments, base.path());
        EXPECT_EQ(l.child.exitCode, 0);
        EXPECT_EQ(l.child.err, "");
        EXPECT_THAT(l.log, HasSubstr("] calling StartServiceCtrlDispatcher\n"));
        EXPECT_THAT(l.log, HasSubstr("] StartServiceCtrlDispatcher failed with error 1063\n"));
        EXPECT_THAT(l.log, HasSubstr("] StartServiceCtrlDispatcher returned\n"));
        EXPECT_THAT(l.log, Not(HasSubstr("extracting files")));
    }
}

TEST(Launcher, WorkingDirectoryIsResolvedAgainstTheLauncherDirectory) {
    ScratchDir scratch;
    fs::create_directories(scratch.path() / "work");
    const fs::path exe = packLauncher(scratch.path() / "app.exe", {{146, "work"}});
    const Launch logged = launch(exe, {u"/run"}, scratch.path() / "base");
    EXPECT_THAT(logged.log, HasSubstr("] change working directory to " + scratch.path().string() + "\\work\n"));

    // Expanding the working directory already settles the temporary base, so a
    // relative base is taken in the directory the launcher started in.
    const fs::path relativeBaseExe =
        packLauncher(scratch.path() / "relative.exe", {{146, "work"}, {2002, "1"}, {2003, "a.txt"}}, archiveEntry("a"));
    const fs::path start = scratch.path() / "start";
    fs::create_directories(start);
    const fs::path previous = fs::current_path();
    fs::current_path(start);
    const ChildResult r = runChild(relativeBaseExe, {u"/run"},
                                   {{u"TAVIK_LOG", u""}, {u"RUNWRIGHT_LOG", u""}, {u"TMP", u"rel-base"},
                                    {u"TEMP", u"rel-base"}});
    fs::current_path(previous);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(fs::is_directory(start / "rel-base")) << r.err;
    EXPECT_FALSE(fs::exists(scratch.path() / "work" / "rel-base"));
}

TEST(Launcher, ExtractionFailuresEndWithCode16AndLeaveNothingBehind) {
    struct Case {
        const char* name;
        std::string count;
        std::string names;
        std::string archive;
        const char* logged;
    };
    const Case cases[] = {
        {"refused name", "2", "a.txt;..\\evil.txt", archiveEntry("a") + archiveEntry("evil"),
         "] ERROR: refusing to extract ..\\evil.txt: "},
        {"archive ends inside an entry", "1", "a.txt", BlockBuilder().int64(50).raw("short").text(),
         "] ERROR: ReadFile failed 0 "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir scratch;
        const fs::path exe =
            packLauncher(scratch.path() / "app.exe", {{2002, c.count}, {2003, c.names}}, c.archive);
        const fs::path base = scratch.path() / "base";
        const Launch l = launch(exe, {u"/run"}, base);
        EXPECT_EQ(l.child.exitCode, 1);
        EXPECT_EQ(firstLine(withoutCarriageReturns(l.child.err)), "Internal failure 16.");
        EXPECT_THAT(l.log, HasSubstr(c.logged));
        EXPECT_FALSE(fs::exists(scratch.path() / "evil.txt"));
        EXPECT_FALSE(fs::exists(base / "evil.txt"));
        for (const std::string& name : directoryNames(base)) EXPECT_THAT(name, Not(HasSubstr("_dir")));
    }
}

}  // namespace
}  // namespace tavik::test
