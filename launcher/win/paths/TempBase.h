#pragma once
// The launcher's temporary base: the first candidate (see
// launcher/core/TempBaseCandidates.h) that passes its checks on the real file
// system, in an 8-bit and, independently, a UTF-16 form.
#include <optional>
#include <string>

#include "launcher/core/TempBaseCandidates.h"

namespace tavik::paths {

// The first usable base, chosen once per process and width; none while no
// candidate passes (the next call tries again).
std::optional<std::string> processTempBase();
std::optional<std::u16string> processTempBaseWide();

path::TempBaseFacts<std::string> currentTempBaseFacts();
path::TempBaseFacts<std::u16string> currentTempBaseFactsWide();

// Tries the candidates in order on the real file system, without caching.
std::optional<std::string> chooseTempBase(const path::TempBaseFacts<std::string>& facts);
std::optional<std::u16string> chooseTempBase(const path::TempBaseFacts<std::u16string>& facts);

// A base is usable when a fresh directory can be made in it and found again;
// the probe directory is removed either way.
bool probeWritable(const std::string& base);
bool probeWritable(const std::u16string& base);

// The C runtime's random numbers, seeded per process and second: two
// launchers may probe the same base, and one may start several times a second.
int probeNumber();

}  // namespace tavik::paths
