#pragma once
// Every conversion between the launcher's text types lives here: UTF-16 as
// char16_t (portable code) and wchar_t (Win32), and ANSI code page bytes.
#include <string>
#include <string_view>

namespace tavik {

// Same code units, other element type.
std::wstring toWide(std::u16string_view text);
std::u16string toU16(std::wstring_view text);

// ANSI code page bytes to UTF-16 (CP_ACP).
std::wstring fromAnsi(std::string_view text);

// UTF-16 to the code page of the file APIs (ANSI, or OEM after
// SetFileApisToOEM). No best-fit mapping: a character without an exact
// counterpart becomes "?" and sets `substituted`, so a caller can tell a path
// that 8-bit calls cannot open.
std::string toAnsi(std::u16string_view text, bool& substituted);

// UTF-8 bytes (as a Java VM hands them out) to UTF-16; invalid sequences
// become U+FFFD.
std::u16string decodeUtf8(std::string_view text);

}  // namespace tavik
