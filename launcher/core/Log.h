#pragma once
// The launcher's diagnostics log. Callable from any thread at any time; the
// platform supplies the sink (a numbered file on Windows, a test recorder on
// the host). Formatting happens only when logging is on.
#include <string_view>

#include "common/TextFormat.h"

namespace tavik::log {

// Decides on first use whether logging is on; cheap afterwards.
bool isActive();
// Appends one time-stamped line; `error` adds "ERROR: " after the time stamp.
void writeLine(bool error, std::u16string_view text);

template <class... Args>
void logLine(std::u16string_view fmt, const Args&... args) {
    if (isActive()) writeLine(false, format(fmt, args...));
}

template <class... Args>
void logError(std::u16string_view fmt, const Args&... args) {
    if (isActive()) writeLine(true, format(fmt, args...));
}

}  // namespace tavik::log
