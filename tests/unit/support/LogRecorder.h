#pragma once
// The host's log sink: keeps every line written through tavik::log so tests
// can inspect what the code under test logged.
#include <string>
#include <vector>

namespace tavik::testsupport {

struct LoggedLine {
    bool error;
    std::u16string text;
    bool operator==(const LoggedLine& other) const { return error == other.error && text == other.text; }
};

// The lines written since the last call, oldest first.
std::vector<LoggedLine> takeLoggedLines();

// Logging starts on; off shows that a caller formats nothing when it is off.
void setLoggingActive(bool active);

}  // namespace tavik::testsupport
