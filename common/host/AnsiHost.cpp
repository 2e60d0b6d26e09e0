#include "common/TextFormat.h"

namespace tavik {

// Host builds treat the ANSI code page as Latin-1, as Windows-1252 is for ASCII
// and for the bytes tests use.
std::u16string decodeAnsi(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (const char c : text) out.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
    return out;
}

}  // namespace tavik
