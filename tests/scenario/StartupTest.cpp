// Start-up of a packed launcher: command words, the temporary base, and the
// extraction of its files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/scenario/Scenario.h"
#include "tests/support/BlockBuilder.h"

namespace tavik::scenario {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

const char* const kProject = R"(
[application]
executable_kind = "console"
working_directory = "."
[messages]
1016 = "no runtime"
1009 = "internal {0}"
)";

TEST(CommandWords, EverySpellingReachesItsAction) {
    const char* const usage = "Usage: app.exe /install | /uninstall | /stop | /start | /status | /run | /run-redirect\n";
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        const char* logLine;  // a line the action writes; nullptr: none expected
        std::string out;
    };
    const Case cases[] = {
        {{"/?"}, 0, nullptr, usage},
        {{"-help"}, 0, nullptr, usage},
        {{"--help"}, 0, nullptr, usage},
        {{"/-?"}, 0, nullptr, usage},
        {{"/run", "a", "b"}, 1, "running service", ""},
        {{"--run"}, 1, "running service", ""},
        {{"-run-redirect"}, 1, "running service with redirection", ""},
        {{"x", "y", "__rwt_restart"}, 1, "registering ConsoleCtrlHandler", ""},
        // Services of these names are not installed.
        {{"--stop", "TavikStartupAbsent"}, 1, nullptr, "Could not stop service.\n"},
        {{"/-status", "TavikStartupAbsent"}, 1, nullptr, "Could not get status.\n"},
    };
    Scenario s;
    const auto exe = s.pack(kProject);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.front());
        RunOptions options;
        options.arguments = c.args;
        const RunResult r = s.run(exe, options);
        EXPECT_EQ(r.exitCode, c.exitCode);
        EXPECT_EQ(withoutCarriageReturns(r.out), c.out);
        if (c.logLine) {
            EXPECT_TRUE(r.hasLine(c.logLine)) << r.log;
        }
        EXPECT_FALSE(r.hasLine("calling StartServiceCtrlDispatcher"));
    }
}

TEST(CommandWords, OtherWordsGoToTheServiceDispatcher) {
    Scenario s;
    const auto exe = s.pack(kProject);
    for (const std::vector<std::string>& args : {std::vector<std::string>{}, {"/Install", "Svc"}}) {
        SCOPED_TRACE(args.empty() ? "no arguments" : args.front());
        RunOptions options;
        options.arguments = args;
        const RunResult r = s.run(exe, options);
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_TRUE(r.hasLine("calling StartServiceCtrlDispatcher"));
        EXPECT_TRUE(r.hasLine("StartServiceCtrlDispatcher failed with error 1063")) << r.log;
        EXPECT_TRUE(r.hasLine("StartServiceCtrlDispatcher returned"));
        EXPECT_EQ(r.err, "");
    }
}

TEST(LauncherPath, DirectoryOutsideTheAnsiCodePageGetsARepresentableForm) {
    Scenario s;
    const auto packed = s.pack(kProject);
    const fs::path dir = s.dir() / "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82";  // Cyrillic "Privet"
    fs::create_directories(dir);
    fs::copy_file(packed, dir / "app.exe");
    RunOptions options = directRun();
    options.env["LC_ALL"] = "en_US.UTF-8";
    const RunResult r = s.run(dir / "app.exe", options);
    const std::string prefix = "change working directory to ";
    const auto at = r.log.find(prefix);
    ASSERT_NE(at, std::string::npos) << "exit code " << r.exitCode << "\nstderr: " << r.err << "\nlog: " << r.log;
    const std::string line = r.log.substr(at + prefix.size(), r.log.find('\r', at) - at - prefix.size());
    EXPECT_EQ(line.find('?'), std::string::npos) << line;
    EXPECT_TRUE(std::all_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        << line;
    EXPECT_THAT(line, ::testing::EndsWith("\\."));
}

TEST(TemporaryBase, CandidatesAreTriedInOrder) {
    Scenario s;
    s.writeFile("a.txt", "alpha");
    const auto exe = s.pack(std::string(kProject) + "[files]\nembed = [\"a.txt\"]\n");
    const fs::path notADirectory = s.writeFile("tmp-is-a-file", "x");
    const fs::path profile = s.dir() / "profile";
    fs::create_directories(profile / "AppData/Local/Temp");
    const fs::path unicodeTemp = s.dir() / "temp-\xD0\x96";  // Cyrillic Zhe
    fs::create_directories(unicodeTemp);

    struct Case {
        const char* name;
        fs::path tmp;
        bool withProfile;
        std::string base;     // the 8-bit base the launcher settles on
        fs::path logDir;      // where the UTF-16 walk puts the log
    };
    const Case cases[] = {
        {"unwritable TMP: the profile's temp", notADirectory, true,
         windowsPath(profile) + "\\AppData\\Local\\Temp", profile / "AppData/Local/Temp"},
        {"no profile either: the home directory", notADirectory, false, "C:\\users\\root",
         winePrefix() / "drive_c/users/root"},
        {"TMP outside the ANSI code page", unicodeTemp, true, windowsPath(profile) + "\\AppData\\Local\\Temp",
         unicodeTemp},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RunOptions options = directRun();
        options.env["LC_ALL"] = "en_US.UTF-8";
        options.winEnv["TMP"] = windowsPath(c.tmp);
        options.winEnv["TEMP"] = windowsPath(c.tmp);
        options.winEnv["USERPROFILE"] = c.withProfile ? windowsPath(profile) : "";
        options.logDir = c.logDir;
        const RunResult r = s.run(exe, options);
        EXPECT_TRUE(r.hasLine("tempPath is " + c.base)) << r.log;
        EXPECT_EQ(r.exitCode, 1);
    }
}

// Packed executables always carry the runtime jar, so this block is built by hand.
TEST(Extraction, NoFilesMakesNoDirectory) {
    Scenario s;
    const std::string emptyTables = BlockBuilder().header().uint32(0).uint32(0).uint32(0).text();
    const RunResult r = s.run(s.withAppended(emptyTables), directRun());
    EXPECT_TRUE(r.hasLine("Included files: 0"));
    EXPECT_FALSE(r.hasLine("Temp dir3"));
    EXPECT_FALSE(r.hasLine("emptying"));
    EXPECT_EQ(entriesOf(s.tempDir()), std::vector<std::string>{"rwt_nlog_1.log"});
}

TEST(Extraction, EntriesAreWrittenInOrderAndRemovedOnTheErrorPath) {
    Scenario s;
    s.writeFile("empty.txt", "");
    s.writeFile("b.txt", "bravo");
    s.writeFile("c.jar", "charlie!");
    const auto exe = s.pack(std::string(kProject) +
                            "[files]\nembed = [\"empty.txt\", \"b.txt\", { source = \"c.jar\", name = \"lib\\\\c.jar\" }]\n");
    const RunResult r = s.run(exe, directRun());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.log, ::testing::ContainsRegex("extracting .*_dir[0-9]+\\\\empty.txt \\(size: 0\\)"));
    EXPECT_THAT(r.log, ::testing::ContainsRegex("extracting .*_dir[0-9]+\\\\b.txt \\(size: 5\\)"));
    EXPECT_THAT(r.log, ::testing::ContainsRegex("creating directory .*_dir[0-9]+\\\\lib"));
    EXPECT_THAT(r.log, ::testing::ContainsRegex("extracting .*_dir[0-9]+\\\\lib\\\\c.jar \\(size: 8\\)"));
    EXPECT_TRUE(r.hasLine("extracting files done"));
    EXPECT_FALSE(anyEntryContains(s.tempDir(), "_dir")) << "the error path removes the temporary directory";
}

TEST(Extraction, FewerNamesThanTheCountStopsAfterTheLastName) {
    Scenario s;
    s.writeFile("a.txt", "alpha");
    const RunResult r =
        s.run(s.pack(std::string(kProject) + "[files]\nembed = [\"a.txt\"]\n[narrow]\n2002 = \"3\"\n"), directRun());
    EXPECT_TRUE(r.hasLine("Included files: 3"));
    EXPECT_TRUE(r.hasLine("a.txt (size: 5)"));
    EXPECT_TRUE(r.hasLine("extracting files done"));
    EXPECT_EQ(withoutCarriageReturns(r.err).substr(0, 11), "no runtime\n");
}

TEST(Extraction, NamesThatCouldLeaveTheDirectoryAreRefusedBeforeWriting) {
    const char* const names[] = {"..\\evil.txt", "a\\b\\evil.txt", "\\evil.txt", "C:evil.txt", "sub\\..\\..\\evil.txt"};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        Scenario s;
        s.writeFile("evil.bin", "payload");
        std::string escaped;
        for (const char* p = name; *p; ++p) escaped += *p == '\\' ? std::string("\\\\") : std::string(1, *p);
        const auto exe = s.pack(std::string(kProject) + "[files]\nembed = [\"evil.bin\"]\n[narrow]\n2003 = \"" +
                                escaped + "\"\n");
        const RunResult r = s.run(exe, directRun());
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(withoutCarriageReturns(r.err).substr(0, 12), "internal 16\n");
        EXPECT_FALSE(r.hasLine("(size: ")) << r.log;
        EXPECT_FALSE(anyEntryContains(s.tempDir(), "_dir"));
        EXPECT_FALSE(anyEntryContains(s.dir(), "evil.txt"));
        EXPECT_FALSE(fs::exists("/evil.txt"));
    }
}

}  // namespace
}  // namespace tavik::scenario
