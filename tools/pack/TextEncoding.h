#pragma once
// Project files are UTF-8. The block carries wide texts as UTF-16LE and
// narrow texts in the ANSI code page the launcher hands to 8-bit Win32
// calls, taken to be Windows-1252.
#include <optional>
#include <string>
#include <string_view>

namespace tavik::pack {

// Malformed sequences become U+FFFD (toml++ has rejected them already).
std::u32string decodeUtf8(std::string_view utf8);

// Characters beyond the BMP become surrogate pairs.
std::u16string toUtf16(std::u32string_view text);

// The byte Windows-1252 has for the character; none for a character it lacks,
// including the five code points that are unassigned there (0x81, 0x8D, ...).
std::optional<char> windows1252Byte(char32_t character);

struct Windows1252Text {
    std::string bytes;
    std::optional<char32_t> unrepresentable;  // the first character without a byte
};
Windows1252Text toWindows1252(std::u32string_view text);

// "U+20AC (€)" style, for error messages.
std::string describeCharacter(char32_t character);

}  // namespace tavik::pack
