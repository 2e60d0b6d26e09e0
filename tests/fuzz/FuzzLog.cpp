// Logging stays on for a bounded amount of text per input: an expansion log
// line holds the whole text, so a text grown to the expansion limit would
// otherwise spend each run formatting megabytes that no one reads.
#include "tests/fuzz/FuzzLog.h"

#include <algorithm>
#include <cstddef>

#include "launcher/core/Log.h"

namespace {

constexpr std::size_t kCharactersPerInput = 16 * 1024;
std::size_t charactersLeft = 0;

}  // namespace

namespace tavik::fuzz {

void restartLog() { charactersLeft = kCharactersPerInput; }

}  // namespace tavik::fuzz

namespace tavik::log {

bool isActive() { return charactersLeft > 0; }

void writeLine(bool, std::u16string_view text) {
    charactersLeft -= std::min(charactersLeft, text.size());
}

}  // namespace tavik::log
