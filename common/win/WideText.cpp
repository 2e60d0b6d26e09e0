#include "common/win/WideText.h"

#include <windows.h>

#include <climits>

#include "common/TextFormat.h"

namespace tavik {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 code units on both sides");

// Win32 counts in int; a longer text is cut rather than wrapping to a negative count.
int clampedLength(std::size_t size) { return size > INT_MAX ? INT_MAX : static_cast<int>(size); }

std::wstring multiByteToWide(UINT codePage, std::string_view text) {
    if (text.empty()) return {};
    const int length = clampedLength(text.size());
    const int needed = ::MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
    if (needed <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    const int written = ::MultiByteToWideChar(codePage, 0, text.data(), length, wide.data(), needed);
    wide.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
    return wide;
}

// The number itself: CP_UTF8 needs other flags than the single-byte and DBCS pages.
UINT fileApiCodePage() { return ::AreFileApisANSI() ? ::GetACP() : ::GetOEMCP(); }

std::string wideToMultiByte(UINT codePage, DWORD flags, const wchar_t* wide, int length, const char* defaultChar,
                            BOOL* usedDefault) {
    const int needed = ::WideCharToMultiByte(codePage, flags, wide, length, nullptr, 0, defaultChar, usedDefault);
    if (needed <= 0) return {};
    std::string bytes(static_cast<std::size_t>(needed), '\0');
    const int written =
        ::WideCharToMultiByte(codePage, flags, wide, length, bytes.data(), needed, defaultChar, usedDefault);
    bytes.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
    return bytes;
}

}  // namespace

std::wstring toWide(std::u16string_view text) {
    std::wstring wide(text.size(), L'\0');
    for (std::size_t i = 0; i < text.size(); ++i) wide[i] = static_cast<wchar_t>(text[i]);
    return wide;
}

std::u16string toU16(std::wstring_view text) {
    std::u16string u16(text.size(), u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) u16[i] = static_cast<char16_t>(text[i]);
    return u16;
}

std::wstring fromAnsi(std::string_view text) { return multiByteToWide(CP_ACP, text); }

std::u16string decodeAnsi(std::string_view text) { return toU16(fromAnsi(text)); }

std::u16string decodeUtf8(std::string_view text) { return toU16(multiByteToWide(CP_UTF8, text)); }

std::string toAnsi(std::u16string_view text, bool& substituted) {
    substituted = false;
    if (text.empty()) return {};
    const std::wstring wide = toWide(text);
    const int length = clampedLength(wide.size());
    const UINT codePage = fileApiCodePage();
    if (codePage == CP_UTF8) {
        // UTF-8 takes neither "?" nor the no-best-fit flag; only unpaired
        // surrogates cannot be represented.
        std::string strict = wideToMultiByte(codePage, WC_ERR_INVALID_CHARS, wide.data(), length, nullptr, nullptr);
        if (!strict.empty()) return strict;
        substituted = true;
        return wideToMultiByte(codePage, 0, wide.data(), length, nullptr, nullptr);
    }
    BOOL usedDefault = FALSE;
    std::string bytes = wideToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.data(), length, "?", &usedDefault);
    substituted = usedDefault != FALSE;
    return bytes;
}

}  // namespace tavik
