#pragma once
// Typed reads over the configuration tables. Pure functions: the shell keeps
// the process-wide tables and adds the logging the launcher defines.
#include <cstdint>
#include <string>
#include <string_view>

#include "launcher/core/ConfigBlock.h"
#include "launcher/core/ConfigIds.h"

namespace tavik::config {

// The narrow text of `id`, or "" when absent.
std::string narrowText(const ConfigTables& tables, std::int32_t id);

// Text cut to at most capacity - 1 characters, as a fixed caller buffer would
// hold it; `truncated` tells the shell to log the cut.
struct BoundedText {
    std::string text;
    bool truncated = false;
    std::size_t fullLength = 0;
};
BoundedText boundedNarrowText(const ConfigTables& tables, std::int32_t id, std::size_t capacity);

// Base-10 like strtol: leading white space and a sign allowed, stops at the
// first non-digit, no digits gives 0, clamps to the 32-bit range.
std::int32_t parseConfigInt(std::string_view text);

// Each byte becomes the UTF-16 unit of the same value, cut to capacity - 1 units.
std::u16string widenBytes(std::string_view text, std::size_t capacity);

// The wide (localized) text of `id`, or "" when absent.
std::u16string localizedText(const ConfigTables& tables, std::int32_t id);

// The wide text of `id` when present and non-empty, else the narrow text
// widened and cut to fit kMessageCapacity.
std::u16string messageText(const ConfigTables& tables, std::int32_t id);

// Replaces only the first "{0}" by the argument; no argument leaves the text unchanged.
std::u16string replaceFirstPlaceholder(std::u16string_view text, const std::u16string* argument);

// messageText with the argument in its first "{0}": the text every error shows.
std::u16string formatMessage(const ConfigTables& tables, std::int32_t id, const std::u16string* argument);

}  // namespace tavik::config
