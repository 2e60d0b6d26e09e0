#pragma once
// English texts for every message the launcher can show, written first so a
// project's [messages] and locale sets only need to name what they change.
#include <vector>

#include "tools/pack/PackInput.h"

namespace tavik::pack {

std::vector<WideRecord> defaultMessages();

}  // namespace tavik::pack
