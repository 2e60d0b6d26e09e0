#pragma once
// Pure parts of the diagnostics log: decisions and line formats.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tavik::logformat {

// Logging is on when either variable is exactly "yes" (TAVIK_LOG read first).
bool loggingRequested(const std::optional<std::string>& tavikLog, const std::optional<std::string>& runwrightLog);

// "[%d:%d] " from the elapsed milliseconds, both times taken on their low 32 bits.
std::u16string timeStamp(std::uint64_t nowMillis, std::uint64_t startMillis);

// The directory of the numbered log files: "c:\" for an empty base, else the
// base with a "\" appended unless it ends in "\" or "/".
std::u16string logDirectory(std::u16string_view tempBase);

// "%srwt_nlog_%d.log"; the first number whose file does not exist, but never past 1000.
std::u16string chooseLogFile(std::u16string_view directory, const std::function<bool(const std::u16string&)>& exists);

}  // namespace tavik::logformat
