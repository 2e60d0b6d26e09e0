#include "common/win/WideText.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "common/TextFormat.h"

namespace tavik {
namespace {

TEST(WideText, CopiesCodeUnitsIncludingSurrogatesAndZeros) {
    const std::u16string text(u"a\u00e4\U0001F600\0z", 6);
    const std::wstring wide = toWide(text);
    ASSERT_EQ(wide.size(), 6u);
    EXPECT_EQ(wide[2], L'\xD83D');
    EXPECT_EQ(wide[3], L'\xDE00');
    EXPECT_EQ(wide[4], L'\0');
    EXPECT_EQ(toU16(wide), text);
}

// Windows-1252 is the ANSI code page of an en-US Wine prefix and of most
// Western installations; the cases below are about its exact mappings.
class AnsiCodePage1252 : public ::testing::Test {
protected:
    void SetUp() override {
        if (::GetACP() != 1252) GTEST_SKIP() << "ANSI code page is " << ::GetACP() << ", not 1252";
    }
};

TEST_F(AnsiCodePage1252, ToAnsiMapsExactlyAndFlagsEverySubstitution) {
    struct Case {
        const char* name;
        std::u16string text;
        std::string want;
        bool substituted;
    };
    const Case cases[] = {
        {"empty", u"", "", false},
        {"ASCII path", u"C:\\Program Files\\app.exe", "C:\\Program Files\\app.exe", false},
        {"Latin-1 letter", u"\u00e4", "\xE4", false},
        {"euro sign above 0x7F", u"\u20ac", "\x80", false},
        {"Greek letter has no byte", u"x\u03a9y", "x?y", true},
        // Best-fit would quietly give "A" and hide that the name differs.
        {"no best fit for A with macron", u"\u0100", "?", true},
        {"unpaired surrogate", u"a\xD800", "a?", true},
        {"literal question mark is no substitution", u"what?", "what?", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bool substituted = !c.substituted;
        EXPECT_EQ(toAnsi(c.text, substituted), c.want);
        EXPECT_EQ(substituted, c.substituted);
    }
}

TEST_F(AnsiCodePage1252, ToAnsiFollowsTheFileApiCodePage) {
    ::SetFileApisToOEM();
    bool substituted = true;
    const std::string oem = toAnsi(u"\u00e4", substituted);
    ::SetFileApisToANSI();
    // Code page 437 (the OEM page beside 1252) has "a with diaeresis" at 0x84.
    if (::GetOEMCP() != 437) GTEST_SKIP() << "OEM code page is " << ::GetOEMCP();
    EXPECT_EQ(oem, "\x84");
    EXPECT_FALSE(substituted);
    EXPECT_EQ(toAnsi(u"\u00e4", substituted), "\xE4");
}

TEST_F(AnsiCodePage1252, DecodesAnsiBytesAndFormatsNarrowArguments) {
    EXPECT_EQ(decodeAnsi("\x80\xE4z"), u"\u20ac\u00e4z");
    EXPECT_EQ(toU16(fromAnsi("\xE9t\xE9")), u"\u00e9t\u00e9");
    EXPECT_EQ(format(u"tempPath is %S", "c:\\t\xE4mp"), u"tempPath is c:\\t\u00e4mp");
    EXPECT_EQ(decodeAnsi(""), u"");
}

TEST(WideText, DecodesUtf8WithReplacementForBrokenSequences) {
    EXPECT_EQ(decodeUtf8("b\xC3\xBCm \xE2\x82\xAC"), u"b\u00fcm \u20ac");
    EXPECT_EQ(decodeUtf8("cut \xC3"), u"cut \uFFFD");
}

}  // namespace
}  // namespace tavik
