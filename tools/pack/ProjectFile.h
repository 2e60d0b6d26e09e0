#pragma once
// The project file: TOML naming the launcher's settings by readable keys,
// the files to embed, message texts and raw records. Reading it yields the
// records in block order; nothing is read from the files to embed yet.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "tools/pack/PackError.h"
#include "tools/pack/PackInput.h"

namespace tavik::pack {

// Relative paths in the file are relative to its directory. A `runtimeJar`
// leads the files to embed, unless the project embeds one of that name.
Expected<PackInput> readProjectFile(const std::filesystem::path& projectPath,
                                    const std::optional<std::filesystem::path>& runtimeJar = std::nullopt);

// The same for text in memory: `displayPath` names the file in errors, and
// relative paths resolve against `baseDirectory`.
Expected<PackInput> parseProject(std::string_view text, const std::string& displayPath,
                                 const std::filesystem::path& baseDirectory,
                                 const std::optional<std::filesystem::path>& runtimeJar = std::nullopt);

}  // namespace tavik::pack
