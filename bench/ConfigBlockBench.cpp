// Reading a large block: 10,000 narrow and 10,000 wide records, the kind of
// load a launcher with many archived files and messages carries.
#include <benchmark/benchmark.h>

#include <string>

#include "launcher/core/ConfigBlock.h"
#include "tests/support/BlockBuilder.h"

namespace {

using tavik::testsupport::BlockBuilder;

constexpr int kRecords = 10000;

std::vector<unsigned char> largeBlock() {
    tavik::testsupport::NarrowRecords narrow;
    tavik::testsupport::WideRecords wide;
    for (int i = 0; i < kRecords; ++i) {
        narrow.emplace_back(i, "lib/module-" + std::to_string(i) + ".jar;lib/extra.jar");
        const std::string text = "Message " + std::to_string(i) + ": the runtime could not start {0}";
        wide.emplace_back(100000 + i, std::u16string(text.begin(), text.end()));
    }
    BlockBuilder block;
    block.header().narrowTable(narrow).wideTable(wide).overrideSets({{"de", {{100000, u"Nachricht"}}}});
    return block.bytes();
}

void readLargeBlock(benchmark::State& state) {
    const std::vector<unsigned char> bytes = largeBlock();
    for (auto _ : state) {
        tavik::config::MemoryByteSource source(bytes.data(), bytes.size());
        auto result = tavik::config::readConfigBlock(source, [] { return std::string("de_CH"); });
        if (result.failure || result.tables.narrow.size() != kRecords) state.SkipWithError("block not read whole");
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes.size()));
}
BENCHMARK(readLargeBlock)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
