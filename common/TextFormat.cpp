#include "common/TextFormat.h"

#include <cstdio>

namespace tavik {
namespace {

std::u16string ascii(const char* s) {
    std::u16string out;
    for (; *s; ++s) out.push_back(static_cast<char16_t>(static_cast<unsigned char>(*s)));
    return out;
}

std::u16string integerText(const FormatArg& arg, char conversion) {
    char buffer[32];
    switch (arg.kind()) {
        case FormatArg::Kind::Integer:
            if (conversion == 'x')
                std::snprintf(buffer, sizeof buffer, "%llx", static_cast<unsigned long long>(arg.integer()));
            else
                std::snprintf(buffer, sizeof buffer, "%lld", arg.integer());
            return ascii(buffer);
        case FormatArg::Kind::Pointer:
            std::snprintf(buffer, sizeof buffer, "%llu", static_cast<unsigned long long>(arg.pointer()));
            return ascii(buffer);
        case FormatArg::Kind::Text:
            return std::u16string(arg.text());
    }
    return {};
}

std::u16string pointerText(const FormatArg& arg) {
    char buffer[32];
    const unsigned long long value = arg.kind() == FormatArg::Kind::Pointer
                                         ? arg.pointer()
                                         : static_cast<unsigned long long>(arg.integer());
    std::snprintf(buffer, sizeof buffer, "%0*llX", static_cast<int>(2 * sizeof(void*)), value);
    return ascii(buffer);
}

std::u16string argumentText(const FormatArg& arg, char conversion) {
    if (conversion == 'p') return pointerText(arg);
    if (arg.kind() == FormatArg::Kind::Text) return std::u16string(arg.text());
    return integerText(arg, conversion);
}

bool isLengthModifier(char16_t c) { return c == u'l' || c == u'h' || c == u'I' || c == u'6' || c == u'4'; }

}  // namespace

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
