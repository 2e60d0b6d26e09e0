#include "tools/pack/TextEncoding.h"

#include <array>
#include <cstdio>

namespace tavik::pack {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Windows-1252 bytes 0x80 to 0x9F; 0 marks the unassigned ones.
constexpr std::array<char32_t, 32> kHighControlRange = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

}  // namespace

std::u32string decodeUtf8(std::string_view utf8) {
    std::u32string text;
    text.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        std::size_t length = 0;
        char32_t value = 0;
        char32_t smallest = 0;  // below this the sequence is an overlong form
        if (lead < 0x80) {
            length = 1, value = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2, value = lead & 0x1Fu, smallest = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3, value = lead & 0x0Fu, smallest = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4, value = lead & 0x07u, smallest = 0x10000;
        } else {
            text.push_back(kReplacement);
            ++i;
            continue;
        }
        std::size_t taken = 1;
        while (taken < length && i + taken < utf8.size() &&
               isContinuation(static_cast<unsigned char>(utf8[i + taken]))) {
            value = (value << 6) | (static_cast<unsigned char>(utf8[i + taken]) & 0x3Fu);
            ++taken;
        }
        const bool complete = taken == length;
        const bool valid = complete && value >= smallest && value <= 0x10FFFF && (value < 0xD800 || value > 0xDFFF);
        text.push_back(valid ? value : kReplacement);
        i += taken;
    }
    return text;
}

std::u16string toUtf16(std::u32string_view text) {
    std::u16string units;
    units.reserve(text.size());
    for (const char32_t c : text) {
        if (c < 0x10000) {
            units.push_back(static_cast<char16_t>(c));
        } else {
            const char32_t offset = c - 0x10000;
            units.push_back(static_cast<char16_t>(0xD800 + (offset >> 10)));
            units.push_back(static_cast<char16_t>(0xDC00 + (offset & 0x3FF)));
        }
    }
    return units;
}

std::optional<char> windows1252Byte(char32_t character) {
    if (character < 0x80 || (character >= 0xA0 && character <= 0xFF)) return static_cast<char>(character);
    for (std::size_t i = 0; i < kHighControlRange.size(); ++i) {
        if (kHighControlRange[i] != 0 && kHighControlRange[i] == character) return static_cast<char>(0x80 + i);
    }
    return std::nullopt;
}

Windows1252Text toWindows1252(std::u32string_view text) {
    Windows1252Text result;
    result.bytes.reserve(text.size());
    for (const char32_t c : text) {
        const auto byte = windows1252Byte(c);
        if (!byte) {
            result.unrepresentable = c;
            return result;
        }
        result.bytes.push_back(*byte);
    }
    return result;
}

std::string describeCharacter(char32_t character) {
    char name[16];
    std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(character));
    std::string glyph;
    if (character < 0x80) {
        glyph.push_back(static_cast<char>(character));
    } else if (character < 0x800) {
        glyph.push_back(static_cast<char>(0xC0 | (character >> 6)));
        glyph.push_back(static_cast<char>(0x80 | (character & 0x3F)));
    } else if (character < 0x10000) {
        glyph.push_back(static_cast<char>(0xE0 | (character >> 12)));
        glyph.push_back(static_cast<char>(0x80 | ((character >> 6) & 0x3F)));
        glyph.push_back(static_cast<char>(0x80 | (character & 0x3F)));
    } else {
        glyph.push_back(static_cast<char>(0xF0 | (character >> 18)));
        glyph.push_back(static_cast<char>(0x80 | ((character >> 12) & 0x3F)));
        glyph.push_back(static_cast<char>(0x80 | ((character >> 6) & 0x3F)));
        glyph.push_back(static_cast<char>(0x80 | (character & 0x3F)));
    }
    return std::string(name) + " (" + glyph + ")";
}

}  // namespace tavik::pack
