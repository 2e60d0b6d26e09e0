#include "launcher/core/Locale.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

namespace tavik::locale {
namespace {

TEST(Locale, NamesAWholeLangIdThenItsPrimaryLanguageElseEnglish) {
    struct Case {
        std::uint16_t langId;
        const char* want;
    };
    const Case cases[] = {
        {0x0C0C, "fr_CA"},     {0x1C0C, "fr"},  // French sub-language without a row of its own
        {0x140C, "fr_LU"},     {0x0428, "en"},  // neither 0x0428 nor 0x28 has a row
        {0x0431, "ts"},        {0x0814, "no_NO_NY"}, {0x0807, "de_CH"}, {0x0407, "de_DE"},
        {0x0409, "en_US"},     {0x2409, "en"},  {0x0009, "en"},         {0x0007, "de"},
        {0x7C04, "zh"},        {0x041A, "hr_HR"}, {0x081A, "sr_CS"},    {0x0C1A, "sr_CS"},
        {0x040D, "iw_IL"},     {0x0421, "in_ID"}, {0x0456, "gl_ES"},    {0x0856, "gl"},
        {0x500A, "es_PR"},     {0x540A, "es"},  {0x0000, "en"},         {0xFFFF, "en"},
        {0x0057, "en"},        {0x083C, "ga_IE"}, {0x043C, "gd_GB"},    {0x0812, "ko_KR"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.langId);
        EXPECT_EQ(localeNameForLangId(c.langId), c.want);
    }
}

TEST(Locale, TableHas215DistinctSortedKeys) {
    std::size_t rowCount = 0;
    const LocaleRow* rows = localeTable(rowCount);
    ASSERT_EQ(rowCount, 215u);
    std::size_t primaryRows = 0;
    for (std::size_t i = 0; i < rowCount; ++i) {
        SCOPED_TRACE(i);
        if (i > 0) {
            EXPECT_LT(rows[i - 1].key, rows[i].key);
        }
        const std::size_t length = std::strlen(rows[i].name);
        EXPECT_GE(length, 2u);
        EXPECT_LE(length, 8u);
        if (rows[i].key < 0x400) {
            ++primaryRows;
            EXPECT_EQ(length, 2u);
        }
    }
    EXPECT_EQ(primaryRows, 71u);
    EXPECT_EQ(rows[0].key, 0x01);
    EXPECT_STREQ(rows[0].name, "ar");
    EXPECT_EQ(rows[rowCount - 1].key, 0x500A);
    EXPECT_STREQ(rows[rowCount - 1].name, "es_PR");
}

TEST(Locale, EveryFullRowsLanguageHasAPrimaryRowExceptIrish) {
    // A sub-language without a row falls back to its primary row; this shows
    // the table's rows agree with that fallback.
    std::size_t rowCount = 0;
    const LocaleRow* rows = localeTable(rowCount);
    std::set<std::string> withoutPrimary;
    for (std::size_t i = 0; i < rowCount; ++i) {
        if (rows[i].key < 0x400) continue;
        const std::string primary = localeNameForLangId(static_cast<std::uint16_t>(rows[i].key & 0x3FF));
        if (primary != std::string(rows[i].name, 2)) withoutPrimary.insert(rows[i].name);
    }
    // 0x041A is Croatian under the Serbian primary language; 0x083C is Irish under Scottish Gaelic.
    EXPECT_EQ(withoutPrimary, (std::set<std::string>{"ga_IE", "hr_HR"}));
}

TEST(Locale, LanguageAndCountryComeFromFixedPositions) {
    struct Case {
        std::string name;
        std::optional<std::string> language;
        std::optional<std::string> country;
    };
    const Case cases[] = {
        {"de_CH", "de", "CH"},
        {"fr_CA", "fr", "CA"},
        {"en", "en", std::nullopt},
        {"ts", "ts", std::nullopt},
        {"no_NO_NY", "no", std::nullopt},
        {"", std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(languageOf(c.name), c.language);
        EXPECT_EQ(countryOf(c.name), c.country);
    }
}

}  // namespace
}  // namespace tavik::locale
