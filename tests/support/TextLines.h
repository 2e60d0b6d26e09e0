#pragma once
// Text helpers shared by the host and Windows test layers.
#include <algorithm>
#include <string>

namespace tavik::testsupport {

// The C runtime's text mode writes CR LF; tests compare with "\n" alone.
inline std::string withoutCarriageReturns(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

}  // namespace tavik::testsupport
