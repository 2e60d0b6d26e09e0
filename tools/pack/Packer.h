#pragma once
// Packing as a whole: template cut at its payload offset, configuration
// block, archive. The output appears only when everything succeeded.
#include <filesystem>
#include <optional>

#include "tools/pack/PackError.h"

namespace tavik::pack {

struct PackRequest {
    std::filesystem::path templatePath;
    std::filesystem::path projectPath;
    std::filesystem::path outputPath;
    // The launcher's Java entry runtime, embedded ahead of the project's files
    // unless the project embeds a file of that name itself.
    std::optional<std::filesystem::path> runtimeJar;
};

// Writes to a temporary file beside the output and renames it at the end; on
// failure that file is gone and an existing output is left as it was.
std::optional<PackError> packLauncher(const PackRequest& request);

}  // namespace tavik::pack
