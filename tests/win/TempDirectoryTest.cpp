#include "launcher/win/paths/TempDirectory.h"

#include <windows.h>
#include <winioctl.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>

#include "common/TextFormat.h"
#include "common/win/Handles.h"
#include "common/win/WideText.h"
#include "launcher/win/paths/FileSystem.h"
#include "launcher/win/paths/TempBase.h"
#include "tests/win/TestSupport.h"

namespace tavik::test {
namespace {

using ::testing::IsEmpty;

std::string ansi(const fs::path& path) {
    bool substituted = false;
    std::string text = toAnsi(path.u16string(), substituted);
    if (substituted) throw std::runtime_error("path not representable in the ANSI code page");
    return text;
}

// Every file and directory below `root`, as relative paths with "/".
std::set<std::string> tree(const fs::path& root) {
    std::set<std::string> entries;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        entries.insert(entry.path().lexically_relative(root).generic_string() + (entry.is_directory() ? "/" : ""));
    }
    return entries;
}

void makeTree(const ScratchDir& scratch) {
    scratch.write("work/a.txt", "a");
    scratch.write("work/b.bin", "b");
    scratch.write("work/one/x.txt", "x");
    fs::create_directories(scratch.path() / "work/empty");
    scratch.write("work/two/y.txt", "y");
    scratch.write("work/two/deep/z.txt", "z");
}

TEST(RemoveDirectoryContents, DeletesFilesAndOneLevelOfSubdirectoriesOnly) {
    struct Case {
        const char* name;
        paths::Subdirectories subdirectories;
        const char* suffix;
        std::set<std::string> left;
    };
    const Case cases[] = {
        {"recursing", paths::Subdirectories::Emptied, "", {"two/", "two/deep/", "two/deep/z.txt"}},
        {"trailing backslash", paths::Subdirectories::Emptied, "\\", {"two/", "two/deep/", "two/deep/z.txt"}},
        {"not recursing", paths::Subdirectories::Kept, "",
         {"one/", "one/x.txt", "two/", "two/y.txt", "two/deep/", "two/deep/z.txt"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir scratch;
        makeTree(scratch);
        paths::removeDirectoryContents(ansi(scratch.path() / "work") + c.suffix, c.subdirectories);
        EXPECT_EQ(tree(scratch.path() / "work"), c.left);
    }
}

TEST(RemoveDirectoryContents, EmptyAndDotPathsDoNothing) {
    ScratchDir scratch;
    makeTree(scratch);
    const std::set<std::string> before = tree(scratch.path());
    wchar_t previous[MAX_PATH];
    ::GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(::SetCurrentDirectoryW((scratch.path() / "work").c_str()));
    paths::removeDirectoryContents("", paths::Subdirectories::Emptied);
    paths::removeDirectoryContents(".", paths::Subdirectories::Emptied);
    paths::removeDirectoryContents(".\\one", paths::Subdirectories::Emptied);
    paths::removeDirectoryContents("..\\work", paths::Subdirectories::Emptied);
    ::SetCurrentDirectoryW(previous);
    EXPECT_EQ(tree(scratch.path()), before);
}

// A directory link inside the launcher's temporary directory must not lead
// the clean-up into the directory it points to.
TEST(RemoveDirectoryContents, RemovesDirectoryLinksWithoutEmptyingTheirTargets) {
    ScratchDir scratch;
    const fs::path outside = scratch.path() / "outside";
    scratch.write("outside/keep.txt", "keep");
    scratch.write("outside/inner/keep.txt", "keep");
    fs::create_directories(scratch.path() / "work");
    const fs::path link = scratch.path() / "work" / "link";
    if (!::CreateSymbolicLinkW(link.c_str(), outside.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) ||
        !(::GetFileAttributesW(link.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT)) {
        GTEST_SKIP() << "directory links unavailable: " << ::GetLastError();
    }
    paths::removeDirectoryContents(ansi(scratch.path() / "work"), paths::Subdirectories::Emptied);
    EXPECT_EQ(tree(outside), (std::set<std::string>{"inner/", "inner/keep.txt", "keep.txt"}));
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
}

TEST(PathExists, DriveRootFormsAreTrueWithoutLooking) {
    // No drive Q: exists in the test prefix.
    struct Case {
        const char* path;
        bool exists;
    };
    const Case cases[] = {
        {"Q:\\", true}, {"q:\\.", true}, {"Q:\\.\\.", true}, {"Q:\\x", false},
        {"Q:", false},  {"Q:\\..", false}, {"1:\\", false},  {"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(paths::pathExists(std::string_view(c.path)), c.exists);
        EXPECT_EQ(paths::pathExists(decodeAnsi(c.path)), c.exists);
    }
}

TEST(PathExists, FindsFilesAndDirectoriesAndReportsTheLastWriteTime) {
    ScratchDir scratch;
    const fs::path file = scratch.write("dir/file.txt", "x");
    const fs::path unicodeFile = scratch.path() / u"dir" / u"\u03a9.txt";
    writeFile(unicodeFile, "x");
    FILETIME written{0x12345678, 0x01D00000};
    {
        UniqueHandle handle(::CreateFileW(file.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(handle);
        ASSERT_TRUE(::SetFileTime(handle.get(), nullptr, nullptr, &written));
    }
    std::uint64_t time = 0;
    EXPECT_TRUE(paths::pathExists(ansi(file), &time));
    EXPECT_EQ(time, 0x01D0000012345678ull);
    time = 0;
    EXPECT_TRUE(paths::pathExists(file.u16string(), &time));
    EXPECT_EQ(time, 0x01D0000012345678ull);

    EXPECT_TRUE(paths::pathExists(ansi(scratch.path() / "dir")));
    EXPECT_TRUE(paths::pathExists(unicodeFile.u16string()));
    EXPECT_FALSE(paths::pathExists(ansi(scratch.path() / "dir" / "missing.txt")));
    time = 42;
    EXPECT_FALSE(paths::pathExists((scratch.path() / "missing").u16string(), &time));
    EXPECT_EQ(time, 42u) << "no time for a missing path";
}

TEST(ProbeWritable, NeedsADirectoryAndLeavesNothingBehind) {
    ScratchDir scratch;
    const fs::path base = scratch.path() / "base";
    fs::create_directories(base);
    const fs::path file = scratch.write("file", "");
    EXPECT_TRUE(paths::probeWritable(ansi(base)));
    EXPECT_TRUE(paths::probeWritable(base.u16string()));
    EXPECT_FALSE(paths::probeWritable(ansi(file)));
    EXPECT_FALSE(paths::probeWritable(file.u16string()));
    EXPECT_FALSE(paths::probeWritable(ansi(scratch.path() / "missing")));
    EXPECT_THAT(tree(base), IsEmpty());
}

// The choice on the real file system; a file where a directory is expected
// makes a candidate unwritable.
TEST(TempBaseChoice, UnwritableSystemTempFallsThroughToTheNextUsableCandidate) {
    ScratchDir scratch;
    const std::string root = ansi(scratch.path());
    scratch.write("temp-is-a-file", "");
    fs::create_directories(scratch.path() / "profile/AppData/Local/Temp");
    fs::create_directories(scratch.path() / "home");
    fs::create_directories(scratch.path() / "windows/temp");
    const std::string unwritable = root + "\\temp-is-a-file";
    const std::string drive = root.substr(0, 2);
    const std::string homePath = root.substr(2) + "\\home";

    struct Case {
        const char* name;
        path::TempBaseFacts<std::string> facts;
        std::string want;
    };
    const Case cases[] = {
        {"profile temp", {unwritable, root + "\\profile", drive, homePath, root + "\\windows"},
         root + "\\profile\\AppData\\Local\\Temp"},
        {"home directory", {unwritable, std::nullopt, drive, homePath, root + "\\windows"}, root + "\\home"},
        {"windows temp", {unwritable, root + "\\no-profile", std::nullopt, homePath, root + "\\windows"},
         root + "\\windows\\temp"},
        {"missing system temp is created", {root + "\\fresh", std::nullopt, std::nullopt, std::nullopt, std::nullopt},
         root + "\\fresh"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(paths::chooseTempBase(c.facts).value_or("(none)"), c.want);
    }
    EXPECT_TRUE(fs::is_directory(scratch.path() / "fresh"));
}

TEST(TempBaseChoice, EightBitChoiceSkipsALongFormOutsideTheAnsiCodePage) {
    // A CJK letter: 8-bit calls give "?" for it, as code page 1252 has not
    // even a best-fit stand-in (a Greek letter would come back as "O").
    if (::GetACP() != 1252) GTEST_SKIP() << "needs an ANSI code page without CJK letters";
    ScratchDir scratch;
    const fs::path unicodeTemp = scratch.path() / u"temp\u4e2d";
    fs::create_directories(unicodeTemp);
    fs::create_directories(scratch.path() / "windows/temp");
    wchar_t shortPath[MAX_PATH];
    const DWORD length = ::GetShortPathNameW(unicodeTemp.c_str(), shortPath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) GTEST_SKIP() << "no short names on this file system";
    bool substituted = false;
    const std::string shortForm = toAnsi(toU16(shortPath), substituted);
    if (substituted) GTEST_SKIP() << "short name not ANSI";

    path::TempBaseFacts<std::string> facts;
    facts.systemTempPath = shortForm;  // reachable, but its long form reads "temp?"
    facts.windowsDirectory = ansi(scratch.path() / "windows");
    EXPECT_EQ(paths::chooseTempBase(facts).value_or("(none)"), ansi(scratch.path() / "windows") + "\\temp");

    // Through UTF-16 calls the same directory is fine.
    path::TempBaseFacts<std::u16string> wide;
    wide.systemTempPath = unicodeTemp.u16string();
    wide.windowsDirectory = (scratch.path() / "windows").u16string();
    EXPECT_EQ(paths::chooseTempBase(wide).value_or(u"(none)"), unicodeTemp.u16string());
}

TEST(TempBaseChoice, ProcessWideBaseIsChosenOnceAndUsable) {
    const std::u16string first = paths::processTempBaseWide().value_or(u"");
    ASSERT_FALSE(first.empty());
    EXPECT_TRUE(paths::probeWritable(first));
    const std::string firstAnsi = paths::tempBaseDirectory();
    EXPECT_TRUE(paths::probeWritable(firstAnsi));

    ScratchDir scratch;
    wchar_t previous[32768];
    const DWORD length = ::GetEnvironmentVariableW(L"TMP", previous, 32768);
    ::SetEnvironmentVariableW(L"TMP", scratch.path().c_str());
    const std::u16string second = paths::processTempBaseWide().value_or(u"");
    const std::string secondAnsi = paths::tempBaseDirectory();
    ::SetEnvironmentVariableW(L"TMP", length ? previous : nullptr);
    EXPECT_EQ(second, first);
    EXPECT_EQ(secondAnsi, firstAnsi);
}

}  // namespace
}  // namespace tavik::test
