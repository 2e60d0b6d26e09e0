#pragma once
// 8-bit path texts in the ANSI code page, looked at through UTF-16 where a
// double-byte character could be mistaken for its bytes.
#include <optional>
#include <string>
#include <string_view>

namespace tavik::paths {

// The 8-bit form of a text when every character has one; none otherwise.
std::optional<std::string> toAnsiExactly(std::u16string_view text);

// The UTF-16 form of an 8-bit text when it converts back to the same bytes;
// none otherwise.
std::optional<std::u16string> exactlyDecoded(std::string_view ansi);

// Whether an 8-bit path ends in "\" or "/", looked at as characters: the last
// byte of a double-byte character may be a backslash.
bool endsWithPathSeparator(std::string_view path);

// Runs of backslashes collapsed as in path::collapseBackslashes, through
// UTF-16 for the reason above; a text that does not convert back exactly is
// returned unchanged.
std::string collapseBackslashes(const std::string& path);

}  // namespace tavik::paths
