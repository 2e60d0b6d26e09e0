#include "launcher/core/ConfigStore.h"

#include <limits>

namespace tavik::config {
namespace {

// The launcher keeps its texts zero-terminated and hands them to C and Win32
// calls, so an embedded zero ends the text wherever it is used.
template <class Char>
std::basic_string<Char> untilTerminator(const std::basic_string<Char>& text) {
    return text.substr(0, std::basic_string_view<Char>(text.c_str()).size());
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

}  // namespace

std::string narrowText(const ConfigTables& tables, std::int32_t id) {
    const auto found = tables.narrow.find(id);
    return found == tables.narrow.end() ? std::string() : untilTerminator(found->second);
}

BoundedText boundedNarrowText(const ConfigTables& tables, std::int32_t id, std::size_t capacity) {
    BoundedText result;
    result.text = narrowText(tables, id);
    result.fullLength = result.text.size();
    const std::size_t fits = capacity == 0 ? 0 : capacity - 1;
    if (result.text.size() > fits) {
        result.text.resize(fits);
        result.truncated = true;
    }
    return result;
}

std::int32_t parseConfigInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    // Accumulated as a magnitude up to one past INT32_MAX, so both ends clamp.
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > kLimit) magnitude = kLimit;
    }
    if (negative) return static_cast<std::int32_t>(-magnitude);
    return static_cast<std::int32_t>(magnitude == kLimit ? kLimit - 1 : magnitude);
}

std::u16string widenBytes(std::string_view text, std::size_t capacity) {
    const std::size_t fits = capacity == 0 ? 0 : capacity - 1;
    const std::string_view kept = text.substr(0, fits);
    std::u16string wide(kept.size(), u'\0');
    for (std::size_t i = 0; i < kept.size(); ++i) wide[i] = static_cast<unsigned char>(kept[i]);
    return wide;
}

std::u16string localizedText(const ConfigTables& tables, std::int32_t id) {
    const auto found = tables.wide.find(id);
    return found == tables.wide.end() ? std::u16string() : untilTerminator(found->second);
}

std::u16string messageText(const ConfigTables& tables, std::int32_t id) {
    std::u16string text = localizedText(tables, id);
    if (text.empty()) text = widenBytes(narrowText(tables, id), kMessageCapacity);
    return text;
}

std::u16string replaceFirstPlaceholder(std::u16string_view text, const std::u16string* argument) {
    const std::size_t at = argument == nullptr ? std::u16string_view::npos : text.find(u"{0}");
    if (at == std::u16string_view::npos) return std::u16string(text);
    std::u16string result(text.substr(0, at));
    result += *argument;
    result += text.substr(at + 3);
    return result;
}

std::u16string formatMessage(const ConfigTables& tables, std::int32_t id, const std::u16string* argument) {
    return replaceFirstPlaceholder(messageText(tables, id), argument);
}

}  // namespace tavik::config
