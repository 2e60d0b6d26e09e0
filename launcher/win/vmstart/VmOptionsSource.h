#pragma once
// The VM option list as this process builds it: the configuration store, the
// real file system and environment behind VmOptionsSystem, and the inputs
// gathered from what the launch has settled so far.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "launcher/core/VmOptions.h"
#include "launcher/win/vmstart/Expansion.h"
#include "launcher/win/vmstart/SettledLaunch.h"

namespace tavik::vmstart {

class ProcessVmOptionsSystem final : public vmoptions::VmOptionsSystem {
public:
    // The settled paths are the values of their variables in option lines.
    explicit ProcessVmOptionsSystem(SettledPaths settled = {});

    // Version keys are read whole; every other text with the 6000-byte
    // capacity of the configuration reads, a cut being logged.
    std::string configString(std::int32_t id) const override;
    std::u16string configWideString(std::int32_t id) const override;
    std::int32_t configInt(std::int32_t id) const override;

    std::optional<std::string> readFile(std::u16string_view path) const override;
    bool pathExists(std::string_view path) const override;
    std::vector<std::string> listFilesWithExtension(std::string_view directory,
                                                    std::string_view extension) const override;
    std::optional<std::string> environmentVariable(std::string_view name) const override;

    std::u16string resolvePathWide(std::u16string_view path,
                                   const std::optional<std::u16string>& baseFile) const override;
    std::string resolvePath(std::string_view path) const override;
    std::string resolvePathList(std::string_view list) const override;
    std::string fullPath(std::string_view path) const override;

    std::string toNarrow(std::u16string_view text) const override;

    const expansion::ExpansionSources& expansionSources() const override { return sources_; }

private:
    ProcessExpansionSources sources_;
};

// `tokens` as the launch pipeline has them (the program path, or the
// service name in a service child, first); `properties` go to the head of
// the list. The runtime's version is the one the VM library was loaded for.
vmoptions::VmOptionsInputs gatherVmOptionsInputs(const std::vector<std::u16string>& tokens,
                                                 std::vector<std::string> properties, const SettledLaunch& settled);

// The option list for this launch, each option logged as "option <text>". A
// required class-path or module-path entry that is missing ends the process
// with its message.
std::vector<std::string> assembleVmOptions(const std::vector<std::u16string>& tokens,
                                           std::vector<std::string> properties, const SettledLaunch& settled);

}  // namespace tavik::vmstart
