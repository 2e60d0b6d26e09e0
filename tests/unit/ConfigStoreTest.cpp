#include "launcher/core/ConfigStore.h"

#include <gtest/gtest.h>

#include <limits>

namespace tavik::config {
namespace {

TEST(ConfigStore, ParsesIntegersLikeTheCRuntime) {
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    struct Case {
        std::string_view text;
        std::int32_t want;
    };
    const Case cases[] = {
        {"42", 42},
        {"5abc", 5},
        {"12 34", 12},
        {"abc", 0},
        {"", 0},
        {" 7", 7},
        {"\t\n\v\f\r 8", 8},
        {"-13", -13},
        {"+5", 5},
        {"  -0012x", -12},
        {"- 5", 0},
        {"--5", 0},
        {"0x1F", 0},
        {"2147483647", kMax},
        {"2147483648", kMax},
        {"99999999999999999999", kMax},
        {"-2147483648", kMin},
        {"-2147483649", kMin},
        {"-99999999999999999999", kMin},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text));
        EXPECT_EQ(parseConfigInt(c.text), c.want);
    }
}

TEST(ConfigStore, BoundedTextCutsToTheBufferAndSaysSo) {
    ConfigTables tables;
    tables.narrow[2001] = "rt";
    tables.narrow[152] = std::string(199, 's');
    tables.narrow[153] = std::string(200, 's');
    tables.narrow[7] = std::string("ab\0cd", 5);
    struct Case {
        const char* name;
        std::int32_t id;
        std::size_t capacity;
        std::string want;
        bool truncated;
        std::size_t fullLength;
    };
    const Case cases[] = {
        {"flavour keeps its first character", 2001, 2, "r", true, 2},
        {"exactly fits", 152, 200, std::string(199, 's'), false, 199},
        {"one too many", 153, 200, std::string(199, 's'), true, 200},
        {"absent", 99, 6000, "", false, 0},
        {"embedded zero ends the text", 7, 6000, "ab", false, 2},
        {"no room at all", 2001, 0, "", true, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const BoundedText got = boundedNarrowText(tables, c.id, c.capacity);
        EXPECT_EQ(got.text, c.want);
        EXPECT_EQ(got.truncated, c.truncated);
        EXPECT_EQ(got.fullLength, c.fullLength);
    }
}

TEST(ConfigStore, WidensEachByteToTheSameValue) {
    EXPECT_EQ(widenBytes("caf\xE9\x80\xFF", 6000), u"caf\u00E9\u0080\u00FF");
    EXPECT_EQ(widenBytes("abcdef", 4), u"abc");
    EXPECT_EQ(widenBytes("abc", 4), u"abc");
    EXPECT_EQ(widenBytes("abc", 0), u"");
}

TEST(ConfigStore, MessagePrefersANonEmptyWideText) {
    ConfigTables tables;
    tables.narrow = {{1000, "narrow caption"}, {1005, "only narrow \xE9"}, {1010, "narrow"}};
    tables.wide = {{1000, u"wide caption"}, {1010, u""}, {1011, u"wide only"}};
    tables.narrow[1020] = std::string(7000, 'n');
    struct Case {
        std::int32_t id;
        std::u16string want;
    };
    const Case cases[] = {
        {1000, u"wide caption"},
        {1005, u"only narrow \u00E9"},
        {1010, u"narrow"},
        {1011, u"wide only"},
        {1016, u""},
        {1020, std::u16string(kMessageCapacity - 1, u'n')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(messageText(tables, c.id), c.want);
    }
    EXPECT_EQ(narrowText(tables, 1000), "narrow caption");
    EXPECT_EQ(localizedText(tables, 1005), u"");
}

TEST(ConfigStore, ReplacesOnlyTheFirstPlaceholder) {
    const std::u16string eleven = u"11";
    const std::u16string empty;
    const std::u16string placeholderItself = u"{0}";
    struct Case {
        const char* name;
        std::u16string text;
        const std::u16string* argument;
        std::u16string want;
    };
    const Case cases[] = {
        {"twice", u"Error {0} in {0}.", &eleven, u"Error 11 in {0}."},
        {"at the start", u"{0} failed", &eleven, u"11 failed"},
        {"at the end", u"code {0}", &eleven, u"code 11"},
        {"alone", u"{0}", &eleven, u"11"},
        {"no argument", u"Error {0}.", nullptr, u"Error {0}."},
        {"no placeholder", u"Error.", &eleven, u"Error."},
        {"other index untouched", u"Error {1}.", &eleven, u"Error {1}."},
        {"incomplete placeholder", u"Error {0 and {0", &eleven, u"Error {0 and {0"},
        {"empty argument", u"[{0}]", &empty, u"[]"},
        {"argument is not searched again", u"a{0}b{0}c", &placeholderItself, u"a{0}b{0}c"},
        {"empty text", u"", &eleven, u""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(replaceFirstPlaceholder(c.text, c.argument), c.want);
    }
}

TEST(ConfigStore, FormatsTheMessageTheErrorPathShows) {
    ConfigTables tables;
    tables.narrow[1009] = "Internal error {0} ({0})";
    tables.wide[1006] = u"Missing: {0}";
    const std::u16string code = u"11";
    const std::u16string entry = u"lib\\a.jar";

    EXPECT_EQ(formatMessage(tables, 1009, &code), u"Internal error 11 ({0})");
    EXPECT_EQ(formatMessage(tables, 1006, &entry), u"Missing: lib\\a.jar");
    EXPECT_EQ(formatMessage(tables, 1006, nullptr), u"Missing: {0}");
    EXPECT_EQ(formatMessage(tables, 1015, &code), u"");
}

}  // namespace
}  // namespace tavik::config
