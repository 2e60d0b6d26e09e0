// Writes the fuzzer's starting inputs: a complete block with every kind of
// field and an archive behind it, and the smallest complete block.
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "tests/support/BlockBuilder.h"

namespace {

bool writeSeed(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: " << argv[0] << " SEED_DIRECTORY\n";
        return 2;
    }
    using tavik::testsupport::BlockBuilder;
    const std::string directory = argv[1];

    BlockBuilder full;
    full.header()
        .narrowTable({{107, "1"}, {122, "app.Main"}, {2001, "t"}, {121, "lib/app.jar"}})
        .wideTable({{1000, u"Error"}, {1006, u"Missing: {0}"}})
        .overrideSets({{"de", {{1000, u"Fehler"}}}, {"de_CH", {{1006, u"Fehlt: {0}"}}}, {"fr", {{1000, u"Erreur"}}}})
        .raw({'P', 'K', 3, 4});

    BlockBuilder empty;
    empty.header().narrowTable({}).wideTable({}).overrideSets({});

    const bool written = writeSeed(directory + "/full.block", full.bytes()) &&
                         writeSeed(directory + "/empty.block", empty.bytes());
    if (!written) std::cerr << "cannot write seeds into " << directory << "\n";
    return written ? 0 : 1;
}
