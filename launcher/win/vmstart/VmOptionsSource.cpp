#include "launcher/win/vmstart/VmOptionsSource.h"

#include <windows.h>

#include <utility>

#include "common/win/Handles.h"
#include "common/win/WideText.h"
#include "launcher/core/ConfigIds.h"
#include "launcher/core/Log.h"
#include "launcher/win/image/Config.h"
#include "launcher/win/paths/Environment.h"
#include "launcher/win/paths/LauncherPaths.h"
#include "launcher/win/paths/PathResolution.h"
#include "launcher/win/paths/TempDirectory.h"
#include "launcher/win/report/ErrorReport.h"
#include "launcher/win/runtime/JvmLoader.h"
#include "launcher/win/startup/LauncherState.h"

namespace tavik {
namespace {

constexpr DWORD kReadChunk = 64 * 1024;

}  // namespace

std::string ProcessVmOptionsSystem::configString(std::int32_t id) const {
    if (config::isVersionConditionId(id)) return configStringCopy(id);
    return tavik::configString(id, config::kTextCapacity);
}

std::u16string ProcessVmOptionsSystem::configWideString(std::int32_t id) const {
    return tavik::configWideString(id, config::kTextCapacity);
}

std::int32_t ProcessVmOptionsSystem::configInt(std::int32_t id) const { return tavik::configInt(id); }

std::optional<std::string> ProcessVmOptionsSystem::readFile(std::u16string_view path) const {
    // Shared as the C library opens for reading: a file another program is
    // writing can still be read.
    UniqueHandle file(::CreateFileW(toWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::nullopt;
    // Read to the end rather than trusting a size asked for beforehand.
    std::string content;
    for (;;) {
        const std::size_t filled = content.size();
        content.resize(filled + kReadChunk);
        DWORD read = 0;
        if (!::ReadFile(file.get(), content.data() + filled, kReadChunk, &read, nullptr)) return std::nullopt;
        content.resize(filled + read);
        if (read == 0) return content;
    }
}

bool ProcessVmOptionsSystem::pathExists(std::string_view path) const { return tavik::pathExists(path); }

std::vector<std::string> ProcessVmOptionsSystem::listFilesWithExtension(std::string_view directory,
                                                                        std::string_view extension) const {
    return tavik::listFilesWithExtension(directory, extension);
}

std::optional<std::string> ProcessVmOptionsSystem::environmentVariable(std::string_view name) const {
    return env::variable(std::string(name).c_str());
}

std::u16string ProcessVmOptionsSystem::resolvePathWide(std::u16string_view path,
                                                       const std::optional<std::u16string>& baseFile) const {
    return tavik::resolvePathWide(path, false, baseFile.value_or(u""));
}

std::string ProcessVmOptionsSystem::resolvePath(std::string_view path) const { return tavik::resolvePath(path); }

std::string ProcessVmOptionsSystem::resolvePathList(std::string_view list) const {
    return tavik::resolvePathList(list);
}

std::string ProcessVmOptionsSystem::fullPath(std::string_view path) const { return tavik::fullPath(path, true); }

std::string ProcessVmOptionsSystem::toNarrow(std::u16string_view text) const {
    bool substituted = false;
    return toAnsi(text, substituted);
}

vmoptions::VmOptionsInputs gatherVmOptionsInputs(const std::vector<std::u16string>& tokens,
                                                 std::vector<std::string> properties) {
    vmoptions::VmOptionsInputs inputs;
    inputs.properties = std::move(properties);
    if (!tokens.empty()) inputs.arguments.assign(tokens.begin() + 1, tokens.end());
    const std::string& version = jvm::loadedRuntime().version;
    if (!version.empty()) inputs.javaVersion = version;
    inputs.userLanguage = userLanguage();
    inputs.userCountry = userCountry();
    inputs.launcherPath = launcherPathWide();
    inputs.modulePath = moduleFileName();
    inputs.installerFlavour = flavourByte() == 'r';
    inputs.serviceMode = state::isServiceProcess();
    inputs.noRedirect = state::noRedirect();
    return inputs;
}

std::vector<std::string> assembleVmOptions(const std::vector<std::u16string>& tokens,
                                           std::vector<std::string> properties) {
    const ProcessVmOptionsSystem system;
    vmoptions::VmOptionsResult result =
        vmoptions::buildVmOptions(gatherVmOptionsInputs(tokens, std::move(properties)), system);
    if (result.failure) fatalMessageNarrow(result.failure->messageId, result.failure->name);
    for (const std::string& option : result.options) log::logLine(u"option %S", option);
    return std::move(result.options);
}

}  // namespace tavik
