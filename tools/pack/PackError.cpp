#include "tools/pack/PackError.h"

namespace tavik::pack {

std::string describe(const PackError& error) {
    std::string text = "tavik-pack: " + error.path;
    if (error.line != 0) text += ":" + std::to_string(error.line);
    if (!error.key.empty()) text += ": " + error.key;
    return text + ": " + error.what;
}

}  // namespace tavik::pack
