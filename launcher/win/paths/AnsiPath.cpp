#include "launcher/win/paths/AnsiPath.h"

#include "common/win/WideText.h"
#include "launcher/core/PathText.h"

namespace tavik::paths {

std::optional<std::string> toAnsiExactly(std::u16string_view text) {
    bool substituted = false;
    std::string ansi = toAnsi(text, substituted);
    if (substituted) return std::nullopt;
    return ansi;
}

std::optional<std::u16string> exactlyDecoded(std::string_view ansi) {
    std::u16string wide = toU16(fromAnsi(ansi));
    const auto back = toAnsiExactly(wide);
    if (!back || *back != ansi) return std::nullopt;
    return wide;
}

bool endsWithPathSeparator(std::string_view path) {
    const std::u16string wide = toU16(fromAnsi(path));
    return !wide.empty() && (wide.back() == u'\\' || wide.back() == u'/');
}

std::string collapseBackslashes(const std::string& path) {
    const auto wide = exactlyDecoded(path);
    if (!wide) return path;
    return toAnsiExactly(path::collapseBackslashes(*wide)).value_or(path);
}

}  // namespace tavik::paths
