#include "launcher/core/PathText.h"

#include <gtest/gtest.h>

#include <string>

namespace tavik::path {
namespace {

TEST(PathText, CollapsesBackslashRunsButKeepsTheFirstTwoCharacters) {
    struct Case {
        const char* name;
        std::u16string_view path;
        std::u16string_view want;
    };
    const Case cases[] = {
        {"empty", u"", u""},
        {"single character", u"\\", u"\\"},
        {"clean drive path", u"C:\\Program Files\\app.exe", u"C:\\Program Files\\app.exe"},
        {"doubled and tripled", u"C:\\\\dir\\\\\\app.exe", u"C:\\dir\\app.exe"},
        {"trailing run", u"C:\\dir\\\\", u"C:\\dir\\"},
        {"network path", u"\\\\server\\\\share\\app.exe", u"\\\\server\\share\\app.exe"},
        {"run longer than the kept pair", u"\\\\\\\\server\\x", u"\\\\server\\x"},
        {"run right after two ordinary characters", u"ab\\\\c", u"ab\\c"},
        {"second character starts a run", u"a\\\\\\b", u"a\\b"},
        {"forward slashes untouched", u"C://dir//x", u"C://dir//x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(collapseBackslashes(c.path), c.want);
    }
}

TEST(PathText, RelativeUnlessDriveRootOrDoubleBackslashAfterAnOptionalQuote) {
    struct Case {
        const char* name;
        std::string_view path;
        bool relative;
    };
    const Case cases[] = {
        {"drive root", "C:\\", false},
        {"drive path", "c:\\dir\\x.jar", false},
        {"quoted drive path", "\"C:\\dir", false},
        {"network path", "\\\\server\\share", false},
        {"quoted network path", "\"\\\\s", false},
        {"drive-relative", "C:dir\\x", true},
        {"forward slash after the drive", "C:/dir", true},
        {"rooted with a forward slash", "/usr/lib", true},
        {"rooted with one backslash", "\\dir\\x", true},
        {"plain name", "lib\\x.jar", true},
        {"two characters", "C:", true},
        {"two backslashes only", "\\\\", true},
        {"quote and two characters", "\"C:", true},
        {"quote and two backslashes", "\"\\\\", true},
        {"second quote does not count", "\"\"C:\\", true},
        {"empty", "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(isRelativePath(c.path), c.relative);
        EXPECT_EQ(isRelativePath(std::u16string(c.path.begin(), c.path.end())), c.relative);
    }
}

TEST(PathText, JoinsOnlyRelativePathsToTheDirectory) {
    EXPECT_EQ(joinIfRelative("C:\\app\\", "lib\\a.jar"), "C:\\app\\lib\\a.jar");
    EXPECT_EQ(joinIfRelative("C:\\app\\", "..\\jre"), "C:\\app\\..\\jre") << "no normalization";
    EXPECT_EQ(joinIfRelative("C:\\app\\", "D:\\jre"), "D:\\jre");
    EXPECT_EQ(joinIfRelative("C:\\app\\", ""), "C:\\app\\");
    EXPECT_EQ(joinIfRelative(u"C:\\app\\", u"\\\\srv\\jre"), u"\\\\srv\\jre");
    EXPECT_EQ(joinIfRelative(u"C:\\\u00e4pp\\", u"x"), u"C:\\\u00e4pp\\x");
}

TEST(PathText, DriveRootFormsAreTheRootAloneOrWithOneOrTwoDots) {
    struct Case {
        std::string_view path;
        bool root;
    };
    const Case cases[] = {
        {"C:\\", true},    {"z:\\", true},     {"C:\\.", true},    {"C:\\.\\.", true}, {"C:", false},
        {"C:\\x", false},  {"C:\\..", false},  {"C:\\.\\", false}, {"C:\\.\\.\\.", false},
        {"1:\\", false},   {"@:\\", false},    {"C:/", false},     {"\\\\srv\\", false}, {"", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(isDriveRootForm(c.path), c.root) << c.path;
        EXPECT_EQ(isDriveRootForm(std::u16string(c.path.begin(), c.path.end())), c.root) << c.path;
    }
}

TEST(PathText, ExePathNeedsFiveCharactersAndTheExtensionInAnyCase) {
    struct Case {
        std::string_view path;
        bool exe;
    };
    const Case cases[] = {
        {"a.exe", true}, {"C:\\APP.EXE", true}, {"x.ExE", true}, {".exe", false},
        {"a.exe ", false}, {"a.exex", false}, {"a_exe", false}, {"", false},
    };
    for (const Case& c : cases) EXPECT_EQ(isExePath(c.path), c.exe) << c.path;
}

TEST(PathText, LowersOnlyAsciiCapitals) {
    EXPECT_EQ(lowerAsciiLetters(u"C:\\Program Files\\\u00c4PP\\X@[Z]"), u"c:\\program files\\\u00c4pp\\x@[z]");
}

TEST(PathText, PathListSkipsEmptyEntries) {
    EXPECT_EQ(splitPathList(";a;;b\\c;"), (std::vector<std::string>{"a", "b\\c"}));
    EXPECT_TRUE(splitPathList(";;").empty());
}

TEST(PathText, FilePatternAddsSeparatorAndDotOnlyWhenMissing) {
    struct Case {
        std::u16string_view directory;
        std::u16string_view extension;
        std::u16string_view want;
    };
    const Case cases[] = {
        {u"C:\\lib", u"jar", u"C:\\lib\\*.jar"},
        {u"C:\\lib\\", u".jar", u"C:\\lib\\*.jar"},
        {u"C:/lib/", u"zip", u"C:/lib/*.zip"},
        {u"", u"jar", u"*.jar"},
        {u"C:\\lib", u"", u"C:\\lib\\*."},
    };
    for (const Case& c : cases) EXPECT_EQ(filesWithExtensionPattern(c.directory, c.extension), c.want);
}

TEST(PathText, ShortPathIsTheFirstLineOfASuccessfulShellRun) {
    struct Case {
        const char* name;
        std::string_view output;
        std::uint32_t exitCode;
        std::optional<std::string> want;
    };
    const Case cases[] = {
        {"CR LF ended", "C:\\PROGRA~1\\APP.EXE\r\n", 0, "C:\\PROGRA~1\\APP.EXE"},
        {"LF ended, more lines", "C:\\A\\B.EXE\nnoise\r\n", 0, "C:\\A\\B.EXE"},
        {"no line end", "C:\\A\\B.EXE", 0, std::nullopt},
        {"failed run", "C:\\A\\B.EXE\r\n", 1, std::nullopt},
        {"still running", "C:\\A\\B.EXE\r\n", 259, std::nullopt},
        {"five bytes", "C:\\\r\n", 0, std::nullopt},
        {"six bytes", "C:\\x\r\n", 0, "C:\\x"},
        {"empty first line", "\r\nC:\\A\\B.EXE\r\n", 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(shortPathFromShellOutput(c.output, c.exitCode), c.want);
    }
}

}  // namespace
}  // namespace tavik::path
