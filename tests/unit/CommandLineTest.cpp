#include "launcher/core/CommandLine.h"

#include <gtest/gtest.h>

#include <chrono>

namespace tavik::cmdline {
namespace {

using Tokens = std::vector<std::u16string>;

TEST(SplitCommandLine, HandlesQuotesAndBlanksAsTheLauncherDefines) {
    struct Case {
        const char* name;
        std::u16string_view text;
        Tokens want;
    };
    const Case cases[] = {
        {"empty", u"", {}},
        {"only blanks", u"   ", {}},
        {"two blanks separate two tokens", u"a  b", {u"a", u"b"}},
        {"tab is part of a word", u"a\tb c", {u"a\tb", u"c"}},
        {"leading and trailing blanks", u" a b ", {u"a", u"b"}},
        {"quoted part joins the unquoted start", u"pre\"fix x\" y", {u"prefix x", u"y"}},
        {"letter right after closing quote", u"a\"b c\"d e", {u"ab c", u"d", u"e"}},
        {"two adjacent double quotes", u"\"\"", {u""}},
        {"empty quotes between words", u"a \"\" b", {u"a", u"", u"b"}},
        {"apostrophes quote too", u"'x y' z", {u"x y", u"z"}},
        {"double quote inside apostrophes", u"'say \"hi\"' z", {u"say \"hi\"", u"z"}},
        {"apostrophe inside double quotes", u"\"it's\" z", {u"it's", u"z"}},
        {"earlier quote kind wins", u"a'b\"c'd\"", {u"ab\"c", u"d"}},
        {"unclosed quote runs to the end", u"a \"b c", {u"a", u"b c"}},
        {"backslash is ordinary", u"C:\\x\\ \"C:\\y z\\\"", {u"C:\\x\\", u"C:\\y z\\"}},
        {"program path then arguments", u"\"C:\\Program Files\\app.exe\" /run a",
         {u"C:\\Program Files\\app.exe", u"/run", u"a"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(splitCommandLine(c.text), c.want);
    }
}

TEST(SplitCommandLine, LongestLineOfShortTokensTakesOnePass) {
    // The longest command line Windows passes, all one-letter tokens: looking
    // through the rest of the line for a quote once per token took half a second.
    std::u16string text;
    while (text.size() + 2 <= 32767) text += u"a ";
    const auto start = std::chrono::steady_clock::now();
    const Tokens tokens = splitCommandLine(text);
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    EXPECT_EQ(tokens.size(), 16383u);
    EXPECT_LT(elapsed.count(), 100);
}

TEST(SplitCommandLine, AppendsToExistingTokens) {
    Tokens tokens{u"first"};
    splitCommandLine(u"second", tokens);
    EXPECT_EQ(tokens, (Tokens{u"first", u"second"}));
}

TEST(CommandWord, AcceptsEverySpellingOfTheMarker) {
    struct Case {
        std::u16string_view token;
        std::optional<std::u16string> want;
    };
    const Case cases[] = {
        {u"/stop", u"stop"},    {u"-stop", u"stop"}, {u"--stop", u"stop"}, {u"/-stop", u"stop"},
        {u"/--stop", u"-stop"}, {u"/", u""},         {u"stop", std::nullopt}, {u"", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(commandWord(c.token), c.want);
}

TEST(CommandWord, TableIsExactAndCaseSensitive) {
    EXPECT_EQ(commandForWord(u"install"), Command::Install);
    EXPECT_EQ(commandForWord(u"Install"), Command::Dispatcher);
    EXPECT_EQ(commandForWord(u"?"), Command::Usage);
    EXPECT_EQ(commandForWord(u"help"), Command::Usage);
    EXPECT_EQ(commandForWord(u"run-redirect"), Command::RunRedirect);
    EXPECT_EQ(commandForWord(u"install-and-start"), Command::InstallAndStart);
    EXPECT_EQ(commandForWord(u"runx"), Command::Dispatcher);
}

TEST(DecideEntry, ChoosesRoleServiceNameAndArguments) {
    struct Case {
        const char* name;
        Tokens tokens;
        Command command;
        bool child;
        std::optional<std::u16string> serviceName;
        Tokens arguments;
    };
    const Case cases[] = {
        {"nothing: dispatcher", {}, Command::Dispatcher, false, std::nullopt, {}},
        {"plain word: dispatcher", {u"stop"}, Command::Dispatcher, false, std::nullopt, {u"stop"}},
        {"stop without name", {u"--stop"}, Command::Stop, false, std::nullopt, {}},
        {"stop with name", {u"/stop", u"Other"}, Command::Stop, false, u"Other", {u"Other"}},
        {"run keeps its arguments", {u"/run", u"a", u"b"}, Command::Run, false, u"a", {u"a", u"b"}},
        {"marker wins over words", {u"/stop", u"x", u"__rwt_restart"}, Command::Dispatcher, true, std::nullopt,
         {u"/stop", u"x"}},
        {"marker must be last", {u"__rwt_restart", u"x"}, Command::Dispatcher, false, std::nullopt,
         {u"__rwt_restart", u"x"}},
        {"capitalized word: dispatcher with name", {u"/Install", u"Svc"}, Command::Dispatcher, false, u"Svc",
         {u"Svc"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const EntryDecision d = decideEntry(c.tokens);
        EXPECT_EQ(d.command, c.command);
        EXPECT_EQ(d.supervisedChild, c.child);
        EXPECT_EQ(d.serviceName, c.serviceName);
        EXPECT_EQ(d.arguments, c.arguments);
    }
}

TEST(UsageLine, NamesTheProgramWithoutDirectoryAndExtension) {
    const std::u16string tail = u".exe /install | /uninstall | /stop | /start | /status | /run | /run-redirect\n";
    struct Case {
        const char* name;
        std::u16string modulePath;
        std::u16string want;
    };
    const Case cases[] = {
        {"plain", u"C:\\Program Files\\App\\my app.exe", u"Usage: my app" + tail},
        {"last dot only", u"C:\\a.b\\tool.v2.EXE", u"Usage: tool.v2" + tail},
        {"no extension", u"C:\\dir.x\\tool", u"Usage: tool" + tail},
        {"forward slash", u"C:/dir/tool.exe", u"Usage: tool" + tail},
        {"bare name", u"tool.exe", u"Usage: tool" + tail},
        {"long name cut", u"C:\\" + std::u16string(300, u'n') + u".exe", u"Usage: " + std::u16string(256, u'n') + tail},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(usageLine(c.modulePath), c.want);
    }
}

}  // namespace
}  // namespace tavik::cmdline
