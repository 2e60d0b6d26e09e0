#pragma once
// The registry natives' decisions on value data, apart from the registry:
// what stored bytes read as, and what a value to be written becomes. Stored
// data is untrusted: nothing here reads past the size it is given.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavik::native::registry {

// One buffer bounds every value, read or written.
inline constexpr std::size_t kValueBufferBytes = 100000;
// A string written keeps this many units; its terminator fills the buffer's last unit but one.
inline constexpr std::size_t kStringUnitLimit = 49999;
// A multi-string list, every terminator included.
inline constexpr std::size_t kMultiStringUnitLimit = kValueBufferBytes / sizeof(char16_t);

// REG_SZ or REG_EXPAND_SZ data as text: all whole units, less one stored
// terminator. Embedded zeros stay, a missing terminator is tolerated, no data
// reads as the empty string.
std::u16string textOfData(const std::uint8_t* data, std::size_t size);

// REG_MULTI_SZ data as its strings. Each runs to its zero or to the end of
// the data; a zero in the last unit ends the list, so the list's own
// terminator (or the last string's, where the list lacks its own) adds no
// string. Empty strings inside the list stay; no data is the empty list.
std::vector<std::u16string> stringsOfData(const std::uint8_t* data, std::size_t size);

// REG_DWORD data: the first four bytes, little-endian; nullopt when fewer are stored.
std::optional<std::int32_t> dwordOfData(const std::uint8_t* data, std::size_t size);

// A string to be written, cut to its limit and zero-terminated.
std::u16string stringData(std::u16string_view text);

// A multi-string list to be written: each string and its zero, then one
// more zero; no strings give a single zero. Nullopt, so that nothing is
// written, for a null or empty string (it would end the list early) and for
// a list that would exceed its limit.
std::optional<std::u16string> multiStringData(const std::vector<std::optional<std::u16string_view>>& strings);

}  // namespace tavik::native::registry
