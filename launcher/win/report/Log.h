#pragma once
// The Windows sink of the diagnostics log (launcher/core/Log.h): a numbered
// UTF-8 file in the temporary base, opened and closed for every line so that
// it survives a crash up to its last complete line.
#include <optional>
#include <string>

namespace tavik::report {

// The chosen log file; none while logging is off or still undecided.
std::optional<std::u16string> logFilePath();

}  // namespace tavik::report
