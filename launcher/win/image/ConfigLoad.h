#pragma once
// Reading the configuration block from the launcher's own file into the
// store, and the end of the process when the file is too short for it.
#include "launcher/core/ConfigBlock.h"

namespace tavik::image {

// Fills the store; called once, first thing. Never returns on failure: the
// process ends through the error path with exit code 1.
void readConfigBlock();

// A short read of the launcher's own file (the block or the archive after
// it): logs the read's error line and ends with its "Internal Error: ..." text.
[[noreturn]] void failBlockRead(const config::BlockFailure& failure);

}  // namespace tavik::image
