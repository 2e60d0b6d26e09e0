#include "common/SysError.h"

#include "common/TextFormat.h"

namespace tavik {
namespace {

std::u16string widened(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

std::u16string codeText(std::uint32_t code) {
    if (code & 0x80000000u) return u"0x" + unsignedText(code, 16, true, 8);
    return unsignedText(code);
}

bool isTrailingSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

// System texts end in a line break that has no place inside a log line.
std::u16string_view trimmed(std::u16string_view text) {
    while (!text.empty() && isTrailingSpace(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace

std::u16string failureText(const SysError& error, std::u16string_view subject, std::u16string_view systemText) {
    std::u16string text = widened(error.api != nullptr ? error.api : "(unknown call)");
    if (!subject.empty()) {
        text += u"(\"";
        text += subject;
        text += u"\")";
    }
    text += u" failed: ";
    text += codeText(error.code);
    const std::u16string_view description = trimmed(systemText);
    if (!description.empty()) {
        text += u" (";
        text += description;
        text += u")";
    }
    return text;
}

}  // namespace tavik
