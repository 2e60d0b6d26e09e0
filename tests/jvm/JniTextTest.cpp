#include "launcher/jvm/JniText.h"

#include <gtest/gtest.h>

namespace tavik::jni {
namespace {

TEST(ModifiedUtf8, EncodesEachUtf16UnitOnItsOwn) {
    struct Case { const char* name; std::u16string text; std::string bytes; };
    const Case cases[] = {
        {"ascii", u"Splash 1", "Splash 1"},
        {"nul takes two bytes", std::u16string(u"a\0b", 3), "a\xC0\x80" "b"},
        {"two-byte range", u"\u00fcber \u07ff", "\xC3\xBC" "ber \xDF\xBF"},
        {"three-byte range", u"\u20ac\uffff", "\xE2\x82\xAC\xEF\xBF\xBF"},
        {"surrogate pair as two sequences", u"\U0001D11E", "\xED\xA0\xB4\xED\xB4\x9E"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(encodeModifiedUtf8(c.text), c.bytes);
        EXPECT_EQ(decodeModifiedUtf8(c.bytes), c.text);
    }
}

TEST(ModifiedUtf8, DecodesStandardSequencesAndReplacesMalformedOnes) {
    struct Case { const char* name; std::string bytes; std::u16string text; };
    const Case cases[] = {
        {"four-byte sequence", "\xF0\x9D\x84\x9E", u"\U0001D11E"},
        {"cut at the end", "ab\xC3", u"ab\uFFFD"},
        {"stray continuation byte", "\x80x", u"\uFFFDx"},
        {"lead byte without continuation", "\xE2(", u"\uFFFD("},
        {"invalid lead byte", "\xFF", u"\uFFFD"},
        {"beyond the last code point", "\xF7\xBF\xBF\xBF", u"\uFFFD"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(decodeModifiedUtf8(c.bytes), c.text);
    }
}

}  // namespace
}  // namespace tavik::jni
