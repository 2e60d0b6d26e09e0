// The registry natives' decisions on value data: stored bytes, however
// malformed, are read only within their size.
#include "native/registry/RegistryRules.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tavik::native::registry {
namespace {

using namespace std::string_literals;

// The data alone in a heap block of its exact size, so that AddressSanitizer
// sees any read past it.
class StoredBytes {
public:
    explicit StoredBytes(const std::u16string& units, std::size_t size)
        : size_(size), bytes_(new std::uint8_t[size == 0 ? 1 : size]) {
        std::memcpy(bytes_.get(), units.data(), size);
    }
    explicit StoredBytes(const std::u16string& units) : StoredBytes(units, units.size() * sizeof(char16_t)) {}

    const std::uint8_t* data() const { return size_ == 0 ? nullptr : bytes_.get(); }
    std::size_t size() const { return size_; }

private:
    std::size_t size_;
    std::unique_ptr<std::uint8_t[]> bytes_;
};

TEST(RegistryText, DropsOneStoredTerminatorAndReadsOnlyWholeUnits) {
    struct Case {
        const char* name;
        std::u16string units;
        std::size_t size;
        std::u16string want;
    };
    const Case cases[] = {
        {"terminated", u"abc\0"s, 8, u"abc"},
        {"without terminator", u"abc"s, 6, u"abc"},
        {"no data", u""s, 0, u""},
        {"only the terminator", u"\0"s, 2, u""},
        {"two terminators keep one", u"ab\0\0"s, 8, u"ab\0"s},
        {"embedded zero stays", u"a\0b\0"s, 8, u"a\0b"s},
        {"odd size drops the half unit", u"abc"s, 5, u"ab"},
        {"a single byte", u"a"s, 1, u""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const StoredBytes stored(c.units, c.size);
        EXPECT_EQ(textOfData(stored.data(), stored.size()), c.want);
    }
}

TEST(RegistryMultiString, SplitsWithinTheDataWhateverItsTerminators) {
    struct Case {
        const char* name;
        std::u16string units;
        std::vector<std::u16string> want;
    };
    const Case cases[] = {
        {"two strings, list terminated", u"ab\0cd\0\0"s, {u"ab", u"cd"}},
        {"list terminator missing", u"ab\0cd\0"s, {u"ab", u"cd"}},
        {"last string unterminated", u"ab\0cd"s, {u"ab", u"cd"}},
        {"one string unterminated", u"abc"s, {u"abc"}},
        {"no data", u""s, {}},
        {"empty list", u"\0"s, {}},
        {"one empty string", u"\0\0"s, {u""}},
        {"empty string inside", u"ab\0\0cd\0\0"s, {u"ab", u"", u"cd"}},
        {"empty string last", u"ab\0\0\0"s, {u"ab", u""}},
        {"leading empty string", u"\0ab\0\0"s, {u"", u"ab"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const StoredBytes stored(c.units);
        EXPECT_EQ(stringsOfData(stored.data(), stored.size()), c.want);
    }
}

TEST(RegistryMultiString, AnOddLastByteIsNoCharacter) {
    const StoredBytes stored(u"ab\0c"s, 7);
    EXPECT_EQ(stringsOfData(stored.data(), stored.size()), (std::vector<std::u16string>{u"ab"}));
}

TEST(RegistryDword, TakesFourLittleEndianBytesAndNeedsThemAll) {
    const std::uint8_t bytes[] = {0x78, 0x56, 0x34, 0x12, 0xff};
    EXPECT_EQ(dwordOfData(bytes, 4), 0x12345678);
    EXPECT_EQ(dwordOfData(bytes, 5), 0x12345678);
    const std::uint8_t negative[] = {0xfe, 0xff, 0xff, 0xff};
    EXPECT_EQ(dwordOfData(negative, 4), -2);
    const StoredBytes shorter(u"\x5678"s, 3);
    EXPECT_EQ(dwordOfData(shorter.data(), shorter.size()), std::nullopt);
    EXPECT_EQ(dwordOfData(nullptr, 0), std::nullopt);
}

TEST(RegistryStringData, IsCutToItsLimitAndTerminated) {
    EXPECT_EQ(stringData(u"abc"), u"abc\0"s);
    EXPECT_EQ(stringData(u""), u"\0"s);
    const std::u16string longest(kStringUnitLimit, u'x');
    EXPECT_EQ(stringData(longest), longest + u'\0');
    const std::u16string longer = u"y" + std::u16string(60000, u'x');
    const std::u16string data = stringData(longer);
    ASSERT_EQ(data.size(), 50000u);
    EXPECT_EQ(data.substr(0, 49999), longer.substr(0, 49999));
    EXPECT_EQ(data.back(), u'\0');
}

TEST(RegistryMultiStringData, TerminatesEachStringAndTheList) {
    EXPECT_EQ(multiStringData({u"ab", u"c"}), u"ab\0c\0\0"s);
    EXPECT_EQ(multiStringData({u"one"}), u"one\0\0"s);
    EXPECT_EQ(multiStringData({}), u"\0"s);
}

TEST(RegistryMultiStringData, RefusesAListItCannotWriteWhole) {
    struct Case {
        const char* name;
        std::vector<std::optional<std::u16string_view>> strings;
    };
    const std::u16string fitsAlone(kMultiStringUnitLimit - 2, u'x');
    const std::u16string overAlone(kMultiStringUnitLimit - 1, u'x');
    const Case cases[] = {
        {"empty string first", {u"", u"a"}},
        {"empty string later", {u"a", u""}},
        {"null string", {u"a", std::nullopt}},
        {"one string one unit over", {std::u16string_view(overAlone)}},
        {"second string over", {u"ab", std::u16string_view(fitsAlone).substr(2)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(multiStringData(c.strings), std::nullopt);
    }
}

TEST(RegistryMultiStringData, FillsItsLimitExactly) {
    const std::u16string fitsAlone(kMultiStringUnitLimit - 2, u'x');
    const std::optional<std::u16string> alone = multiStringData({std::u16string_view(fitsAlone)});
    ASSERT_TRUE(alone);
    EXPECT_EQ(alone->size(), kMultiStringUnitLimit);
    const std::u16string rest(kMultiStringUnitLimit - 5, u'x');
    const std::optional<std::u16string> two = multiStringData({u"ab", std::u16string_view(rest)});
    ASSERT_TRUE(two);
    EXPECT_EQ(two->size(), kMultiStringUnitLimit);
    EXPECT_EQ(two->substr(0, 3), u"ab\0"s);
}

}  // namespace
}  // namespace tavik::native::registry
