// Arbitrary bytes as a configuration block: the reader must neither crash,
// overrun, nor allocate more than the input could justify, and what it
// reports must be consistent with what it read.
#include <cstddef>
#include <cstdint>
#include <string>

#include "launcher/core/ConfigBlock.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tavik::config::MemoryByteSource source(data, size);
    const tavik::config::BlockReadResult result =
        tavik::config::readConfigBlock(source, [] { return std::string("de_CH"); });

    if (result.failure) {
        if (result.archiveStart != 0) __builtin_trap();
    } else if (result.archiveStart != source.position() || result.archiveStart > size) {
        __builtin_trap();
    }
    // Every kept text was read from the input, so none can be longer than it.
    for (const auto& entry : result.tables.narrow) {
        if (entry.second.size() > size) __builtin_trap();
    }
    for (const auto& entry : result.tables.wide) {
        if (entry.second.size() * 2 > size) __builtin_trap();
    }
    return 0;
}
