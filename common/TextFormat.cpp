#include "common/TextFormat.h"

#include <algorithm>

namespace tavik {
namespace {

std::u16string integerText(const FormatArg& arg, char conversion) {
    switch (arg.kind()) {
        case FormatArg::Kind::Integer:
            if (conversion == 'x') return unsignedText(static_cast<unsigned long long>(arg.integer()), 16);
            return signedText(arg.integer());
        case FormatArg::Kind::Pointer:
            return unsignedText(arg.pointer());
        case FormatArg::Kind::Text:
            return std::u16string(arg.text());
    }
    return {};
}

std::u16string pointerText(const FormatArg& arg) {
    const unsigned long long value = arg.kind() == FormatArg::Kind::Pointer
                                         ? arg.pointer()
                                         : static_cast<unsigned long long>(arg.integer());
    return unsignedText(value, 16, true, 2 * sizeof(void*));
}

std::u16string argumentText(const FormatArg& arg, char conversion) {
    if (conversion == 'p') return pointerText(arg);
    if (arg.kind() == FormatArg::Kind::Text) return std::u16string(arg.text());
    return integerText(arg, conversion);
}

bool isLengthModifier(char16_t c) { return c == u'l' || c == u'h' || c == u'I' || c == u'6' || c == u'4'; }

}  // namespace

// Own digits: the C library's formatting would bring its whole printf,
// floating point included, into every packed program.
std::u16string unsignedText(unsigned long long value, unsigned base, bool upperCase, std::size_t width) {
    const char16_t* const digits = upperCase ? u"0123456789ABCDEF" : u"0123456789abcdef";
    std::u16string text;
    do {
        text.push_back(digits[value % base]);
        value /= base;
    } while (value != 0);
    if (text.size() < width) text.append(width - text.size(), u'0');
    std::reverse(text.begin(), text.end());
    return text;
}

std::u16string signedText(long long value) {
    if (value >= 0) return unsignedText(static_cast<unsigned long long>(value));
    // The magnitude of the most negative value fits only unsigned.
    return u"-" + unsignedText(0ULL - static_cast<unsigned long long>(value));
}

std::u16string formatText(std::u16string_view format, std::initializer_list<FormatArg> args) {
    std::u16string out;
    out.reserve(format.size() + 16 * args.size());
    auto next = args.begin();
    for (size_t i = 0; i < format.size(); ++i) {
        const char16_t c = format[i];
        if (c != u'%' || i + 1 == format.size()) {
            out.push_back(c);
            continue;
        }
        size_t j = i + 1;
        if (format[j] == u'%') {
            out.push_back(u'%');
            i = j;
            continue;
        }
        while (j < format.size() && isLengthModifier(format[j])) ++j;
        if (j == format.size()) {
            out.append(format.substr(i));
            break;
        }
        const char16_t conversion = format[j];
        if (std::u16string_view(u"diuxsSp").find(conversion) == std::u16string_view::npos) {
            out.append(format.substr(i, j - i + 1));
        } else if (next != args.end()) {
            out += argumentText(*next++, static_cast<char>(conversion));
        }
        i = j;
    }
    return out;
}

}  // namespace tavik
