// The VM options' view of this process: files as stored, directory listings,
// paths resolved against the launcher or an including file, the environment,
// and .vmoptions files including each other on the real file system.
#include "launcher/win/vmstart/VmOptionsSource.h"

#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>

#include "tests/win/TestSupport.h"

namespace tavik::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// The test program stands in for the launcher: its directory, with "\".
std::string launcherDirectoryText() { return testExecutable().parent_path().string() + "\\"; }

std::u16string wide(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

std::set<std::string> asSet(const std::vector<std::string>& names) { return {names.begin(), names.end()}; }

TEST(VmOptionsSource, FilesAreReadAsStored) {
    ScratchDir scratch;
    const std::string large(200000, 'x');
    struct Case {
        const char* name;
        std::u16string file;
        std::string content;
    };
    const Case cases[] = {
        {"line ends and end-of-file byte kept", u"a.vmoptions", "-Da=1\r\n-Db=2\n\x1A-Dc=3"},
        {"empty file", u"empty.vmoptions", ""},
        {"larger than one read", u"large.vmoptions", large},
        {"name outside the ANSI code page", u"\u4e2d\u00fc.vmoptions", "-Dwide=1\n"},
    };
    const vmstart::ProcessVmOptionsSystem system;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path path = scratch.path() / c.file;
        writeFile(path, c.content);
        const std::optional<std::string> read = system.readFile(path.u16string());
        ASSERT_TRUE(read.has_value());
        EXPECT_EQ(read->size(), c.content.size());
        EXPECT_TRUE(*read == c.content);
    }
    fs::create_directories(scratch.path() / "folder.vmoptions");
    EXPECT_EQ(system.readFile((scratch.path() / "missing.vmoptions").u16string()), std::nullopt);
    EXPECT_EQ(system.readFile((scratch.path() / "folder.vmoptions").u16string()), std::nullopt);
}

TEST(VmOptionsSource, ListsFilesByExtensionAndTellsWhatExists) {
    ScratchDir scratch;
    for (const char* name : {"a.jar", "B.JAR", "c.zip", "d.txt", "e.jar.txt"}) scratch.write(std::string("lib/") + name, "");
    const std::string directory = scratch.path().string() + "\\lib";
    const vmstart::ProcessVmOptionsSystem system;
    EXPECT_EQ(asSet(system.listFilesWithExtension(directory, "jar")), (std::set<std::string>{"a.jar", "B.JAR"}));
    EXPECT_THAT(system.listFilesWithExtension(directory, "zip"), ElementsAre("c.zip"));
    EXPECT_THAT(system.listFilesWithExtension(directory + "\\none", "jar"), IsEmpty());
    EXPECT_TRUE(system.pathExists(directory));
    EXPECT_TRUE(system.pathExists(directory + "\\c.zip"));
    EXPECT_FALSE(system.pathExists(directory + "\\c.jar"));
}

TEST(VmOptionsSource, PathsResolveAgainstTheLauncherOrTheIncludingFile) {
    ScratchDir scratch;
    const std::string including = scratch.write("conf/main.vmoptions", "").string();
    const std::string launcher = launcherDirectoryText();
    const vmstart::ProcessVmOptionsSystem system;
    struct Case {
        const char* name;
        std::string path;
        std::optional<std::string> baseFile;
        std::string want;
    };
    const Case cases[] = {
        {"launcher directory", "more.vmoptions", std::nullopt, launcher + "more.vmoptions"},
        {"including file's directory", "sub\\\\more.vmoptions", including,
         scratch.path().string() + "\\conf\\sub\\more.vmoptions"},
        {"absolute stays", "D:\\opts\\more.vmoptions", including, "D:\\opts\\more.vmoptions"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<std::u16string> base = c.baseFile ? std::optional(wide(*c.baseFile)) : std::nullopt;
        EXPECT_EQ(system.resolvePathWide(wide(c.path), base), wide(c.want));
    }
    EXPECT_EQ(system.resolvePath("lib\\app.jar"), launcher + "lib\\app.jar");
    EXPECT_EQ(system.resolvePathList("a.jar;;D:\\b.jar;"), launcher + "a.jar;D:\\b.jar");
    EXPECT_EQ(system.fullPath("Install\\Sub\\..\\Dir"), launcher + "Install\\Dir");
    EXPECT_EQ(system.fullPath("D:\\Install\\.\\Dir"), "D:\\Install\\Dir");
}

TEST(VmOptionsSource, NarrowTextMarksWhatTheCodePageLacks) {
    if (::GetACP() != 1252) GTEST_SKIP() << "ANSI code page " << ::GetACP() << ", not 1252";
    const vmstart::ProcessVmOptionsSystem system;
    // U+0100 would best-fit to "A" and U+4E2D has no counterpart at all.
    EXPECT_EQ(system.toNarrow(u"-Dname=\u00e9\u0100\u4e2d"), "-Dname=\xE9??");
}

TEST(VmOptionsSource, EnvironmentTellsUnsetFromEmpty) {
    ::SetEnvironmentVariableW(L"TAVIK_VMSOURCE_SET", L"\"C:\\lib\\a.jar\"");
    ::SetEnvironmentVariableW(L"TAVIK_VMSOURCE_EMPTY", L"");
    ::SetEnvironmentVariableW(L"TAVIK_VMSOURCE_UNSET", nullptr);
    const vmstart::ProcessVmOptionsSystem system;
    EXPECT_EQ(system.environmentVariable("TAVIK_VMSOURCE_SET"), "\"C:\\lib\\a.jar\"");
    EXPECT_EQ(system.environmentVariable("TAVIK_VMSOURCE_EMPTY"), "");
    EXPECT_EQ(system.environmentVariable("TAVIK_VMSOURCE_UNSET"), std::nullopt);
    ::SetEnvironmentVariableW(L"TAVIK_VMSOURCE_SET", nullptr);
    ::SetEnvironmentVariableW(L"TAVIK_VMSOURCE_EMPTY", nullptr);
}

// The nested file is named with a character the including line carries as
// one ANSI byte; it includes its includer again and a file that is missing.
TEST(VmOptionsSource, IncludedFilesResolveAgainstTheirIncluderOnDisk) {
    ScratchDir scratch;
    const fs::path main = scratch.write("conf/main.vmoptions",
                                        "# settings\r\n\r\n  -Dmain=1  \r\n"
                                        "-include-options sub\\\xFC" "ber.vmoptions\r\n"
                                        "-classpath/a extra.jar\r\n-Dafter=1\r\n");
    fs::create_directories(scratch.path() / "conf" / "sub");
    writeFile(scratch.path() / "conf" / "sub" / u"\u00fcber.vmoptions",
              "-Dinner=%TAVIK_EXEDIR%x\n-include-options ..\\main.vmoptions\n"
              "-include-options missing.vmoptions\n-Dinner.last=1\n");
    const vmstart::ProcessVmOptionsSystem system;
    vmoptions::VmOptionsBuilder builder(system);
    builder.addOptionLine(u"-include-options " + main.u16string(), std::nullopt);
    EXPECT_THAT(builder.options(),
                ElementsAre("-Dmain=1", "-Dinner=" + launcherDirectoryText() + "x", "-Dinner.last=1", "-Dafter=1"));
    EXPECT_EQ(builder.appendedClassPath(), "extra.jar");
}

}  // namespace
}  // namespace tavik::test
