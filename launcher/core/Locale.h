#pragma once
// The user's locale as a Java-style name ("de_CH", "en", "no_NO_NY"), from a
// Windows LANGID through the launcher's fixed table.
#include <cstdint>
#include <optional>
#include <string>

namespace tavik::locale {

struct LocaleRow {
    std::uint16_t key;
    const char* name;
};

// All rows, sorted by key: primary-language rows, then full-LANGID rows.
const LocaleRow* localeTable(std::size_t& rowCount);

// The whole LANGID first, then its primary language (LANGID & 0x3FF), else "en".
std::string localeNameForLangId(std::uint16_t langId);

// First two characters of the name; country = characters 4-5 when the name has exactly 5.
std::optional<std::string> languageOf(const std::string& localeName);
std::optional<std::string> countryOf(const std::string& localeName);

}  // namespace tavik::locale
