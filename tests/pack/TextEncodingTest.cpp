#include "tools/pack/TextEncoding.h"

#include <gtest/gtest.h>

namespace tavik::pack {
namespace {

TEST(TextEncoding, Windows1252CoversLatin1AndItsOwnPunctuation) {
    struct Case {
        char32_t character;
        int want;  // -1: no byte
    };
    const Case cases[] = {
        {U'A', 0x41},    {U'\n', 0x0A},   {0x00A0, 0xA0},  {U'é', 0xE9},    {U'ÿ', 0xFF},
        {U'€', 0x80},    {U'‚', 0x82},    {U'™', 0x99},    {U'Ÿ', 0x9F},    {U'Ž', 0x8E},
        {0x0081, -1},    {0x008D, -1},    {0x009D, -1},    {0x0080, -1},    {0x0100, -1},
        {U'中', -1},     {0x1F600, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(describeCharacter(c.character));
        const auto byte = windows1252Byte(c.character);
        if (c.want < 0) {
            EXPECT_FALSE(byte) << int(static_cast<unsigned char>(*byte));
        } else {
            ASSERT_TRUE(byte);
            EXPECT_EQ(static_cast<unsigned char>(*byte), c.want);
        }
    }
}

TEST(TextEncoding, Windows1252ReportsTheFirstCharacterItLacks) {
    const Windows1252Text fine = toWindows1252(U"Caf\u00e9 \u20ac5");
    EXPECT_EQ(fine.bytes, "Caf\xE9 \x80" "5");
    EXPECT_FALSE(fine.unrepresentable);

    const Windows1252Text mixed = toWindows1252(U"a\u4e2d\u0100");
    ASSERT_TRUE(mixed.unrepresentable);
    EXPECT_EQ(*mixed.unrepresentable, U'\u4e2d');
    EXPECT_EQ(describeCharacter(*mixed.unrepresentable), "U+4E2D (\u4e2d)");
}

TEST(TextEncoding, Utf8BecomesUtf16WithSurrogatePairs) {
    struct Case {
        const char* name;
        std::string utf8;
        std::u16string want;
    };
    const Case cases[] = {
        {"ascii", "abc", u"abc"},
        {"two and three bytes", "\xC3\xA9\xE2\x82\xAC", u"\u00e9\u20ac"},
        {"beyond the BMP", "\xF0\x9F\x98\x80!", u"\xD83D\xDE00!"},
        {"highest code point", "\xF4\x8F\xBF\xBF", u"\xDBFF\xDFFF"},
        {"truncated sequence", "a\xC3", u"a\uFFFD"},
        {"overlong NUL", "\xC0\x80" "b", u"\uFFFDb"},
        {"encoded surrogate", "\xED\xA0\x80", u"\uFFFD"},
        {"stray continuation", "\x80x", u"\uFFFDx"},
        {"sequence cut by a new lead", "\xE2\x82" "A", u"\uFFFDA"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(toUtf16(decodeUtf8(c.utf8)), c.want);
    }
}

}  // namespace
}  // namespace tavik::pack
