#pragma once
// The log sink of the fuzz targets.

namespace tavik::fuzz {

// Turns logging on for the next run of the code under test, up to a fixed
// amount of text: every line up to there is formatted from the fuzzed input,
// then dropped.
void restartLog();

}  // namespace tavik::fuzz
