#include "launcher/core/VariableExpansion.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "tests/unit/support/LogRecorder.h"

namespace tavik::expansion {
namespace {

using namespace std::string_literals;
using testsupport::LoggedLine;
using testsupport::takeLoggedLines;

std::u16string widened(std::string_view text) {
    std::u16string wide;
    for (const char c : text) wide.push_back(static_cast<unsigned char>(c));
    return wide;
}

// Fixed values; the narrow and the wide forms differ so a test sees which one was used.
class FakeSources : public ExpansionSources {
public:
    std::string exeDir = "C:\\PROGRA~1\\Caf\xE9\\";
    std::u16string exeDirWide = u"C:\\Program Files\\Caf\u00E9 \u03A9\\";
    std::string tempDir = "C:\\Temp\\e4j_1.tmp";
    std::string jvmHome = "C:\\jre\\bin\\..";
    std::string tempBase = "C:\\DOCUME~1\\Temp\\";
    std::u16string tempBaseWide = u"C:\\Documents and Settings\\Temp\\";
    std::string environment;
    std::u16string environmentWide;

    mutable int tempBaseQueries = 0;
    mutable int tempBaseWideQueries = 0;

    std::string launcherDirectory() const override { return exeDir; }
    std::u16string launcherDirectoryWide() const override { return exeDirWide; }
    std::string launcherTempDirectory() const override { return tempDir; }
    std::string javaHome() const override { return jvmHome; }
    std::string tempBaseDirectory() const override {
        ++tempBaseQueries;
        return tempBase;
    }
    std::u16string tempBaseDirectoryWide() const override {
        ++tempBaseWideQueries;
        return tempBaseWide;
    }
    std::string environmentBlock() const override { return environment; }
    std::u16string environmentBlockWide() const override { return environmentWide; }

    // Both blocks from one list of "name=value" entries.
    void setEnvironment(const std::vector<std::string>& entries) {
        environment.clear();
        environmentWide.clear();
        for (const std::string& entry : entries) {
            environment += entry + '\0';
            environmentWide += widened(entry) + u'\0';
        }
    }
};

std::string narrowed(std::string text, const FakeSources& sources) {
    expandVariablesNarrow(text, sources);
    return text;
}

std::u16string expanded(std::u16string text, bool ansiSafe, const FakeSources& sources) {
    expandVariables(text, ansiSafe, sources);
    return text;
}

class VariableExpansion : public testing::Test {
protected:
    void SetUp() override { takeLoggedLines(); }
    FakeSources sources;
};

TEST_F(VariableExpansion, EveryLauncherVariableInBothRoutines) {
    enum Value { ExeDir, TempDir, Separator, JvmHome, TempBase };
    struct Case {
        const char* pattern;
        Value value;
    };
    const Case cases[] = {
        {"%TAVIK_EXEDIR%", ExeDir},
        {"%RUNWRIGHT_EXEDIR%", ExeDir},
        {"%TAVIK_TEMPDIR%", TempDir},
        {"%RUNWRIGHT_TEMPDIR%", TempDir},
        {"%TAVIK_PATHLIST_SEPARATOR%", Separator},
        {"%RUNWRIGHT_PATHLIST_SEPARATOR%", Separator},
        {"%TAVIK_JVM_HOME%", JvmHome},
        {"%RUNWRIGHT_JVM_HOME%", JvmHome},
        {"${TAVIK_EXEDIR}", ExeDir},
        {"${RUNWRIGHT_EXEDIR}", ExeDir},
        {"${TAVIK_TEMPDIR}", TempDir},
        {"${RUNWRIGHT_TEMPDIR}", TempDir},
        {"${TAVIK_PATHLIST_SEPARATOR}", Separator},
        {"${RUNWRIGHT_PATHLIST_SEPARATOR}", Separator},
        {"${TAVIK_JVM_HOME}", JvmHome},
        {"${RUNWRIGHT_JVM_HOME}", JvmHome},
        {"${launcher:sys.launcherDirectory}", ExeDir},
        {"${launcher:sys.launcherTempDirectory}", TempDir},
        {"${launcher:sys.pathlistSeparator}", Separator},
        {"${launcher:sys.jvmHome}", JvmHome},
        {"${launcher:sys.tempDir}", TempBase},
    };
    const std::string narrowValues[] = {sources.exeDir, sources.tempDir, ";", sources.jvmHome, sources.tempBase};
    // The 8-bit values are widened byte by byte: 0xE9 becomes U+00E9.
    const std::u16string ansiSafeValues[] = {u"C:\\PROGRA~1\\Caf\u00E9\\", widened(sources.tempDir), u";",
                                             widened(sources.jvmHome), widened(sources.tempBase)};
    const std::u16string wideValues[] = {sources.exeDirWide, widened(sources.tempDir), u";", widened(sources.jvmHome),
                                         sources.tempBaseWide};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pattern);
        const std::string text = "-Da="s + c.pattern + "x";
        EXPECT_EQ(narrowed(text, sources), "-Da=" + narrowValues[c.value] + "x");
        EXPECT_EQ(expanded(widened(text), true, sources), u"-Da=" + ansiSafeValues[c.value] + u"x");
        EXPECT_EQ(expanded(widened(text), false, sources), u"-Da=" + wideValues[c.value] + u"x");
    }
}

TEST_F(VariableExpansion, DirectoryValueAlreadyEndsInABackslash) {
    sources.exeDir = "C:\\App\\";
    EXPECT_EQ(narrowed("%RUNWRIGHT_EXEDIR%lib\\app.jar", sources), "C:\\App\\lib\\app.jar");
}

TEST_F(VariableExpansion, UnsetValuesExpandToNothing) {
    sources.jvmHome.clear();
    sources.tempDir.clear();
    EXPECT_EQ(narrowed("[${launcher:sys.jvmHome}|%TAVIK_TEMPDIR%]", sources), "[|]");
    EXPECT_EQ(expanded(u"[${launcher:sys.jvmHome}|%TAVIK_TEMPDIR%]", false, sources), u"[|]");
}

TEST_F(VariableExpansion, TextMatchingNoRuleStaysAsWritten) {
    sources.setEnvironment({"JAVA_HOME=C:\\jdk"});
    for (const char* text : {
             "%JAVA_HOME%",  // the percent form is only for the launcher's own variables
             "${NO_SUCH_VARIABLE}",
             "%NO_SUCH_VARIABLE%",
             "${launcher:sys.nothing}",
             "${LAUNCHER:SYS.TEMPDIR}",
             "%tavik_exedir%",
             "${TAVIK_EXEDIR",
             "$TAVIK_EXEDIR",
             "${ TAVIK_EXEDIR}",
             "${JAVA_HOME }",
         }) {
        SCOPED_TRACE(text);
        EXPECT_EQ(narrowed(text, sources), text);
        EXPECT_EQ(expanded(widened(text), false, sources), widened(text));
    }
    EXPECT_THAT(takeLoggedLines(), testing::IsEmpty());
}

TEST_F(VariableExpansion, EveryOccurrenceIsReplacedWithOneLogLineEach) {
    EXPECT_EQ(narrowed("a${launcher:sys.pathlistSeparator}b${launcher:sys.pathlistSeparator}c", sources), "a;b;c");
    const std::vector<LoggedLine> narrowLines{
        {false, u"expanding2 ${launcher:sys.pathlistSeparator} to ; in a;b${launcher:sys.pathlistSeparator}c."},
        {false, u"expanding2 ${launcher:sys.pathlistSeparator} to ; in a;b;c."},
    };
    EXPECT_EQ(takeLoggedLines(), narrowLines);

    EXPECT_EQ(expanded(u"%TAVIK_TEMPDIR%\\a;%TAVIK_TEMPDIR%\\b", false, sources),
              u"C:\\Temp\\e4j_1.tmp\\a;C:\\Temp\\e4j_1.tmp\\b");
    const std::vector<LoggedLine> wideLines{
        {false, u"expanding2 %TAVIK_TEMPDIR% to C:\\Temp\\e4j_1.tmp in C:\\Temp\\e4j_1.tmp\\a;%TAVIK_TEMPDIR%\\b."},
        {false, u"expanding2 %TAVIK_TEMPDIR% to C:\\Temp\\e4j_1.tmp in C:\\Temp\\e4j_1.tmp\\a;C:\\Temp\\e4j_1.tmp\\b."},
    };
    EXPECT_EQ(takeLoggedLines(), wideLines);
}

TEST_F(VariableExpansion, EnvironmentNameInItsOwnCaseOrUpperCase) {
    sources.setEnvironment({"Path=C:\\Windows", "lower=v"});
    struct Case {
        const char* text;
        const char* want;
    };
    const Case cases[] = {
        {"${Path}", "C:\\Windows"},
        {"${PATH}", "C:\\Windows"},
        {"${path}", "${path}"},
        {"${pAtH}", "${pAtH}"},
        {"${Path};${PATH};${path}", "C:\\Windows;C:\\Windows;${path}"},
        {"${lower}|${LOWER}|${Lower}", "v|v|${Lower}"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(narrowed(c.text, sources), c.want);
        EXPECT_EQ(expanded(widened(c.text), true, sources), widened(c.want));
    }
}

TEST_F(VariableExpansion, UpperCaseOnlyTouchesAsciiLetters) {
    sources.setEnvironment({"caf\xE9_1=x"});
    EXPECT_EQ(narrowed("${caf\xE9_1}|${CAF\xE9_1}|${CAF\xC9_1}", sources), "x|x|${CAF\xC9_1}");
}

TEST_F(VariableExpansion, InsertedValueIsNotExpandedAgain) {
    sources.setEnvironment({"APP_OPTS=-Da=${APP_OPTS}", "Path=C:\\bin;${PATH};${Path}"});
    struct Case {
        const char* name;
        const char* text;
        const char* want;
    };
    const Case cases[] = {
        {"value naming itself", "${APP_OPTS}", "-Da=${APP_OPTS}"},
        {"twice in the text", "${APP_OPTS} ${APP_OPTS}", "-Da=${APP_OPTS} -Da=${APP_OPTS}"},
        {"value naming its upper-case spelling", "${Path}", "C:\\bin;${PATH};${Path}"},
        {"both spellings in the text", "${Path}|${PATH}", "C:\\bin;${PATH};${Path}|C:\\bin;${PATH};${Path}"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(narrowed(c.text, sources), c.want);
        EXPECT_EQ(expanded(widened(c.text), false, sources), widened(c.want));
    }
}

TEST_F(VariableExpansion, LaterRulesSeeWhatEarlierOnesInserted) {
    // Launcher variables come first, the environment last, in block order.
    sources.tempDir = "${launcher:sys.jvmHome}\\tmp";
    sources.setEnvironment({"A=${B}", "B=b", "C=${A}", "D=${TAVIK_EXEDIR}"});
    EXPECT_EQ(narrowed("%TAVIK_TEMPDIR%", sources), "C:\\jre\\bin\\..\\tmp");
    EXPECT_EQ(narrowed("${A}", sources), "b");
    EXPECT_EQ(narrowed("${C}", sources), "${A}");
    EXPECT_EQ(narrowed("${D}", sources), "${TAVIK_EXEDIR}");
}

TEST_F(VariableExpansion, EnvironmentBlockIsReadLikeTheSystemLaysItOut) {
    sources.environment = "=C:=C:\\work\0NOEQUALS\0OPTS=a=b\0EMPTY=\0\0AFTER_END=x\0"s;
    sources.environmentWide = u"OPTS=a=b\0LAST=z"s;  // no final zero
    EXPECT_EQ(narrowed("${OPTS}|${EMPTY}|${AFTER_END}|${NOEQUALS}", sources), "a=b||${AFTER_END}|${NOEQUALS}");
    EXPECT_EQ(narrowed("${}", sources), "C:=C:\\work");
    EXPECT_EQ(expanded(u"${OPTS}|${LAST}", false, sources), u"a=b|z");
}

TEST_F(VariableExpansion, SystemTempDirectoryIsAskedForOnEveryCall) {
    narrowed("plain", sources);
    EXPECT_EQ(sources.tempBaseQueries, 1);
    expanded(u"plain", true, sources);
    EXPECT_EQ(sources.tempBaseQueries, 2);
    EXPECT_EQ(sources.tempBaseWideQueries, 0);
    expanded(u"plain", false, sources);
    EXPECT_EQ(sources.tempBaseQueries, 2);
    EXPECT_EQ(sources.tempBaseWideQueries, 1);
}

TEST_F(VariableExpansion, LongValuesGrowTheTextPastTheCallersBuffer) {
    const std::string path(32767, 'p');
    sources.setEnvironment({"PATH=" + path});
    EXPECT_EQ(narrowed("-Djava.library.path=${PATH}", sources), "-Djava.library.path=" + path);
    EXPECT_EQ(expanded(u"${PATH};${PATH}", false, sources), widened(path) + u";" + widened(path));
}

TEST_F(VariableExpansion, GrowthStopsAtTheLimit) {
    // Each variable names the next one twice: unbounded, ${V0} would become 64 copies of the leaf.
    std::vector<std::string> entries;
    for (int i = 0; i < 6; ++i) {
        const std::string next = "${V" + std::to_string(i + 1) + "}";
        entries.push_back("V" + std::to_string(i) + "=" + next + next);
    }
    entries.push_back("V6=" + std::string(4096, 'x'));
    sources.setEnvironment(entries);
    const std::vector<LoggedLine> refusal{
        {true, u"not expanding ${V6}: the text would grow past 65536 characters"}};

    const std::string text = narrowed("${V0}", sources);
    EXPECT_LE(text.size(), kExpandedTextLimit);
    EXPECT_GT(text.size(), kExpandedTextLimit - 4096);
    std::vector<LoggedLine> lines = takeLoggedLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(std::vector<LoggedLine>{lines.back()}, refusal);

    const std::u16string wideText = expanded(u"${V0}", false, sources);
    EXPECT_LE(wideText.size(), kExpandedTextLimit);
    EXPECT_EQ(wideText, widened(text));
    lines = takeLoggedLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(std::vector<LoggedLine>{lines.back()}, refusal);
}

TEST_F(VariableExpansion, ReplacementThatWouldPassTheLimitIsNotMade) {
    const std::string value(kExpandedTextLimit - 10, 'v');
    std::string text = "${X}${X}";
    replaceAll(text, "${X}", value);
    EXPECT_EQ(text, value + "${X}");
    const std::string filler(kExpandedTextLimit - 5, 'a');
    std::string exact = filler + "${X}";
    replaceAll(exact, "${X}", "12345");
    EXPECT_EQ(exact, filler + "12345");
}

TEST(ReplaceAll, RewritesALongTextInOnePass) {
    // A text at the limit full of short names whose values change its length:
    // replaced in place, each name would move the rest of the text, and these
    // hundred passes would take many seconds.
    testsupport::setLoggingActive(false);
    std::string names;
    while (names.size() < kExpandedTextLimit) names += "${X}";
    std::string text = names;
    const auto start = std::chrono::steady_clock::now();
    for (int pass = 0; pass < 50; ++pass) {
        replaceAll(text, "${X}", "$Y");
        replaceAll(text, "$Y", "${X}");
    }
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    testsupport::setLoggingActive(true);
    EXPECT_EQ(text, names);
    EXPECT_LT(elapsed.count(), 3000);
}

TEST(ReplaceAll, ResumesBehindEachInsertedValue) {
    struct Case {
        const char* name;
        std::string text;
        std::string pattern;
        std::string value;
        std::string want;
    };
    const Case cases[] = {
        {"value holds the pattern", "%X%-%X%", "%X%", "<%X%>", "<%X%>-<%X%>"},
        {"value completes a pattern with what follows", "%X%X%", "%X%", "%", "%X%"},
        {"overlapping occurrences", "aaa", "aa", "b", "ba"},
        {"empty value removes", "a%X%b%X%", "%X%", "", "ab"},
        {"not found", "abc", "%X%", "v", "abc"},
        {"empty pattern changes nothing", "abc", "", "v", "abc"},
        {"case-sensitive", "%x%", "%X%", "v", "%x%"},
    };
    takeLoggedLines();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string text = c.text;
        replaceAll(text, c.pattern, c.value);
        EXPECT_EQ(text, c.want);
        std::u16string wideText = widened(c.text);
        replaceAll(wideText, widened(c.pattern), widened(c.value));
        EXPECT_EQ(wideText, widened(c.want));
    }
    takeLoggedLines();
}

TEST(ReplaceAll, NarrowValueInWideTextIsWidenedByteByByte) {
    takeLoggedLines();
    std::u16string text = u"%D%\\x";
    replaceAll(text, u"%D%", std::string_view("C:\\\x80\xFF"));
    EXPECT_EQ(text, u"C:\\\u0080\u00FF\\x");
    const std::vector<LoggedLine> lines = takeLoggedLines();
    const std::vector<LoggedLine> want{{false, u"expanding2 %D% to C:\\\u0080\u00FF in C:\\\u0080\u00FF\\x."}};
    EXPECT_EQ(lines, want);
}

TEST(JavaHomeOf, IsTheExecutablesDirectoryAndDotDot) {
    struct Case {
        const char* javaExe;
        const char* want;
    };
    const Case cases[] = {
        {"C:\\jre\\bin\\javaw.exe", "C:\\jre\\bin\\.."},
        {"c:\\jre\\bin\\java.exe", "c:\\jre\\bin\\.."},
        {"C:\\JRE\\BIN\\JAVAW.EXE", "C:\\JRE\\BIN\\.."},
        {"java.exe", ".."},
        {"exe", ".."},
        {"", ".."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.javaExe);
        EXPECT_EQ(javaHomeOf(c.javaExe), c.want);
    }
}

}  // namespace
}  // namespace tavik::expansion
