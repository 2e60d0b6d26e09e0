#pragma once
// Type-checked printf-style formatting into UTF-16. The launcher's log and
// console texts are printf formats ("%d", "%s", "%S", "%I64d", "%p"); here the
// argument's type decides how it prints and the conversion letter only has to
// fit it, so a wrong pairing prints visibly instead of reading garbage.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "common/SysError.h"

namespace tavik {

// Narrow text is in the ANSI code page; each platform supplies the decoder
// (Win32 conversion on Windows, byte-by-byte widening on the host).
std::u16string decodeAnsi(std::string_view text);

class FormatArg {
public:
    enum class Kind { Integer, Text, Pointer };

    FormatArg(int v) : kind_(Kind::Integer), integer_(v) {}
    FormatArg(long v) : kind_(Kind::Integer), integer_(v) {}
    FormatArg(long long v) : kind_(Kind::Integer), integer_(v) {}
    FormatArg(unsigned v) : kind_(Kind::Integer), integer_(v) {}
    FormatArg(unsigned long v) : kind_(Kind::Integer), integer_(static_cast<long long>(v)) {}
    FormatArg(unsigned long long v) : kind_(Kind::Integer), integer_(static_cast<long long>(v)) {}
    FormatArg(std::u16string_view v) : kind_(Kind::Text), text_(v) {}
    FormatArg(const std::u16string& v) : kind_(Kind::Text), text_(v) {}
    FormatArg(const char16_t* v) : kind_(Kind::Text), text_(v ? v : u"(null)") {}
    FormatArg(const void* v) : kind_(Kind::Pointer), pointer_(reinterpret_cast<std::uintptr_t>(v)) {}
    // A failure prints as its code: the product's own texts show it with "%d".
    FormatArg(const SysError& v) : kind_(Kind::Integer), integer_(v.code) {}

    Kind kind() const { return kind_; }
    long long integer() const { return integer_; }
    std::u16string_view text() const { return text_; }
    std::uintptr_t pointer() const { return pointer_; }

private:
    Kind kind_;
    long long integer_ = 0;
    std::u16string_view text_;
    std::uintptr_t pointer_ = 0;
};

// The digits printf's %llu and %llx or %llX give, at least `width` of them
// (leading zeros), and those of %lld.
std::u16string unsignedText(unsigned long long value, unsigned base = 10, bool upperCase = false,
                            std::size_t width = 0);
std::u16string signedText(long long value);

// Supports %d %i %u %ld %I64d %lld %x %s %S %ls %hs %c-free subset, %p and %%.
// A conversion without an argument prints nothing; surplus arguments are ignored.
std::u16string formatText(std::u16string_view format, std::initializer_list<FormatArg> args);

// Narrow arguments are decoded first; keeps the temporaries alive for the call.
template <class T>
decltype(auto) asFormatValue(const T& value) {
    if constexpr (std::is_convertible_v<const T&, std::string_view> &&
                  !std::is_convertible_v<const T&, std::u16string_view>) {
        return decodeAnsi(std::string_view(value));
    } else {
        return (value);
    }
}

template <class... Args>
std::u16string format(std::u16string_view fmt, const Args&... args) {
    return formatText(fmt, {FormatArg(asFormatValue(args))...});
}

}  // namespace tavik
