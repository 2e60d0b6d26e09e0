#include "native/registry/RegistryRules.h"

#include <algorithm>
#include <cstring>

namespace tavik::native::registry {
namespace {

// Whole units only: an odd last byte belongs to no character.
std::u16string unitsOf(const std::uint8_t* data, std::size_t size) {
    std::u16string units(size / sizeof(char16_t), u'\0');
    if (!units.empty()) std::memcpy(units.data(), data, units.size() * sizeof(char16_t));
    return units;
}

}  // namespace

std::u16string textOfData(const std::uint8_t* data, std::size_t size) {
    std::u16string text = unitsOf(data, size);
    if (!text.empty() && text.back() == u'\0') text.pop_back();
    return text;
}

std::vector<std::u16string> stringsOfData(const std::uint8_t* data, std::size_t size) {
    const std::u16string units = unitsOf(data, size);
    std::u16string_view rest = units;
    if (!rest.empty() && rest.back() == u'\0') rest.remove_suffix(1);
    std::vector<std::u16string> strings;
    while (!rest.empty()) {
        const std::size_t end = std::min(rest.find(u'\0'), rest.size());
        strings.emplace_back(rest.substr(0, end));
        rest.remove_prefix(std::min(end + 1, rest.size()));
    }
    return strings;
}

std::optional<std::int32_t> dwordOfData(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return std::nullopt;
    const std::uint32_t value = data[0] | std::uint32_t{data[1]} << 8 | std::uint32_t{data[2]} << 16 |
                                std::uint32_t{data[3]} << 24;
    return static_cast<std::int32_t>(value);
}

std::u16string stringData(std::u16string_view text) {
    std::u16string data(text.substr(0, kStringUnitLimit));
    data += u'\0';
    return data;
}

std::optional<std::u16string> multiStringData(const std::vector<std::optional<std::u16string_view>>& strings) {
    std::u16string data;
    for (const std::optional<std::u16string_view>& text : strings) {
        if (!text || text->empty()) return std::nullopt;
        if (data.size() + text->size() + 2 > kMultiStringUnitLimit) return std::nullopt;
        data += *text;
        data += u'\0';
    }
    data += u'\0';
    return data;
}

}  // namespace tavik::native::registry
