#include "launcher/win/vmstart/VmOptionsSource.h"

#include <windows.h>

#include <utility>

#include "common/win/Handles.h"
#include "common/win/WideText.h"
#include "launcher/core/ConfigIds.h"
#include "launcher/core/Log.h"
#include "launcher/win/image/Config.h"
#include "launcher/win/paths/Environment.h"
#include "launcher/win/paths/FileSystem.h"
#include "launcher/win/paths/LauncherPaths.h"
#include "launcher/win/paths/PathResolution.h"
#include "launcher/win/report/ErrorReport.h"

namespace tavik::vmstart {
namespace {

constexpr DWORD kReadChunk = 64 * 1024;

}  // namespace

ProcessVmOptionsSystem::ProcessVmOptionsSystem(SettledPaths settled) : sources_(std::move(settled)) {}

std::string ProcessVmOptionsSystem::configString(std::int32_t id) const {
    if (config::isVersionConditionId(id)) return image::configStringCopy(id);
    return image::configString(id, config::kTextCapacity);
}

std::u16string ProcessVmOptionsSystem::configWideString(std::int32_t id) const {
    return image::configWideString(id, config::kTextCapacity);
}

std::int32_t ProcessVmOptionsSystem::configInt(std::int32_t id) const { return image::configInt(id); }

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

bool ProcessVmOptionsSystem::pathExists(std::string_view path) const { return paths::pathExists(path); }

std::vector<std::string> ProcessVmOptionsSystem::listFilesWithExtension(std::string_view directory,
                                                                        std::string_view extension) const {
    return paths::listFilesWithExtension(directory, extension);
}

std::optional<std::string> ProcessVmOptionsSystem::environmentVariable(std::string_view name) const {
    return paths::environmentVariable(std::string(name).c_str());
}

std::u16string ProcessVmOptionsSystem::resolvePathWide(std::u16string_view path,
                                                       const std::optional<std::u16string>& baseFile) const {
    return paths::resolvePathWide(path, paths::DirectoryForm::Long, baseFile.value_or(u""));
}

std::string ProcessVmOptionsSystem::resolvePath(std::string_view path) const { return paths::resolvePath(path); }

std::string ProcessVmOptionsSystem::resolvePathList(std::string_view list) const {
    return paths::resolvePathList(list);
}

std::string ProcessVmOptionsSystem::fullPath(std::string_view path) const {
    return paths::fullPath(path, paths::LetterCase::Keep);
}

std::string ProcessVmOptionsSystem::toNarrow(std::u16string_view text) const {
    bool substituted = false;
    return toAnsi(text, substituted);
}

vmoptions::VmOptionsInputs gatherVmOptionsInputs(const std::vector<std::u16string>& tokens,
                                                 std::vector<std::string> properties, const SettledLaunch& settled) {
    vmoptions::VmOptionsInputs inputs;
    inputs.properties = std::move(properties);
    if (!tokens.empty()) inputs.arguments.assign(tokens.begin() + 1, tokens.end());
    const std::string& version = settled.runtime.version;
    if (!version.empty()) inputs.javaVersion = version;
    inputs.userLanguage = image::userLanguage();
    inputs.userCountry = image::userCountry();
    inputs.launcherPath = paths::launcherPathWide();
    inputs.modulePath = paths::moduleFileName();
    inputs.installerFlavour = image::flavourByte() == 'r';
    inputs.serviceMode = settled.serviceMode;
    inputs.noRedirect = settled.noRedirect;
    return inputs;
}

std::vector<std::string> assembleVmOptions(const std::vector<std::u16string>& tokens,
                                           std::vector<std::string> properties, const SettledLaunch& settled) {
    const ProcessVmOptionsSystem system(settled.paths());
    vmoptions::VmOptionsResult result =
        vmoptions::buildVmOptions(gatherVmOptionsInputs(tokens, std::move(properties), settled), system);
    if (result.failure) report::fatalMessageNarrow(result.failure->messageId, result.failure->name);
    for (const std::string& option : result.options) log::logLine(u"option %S", option);
    return std::move(result.options);
}

}  // namespace tavik::vmstart
