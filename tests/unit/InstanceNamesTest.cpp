#include "launcher/core/InstanceNames.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace tavik::instance {
namespace {

TEST(InstanceNames, SemaphoreNameFlattensThePathIntoOneObjectName) {
    struct Case {
        const char* name;
        bool global;
        std::string_view path;
        std::optional<std::uint32_t> number;
        std::string want;
    };
    const Case cases[] = {
        {"blanks and backslashes", false, "c:\\program files\\app\\app.exe", std::nullopt,
         "Local\\c:_program_files_app_app.exe"},
        {"global namespace", true, "c:\\app.exe", std::nullopt, "Global\\c:_app.exe"},
        {"first numbered instance", false, "c:\\app.exe", 0, "Local\\c:_app.exe0"},
        {"numbers are decimal and unpadded", true, "c:\\app.exe", 100000, "Global\\c:_app.exe100000"},
        {"runs stay one underscore each", false, "\\\\server\\a  b\\x.exe", std::nullopt,
         "Local\\__server_a__b_x.exe"},
        {"tab and slash are kept", false, "c:/a\tb.exe", std::nullopt, "Local\\c:/a\tb.exe"},
        {"non-ASCII bytes pass unchanged", false, "c:\\\xE4pp.exe", std::nullopt, "Local\\c:_\xE4pp.exe"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(semaphoreName(c.global, c.path, c.number), c.want);
    }
}

TEST(InstanceNames, MailslotIsNamedAfterTheFirstInstancesProcessId) {
    EXPECT_EQ(mailslotName(0), u"\\\\.\\mailslot\\runwright_notification_0");
    EXPECT_EQ(mailslotName(4294967295u), u"\\\\.\\mailslot\\runwright_notification_4294967295");
}

TEST(InstanceNames, CommandLineTailFollowsTheProgramNameAndItsBlanks) {
    struct Case {
        const char* name;
        std::u16string_view commandLine;
        std::u16string_view want;
    };
    const Case cases[] = {
        {"empty command line", u"", u""},
        {"program only", u"app.exe", u""},
        {"quoted program only", u"\"C:\\My App\\app.exe\"", u""},
        {"quoted program with blanks inside", u"\"C:\\My App\\app.exe\" a b", u"a b"},
        {"quoted program without closing quote", u"\"C:\\My App\\app.exe a b", u""},
        {"unquoted program", u"C:\\app.exe x", u"x"},
        {"several blanks before the tail", u"app.exe    x  y", u"x  y"},
        {"only blanks after the program", u"app.exe   ", u""},
        {"quotes in the tail kept", u"app.exe \"a b\" 'c'", u"\"a b\" 'c'"},
        {"tab is no separator", u"app.exe\tx", u""},
        {"tab after the blank belongs to the tail", u"app.exe \tx", u"\tx"},
        {"text glued to the closing quote", u"\"C:\\app.exe\"x y", u"y"},
        {"blank right after the closing quote", u"\"C:\\app.exe\" \"quoted arg\"", u"\"quoted arg\""},
        {"lone quote", u"\"", u""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(commandLineTail(c.commandLine), c.want);
    }
}

TEST(InstanceNames, EmptyTailTravelsAsTheMarkerAndArrivesAsNull) {
    EXPECT_EQ(notificationMessage(u""), u"__rwt_empty_command_line");
    EXPECT_EQ(notificationMessage(u"\"a b\" c"), u"\"a b\" c");

    EXPECT_EQ(notificationArgument(u"__rwt_empty_command_line"), std::nullopt);
    EXPECT_EQ(notificationArgument(u"\"a b\" c"), std::optional<std::u16string>(u"\"a b\" c"));
    // Only the whole marker stands for null.
    EXPECT_EQ(notificationArgument(u"__rwt_empty_command_line "),
              std::optional<std::u16string>(u"__rwt_empty_command_line "));
    EXPECT_EQ(notificationArgument(u"__rwt_empty_command_lin"),
              std::optional<std::u16string>(u"__rwt_empty_command_lin"));
}

}  // namespace
}  // namespace tavik::instance
