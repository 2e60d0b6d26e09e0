#pragma once
// Structured fuzz inputs: fields separated by the unit separator byte, which
// none of the fuzzed readers gives a meaning. Seeds stay readable text, and a
// mutation that adds or drops a separator only shifts the fields.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavik::fuzz {

inline constexpr char kFieldSeparator = '\x1F';

inline std::string_view inputText(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

inline std::vector<std::string_view> splitFields(std::string_view input) {
    std::vector<std::string_view> fields;
    for (;;) {
        const std::size_t end = input.find(kFieldSeparator);
        fields.push_back(input.substr(0, end));
        if (end == std::string_view::npos) return fields;
        input.remove_prefix(end + 1);
    }
}

inline std::string joinFields(const std::vector<std::string>& fields) {
    std::string joined;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i != 0) joined.push_back(kFieldSeparator);
        joined += fields[i];
    }
    return joined;
}

// The field at `index`, empty past the end.
inline std::string_view fieldAt(const std::vector<std::string_view>& fields, std::size_t index) {
    return index < fields.size() ? fields[index] : std::string_view();
}

// Each byte becomes the character of the same value.
inline std::u16string widened(std::string_view text) {
    std::u16string wide;
    wide.reserve(text.size());
    for (const char c : text) wide.push_back(static_cast<unsigned char>(c));
    return wide;
}

// A broken invariant stops the run; libFuzzer keeps the input that broke it.
inline void require(bool invariant) {
    if (!invariant) __builtin_trap();
}

}  // namespace tavik::fuzz
