// Launcher paths and configured paths made absolute, on the real file system.
#include "launcher/win/paths/PathResolution.h"

#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>

#include "common/TextFormat.h"
#include "common/win/WideText.h"
#include "launcher/win/paths/LauncherPaths.h"
#include "tests/win/ChildOutput.h"
#include "tests/win/TestSupport.h"

namespace tavik::test {
namespace {

using ::testing::HasSubstr;
using paths::DirectoryForm;
using paths::LetterCase;

// The test program's own directory as the file system names it, with "\".
std::string programDirectory() { return testExecutable().parent_path().string() + "\\"; }

std::string lowered(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::optional<std::u16string> shortForm(const fs::path& path) {
    wchar_t buffer[MAX_PATH];
    const DWORD length = ::GetShortPathNameW(path.c_str(), buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::nullopt;
    return std::u16string(buffer, buffer + length);
}

// A CJK letter has no counterpart in code page 1252, not even a best-fit one.
constexpr char16_t kNotInAnsi[] = u"\u4e2d\u6587";

TEST(LauncherPaths, RunningProgramFindsItselfInEveryForm) {
    const std::string directory = programDirectory();
    EXPECT_EQ(paths::launcherPath(), testExecutable().string());
    EXPECT_EQ(paths::launcherPathWide(), testExecutable().u16string());
    EXPECT_EQ(paths::launcherDirectory(), directory);
    const std::u16string wideDirectory(directory.begin(), directory.end());
    EXPECT_EQ(paths::launcherDirectoryWide(DirectoryForm::AnsiSafe), wideDirectory);
    EXPECT_EQ(paths::launcherDirectoryWide(DirectoryForm::Long), wideDirectory);
}

TEST(ResolvePath, RelativePathsJoinTheLauncherOrBaseFileDirectory) {
    ScratchDir scratch;
    const std::string base = scratch.write("conf/app.vmoptions", "").string();
    const std::string baseDirectory = scratch.path().string() + "\\conf\\";
    const std::string launcher = programDirectory();
    struct Case {
        const char* name;
        std::string path;
        std::string baseFile;
        std::string want;
    };
    const Case cases[] = {
        {"relative", "lib\\a.jar", "", launcher + "lib\\a.jar"},
        {"relative with doubled backslashes", "lib\\\\a.jar", "", launcher + "lib\\a.jar"},
        {"dot-dot kept", "..\\jre", "", launcher + "..\\jre"},
        {"drive-relative counts as relative", "D:x", "", launcher + "D:x"},
        {"forward slash rooted counts as relative", "/x", "", launcher + "/x"},
        {"absolute stays", "D:\\jre\\\\bin", "", "D:\\jre\\bin"},
        {"quoted absolute stays", "\"D:\\jre", "", "\"D:\\jre"},
        {"network path keeps its pair", "\\\\server\\\\share", "", "\\\\server\\share"},
        {"relative to a base file", "more.vmoptions", base, baseDirectory + "more.vmoptions"},
        {"absolute ignores the base file", "D:\\x", base, "D:\\x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(paths::resolvePath(c.path, c.baseFile), c.want);
        const std::u16string widePath(c.path.begin(), c.path.end());
        const std::u16string wideBase(c.baseFile.begin(), c.baseFile.end());
        const std::u16string want(c.want.begin(), c.want.end());
        EXPECT_EQ(paths::resolvePathWide(widePath, DirectoryForm::AnsiSafe, wideBase), want);
        EXPECT_EQ(paths::resolvePathWide(widePath, DirectoryForm::Long, wideBase), want);
    }
}

TEST(FullPath, NormalizesAndLowersUnlessCaseIsKept) {
    const std::string launcher = programDirectory();
    struct Case {
        const char* name;
        std::string path;
        LetterCase letterCase;
        std::string want;
    };
    const std::string parent = testExecutable().parent_path().parent_path().string();
    const Case cases[] = {
        {"dots resolved, lowered", "Sub\\..\\Dir\\.\\App.EXE", LetterCase::Lower, lowered(launcher) + "dir\\app.exe"},
        {"dots resolved, case kept", "Sub\\..\\Dir\\.\\App.EXE", LetterCase::Keep, launcher + "Dir\\App.EXE"},
        {"parent of the launcher", "..\\Jre", LetterCase::Keep, parent + "\\Jre"},
        {"absolute with doubled backslashes", "D:\\Apps\\\\.\\X", LetterCase::Lower, "d:\\apps\\x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(paths::fullPath(c.path, c.letterCase), c.want);
        EXPECT_EQ(paths::fullPathWide(decodeAnsi(c.path), c.letterCase, DirectoryForm::Long), decodeAnsi(c.want));
    }
    // Only A to Z are lowered: the identity of a path must not depend on the
    // system's case tables.
    EXPECT_EQ(paths::fullPathWide(u"D:\\\u00C4PP\\\u03A9X", LetterCase::Lower, DirectoryForm::Long),
              u"d:\\\u00C4pp\\\u03A9x");
}

TEST(ResolvePathList, ResolvesEachEntryAndReportsIt) {
    const std::string launcher = programDirectory();
    std::vector<std::string> seen;
    const std::string resolved =
        paths::resolvePathList(";lib;;D:\\abs\\\\dir;native\\x64;",
                               [&](const std::string& entry) { seen.push_back(entry); });
    EXPECT_EQ(resolved, launcher + "lib;D:\\abs\\dir;" + launcher + "native\\x64");
    EXPECT_EQ(seen, (std::vector<std::string>{launcher + "lib", "D:\\abs\\dir", launcher + "native\\x64"}));
    EXPECT_EQ(paths::resolvePathList(";;"), "");
}

TEST(ListFilesWithExtension, FindsEveryMatchOfTheExtension) {
    ScratchDir scratch;
    for (const char* name : {"a.jar", "B.JAR", "c.zip", "notes.jar.txt", "jar", "d.ja"}) scratch.write(name, "x");
    fs::create_directories(scratch.path() / "sub.jar");
    const std::string directory = scratch.path().string();
    struct Case {
        const char* name;
        std::string directory;
        const char* extension;
        std::set<std::string> want;
    };
    const Case cases[] = {
        {"without a dot", directory, "jar", {"a.jar", "B.JAR", "sub.jar"}},
        {"with a dot", directory, ".jar", {"a.jar", "B.JAR", "sub.jar"}},
        {"directory with its backslash", directory + "\\", "zip", {"c.zip"}},
        {"no match", directory, "war", {}},
        {"missing directory", directory + "\\missing", "jar", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::string> found = paths::listFilesWithExtension(c.directory, c.extension);
        EXPECT_EQ(std::set<std::string>(found.begin(), found.end()), c.want);
        EXPECT_EQ(found.size(), c.want.size()) << "each match once";
    }
}

// Wine's interpreter shortens the directories of the path but leaves the
// file name long, so either form of the name is accepted there.
TEST(ShortPathViaShell, EchoesTheShortFormOfAPathWithBlanks) {
    ScratchDir scratch;
    const fs::path file = scratch.write("dir with blanks/a long file name.txt", "x").make_preferred();
    const auto shortFile = shortForm(file);
    const auto shortDirectory = shortForm(file.parent_path());
    if (!shortFile || !shortDirectory || *shortFile == file.u16string()) GTEST_SKIP() << "no short names here";
    const ChildResult r = runScenario(testExecutable(), "short-path", {scratch.path().u16string(), file.u16string()},
                                      {{u"TAVIK_LOG", u"yes"}, {u"RUNWRIGHT_LOG", u""}});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto values = keyValues(r.out);
    const std::string shortPath = values.at("shortPath");
    const std::string fileName = utf8(shortFile->substr(shortFile->rfind(u'\\') + 1));
    EXPECT_THAT(shortPath, ::testing::AnyOf(utf8(*shortDirectory) + "\\" + fileName,
                                            utf8(*shortDirectory) + "\\a long file name.txt"));

    const std::string log = childLog(values);
    EXPECT_THAT(log, HasSubstr("\\system32\\cmd.exe /C for %I in (\"" + file.string() + "\") do @echo %~sI\n"));
    EXPECT_THAT(log, HasSubstr("] finished reading from cmd.exe "));
    EXPECT_THAT(log, HasSubstr(" \"" + shortPath + "\n\"\n")) << "the output as read, line end included";
    EXPECT_THAT(log, HasSubstr("] Exit Code 0\n"));
    EXPECT_THAT(log, HasSubstr("] Using " + shortPath + "\n"));
}

TEST(AnsiSafeForm, TakesTheShortFormOfALongPathOutsideTheAnsiCodePage) {
    if (::GetACP() != 1252) GTEST_SKIP() << "needs an ANSI code page without CJK letters";
    ScratchDir scratch;
    const fs::path exe = scratch.write("plain/app.exe", "");
    EXPECT_EQ(paths::ansiSafeFormOf(exe.u16string()), exe.string()) << "representable: the long path itself";

    const fs::path unicodeDir = scratch.path() / kNotInAnsi;
    fs::create_directories(unicodeDir);
    writeFile(unicodeDir / "app.exe", "");
    writeFile(unicodeDir / "app.txt", "");
    const auto expected = shortForm(unicodeDir / "app.exe");
    if (!expected || expected->find(kNotInAnsi) != std::u16string::npos) GTEST_SKIP() << "no short names here";
    const auto found = paths::ansiSafeFormOf((unicodeDir / "app.exe").u16string());
    ASSERT_TRUE(found);
    EXPECT_EQ(decodeAnsi(*found), *expected);
    EXPECT_EQ(paths::ansiSafeFormOf((unicodeDir / "app.txt").u16string()), std::nullopt) << "not an .exe path";
}

// A launcher in a directory that the ANSI code page cannot name: the 8-bit
// forms fall back to the short path, the long forms keep the real name.
TEST(LauncherPaths, ProgramOutsideTheAnsiCodePageUsesItsShortPath) {
    if (::GetACP() != 1252) GTEST_SKIP() << "needs an ANSI code page without CJK letters";
    ScratchDir scratch;
    const fs::path directory = scratch.path() / kNotInAnsi;
    fs::create_directories(directory);
    const fs::path copy = directory / "launcher test.exe";
    fs::copy_file(testExecutable(), copy);
    const auto shortExe = shortForm(copy);
    if (!shortExe || shortExe->find(kNotInAnsi) != std::u16string::npos) GTEST_SKIP() << "no short names here";
    const std::u16string shortDirectory = shortExe->substr(0, shortExe->rfind(u'\\') + 1);
    const std::u16string longDirectory = directory.u16string() + u"\\";

    const ChildResult r = runScenario(copy, "paths", {scratch.path().u16string()},
                                      {{u"TAVIK_LOG", u"yes"}, {u"RUNWRIGHT_LOG", u""}});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto values = keyValues(r.out);
    EXPECT_EQ(values.at("launcherPath"), utf8(*shortExe));
    EXPECT_EQ(values.at("launcherPathWide"), utf8(copy.u16string()));
    EXPECT_EQ(values.at("launcherDirectory"), utf8(shortDirectory));
    EXPECT_EQ(values.at("launcherDirectoryAnsiSafe"), utf8(shortDirectory));
    EXPECT_EQ(values.at("launcherDirectoryLong"), utf8(longDirectory));
    EXPECT_EQ(values.at("resolvedAnsiSafe"), utf8(shortDirectory + u"x.cfg"));
    EXPECT_EQ(values.at("resolvedLong"), utf8(longDirectory + u"x.cfg"));
    EXPECT_THAT(childLog(values),
                HasSubstr("] init file name " + utf8(copy.u16string()) + " " + utf8(copy.u16string()) + " "));
}

}  // namespace
}  // namespace tavik::test
