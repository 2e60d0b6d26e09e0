#include "launcher/jvm/JniText.h"

namespace tavik::jni {
namespace {

constexpr char16_t kReplacement = u'\uFFFD';

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The payload bits of `count` continuation bytes after `at`, or -1 when one is missing.
long continuationBits(std::string_view bytes, std::size_t at, int count) {
    long bits = 0;
    for (int i = 1; i <= count; ++i) {
        if (at + i >= bytes.size()) return -1;
        const auto byte = static_cast<unsigned char>(bytes[at + i]);
        if (!isContinuation(byte)) return -1;
        bits = (bits << 6) | (byte & 0x3F);
    }
    return bits;
}

}  // namespace

std::string encodeModifiedUtf8(std::u16string_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    for (const char16_t unit : text) {
        if (unit != 0 && unit < 0x80) {
            bytes.push_back(static_cast<char>(unit));
        } else if (unit < 0x800) {
            bytes.push_back(static_cast<char>(0xC0 | (unit >> 6)));
            bytes.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
        } else {
            bytes.push_back(static_cast<char>(0xE0 | (unit >> 12)));
            bytes.push_back(static_cast<char>(0x80 | ((unit >> 6) & 0x3F)));
            bytes.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
        }
    }
    return bytes;
}

std::u16string decodeModifiedUtf8(std::string_view bytes) {
    std::u16string text;
    text.reserve(bytes.size());
    std::size_t at = 0;
    while (at < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[at]);
        const int more = lead < 0x80 ? 0 : (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2 : (lead & 0xF8) == 0xF0 ? 3 : -1;
        const long bits = more < 0 ? -1 : continuationBits(bytes, at, more);
        if (bits < 0) {
            text.push_back(kReplacement);
            ++at;
            continue;
        }
        const long leadBits = more == 0 ? lead : more == 1 ? (lead & 0x1F) : more == 2 ? (lead & 0x0F) : (lead & 0x07);
        const long codePoint = (leadBits << (6 * more)) | bits;
        if (codePoint > 0x10FFFF) {
            text.push_back(kReplacement);
        } else if (codePoint > 0xFFFF) {
            text.push_back(static_cast<char16_t>(0xD800 + ((codePoint - 0x10000) >> 10)));
            text.push_back(static_cast<char16_t>(0xDC00 + ((codePoint - 0x10000) & 0x3FF)));
        } else {
            text.push_back(static_cast<char16_t>(codePoint));
        }
        at += static_cast<std::size_t>(more) + 1;
    }
    return text;
}

}  // namespace tavik::jni
