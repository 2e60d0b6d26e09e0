#include "launcher/win/vmstart/JavaStart.h"

#include <windows.h>

#include <cstdarg>
#include <cwchar>

#include "common/win/SystemLibrary.h"
#include "common/win/WideText.h"
#include "launcher/core/ConfigIds.h"
#include "launcher/core/Log.h"
#include "launcher/win/image/Config.h"
#include "launcher/win/paths/Environment.h"
#include "launcher/win/paths/LauncherPaths.h"
#include "launcher/win/paths/PathResolution.h"
#include "launcher/win/vmstart/Expansion.h"
#include "launcher/win/vmstart/VmOptionsSource.h"

namespace tavik::vmstart {
namespace {

using HelperMessageFunction = void(__cdecl*)(const wchar_t* format, ...);
using RegisterNativesFunction = unsigned char(__cdecl*)(JNIEnv*, HMODULE, HelperMessageFunction);

// The helper library's reports, formatted the way its wide printf formats
// expect, become the launcher's error lines.
void __cdecl logHelperError(const wchar_t* format, ...) {
    if (format == nullptr) return;
    try {
        va_list args;
        va_start(args, format);
        va_list sizing;
        va_copy(sizing, args);
        const int length = _vscwprintf(format, sizing);
        va_end(sizing);
        std::wstring text(length > 0 ? static_cast<std::size_t>(length) : 0, L'\0');
        if (length > 0) _vsnwprintf(text.data(), text.size(), format, args);
        va_end(args);
        log::logError(u"%s", toU16(text));
    } catch (...) {
        // Out of memory while reporting for the helper: nothing else to do.
    }
}

std::optional<std::u16string> configuredEntryPath(std::int32_t setId, std::int32_t pathId,
                                                  const SettledPaths& settled) {
    if (image::configInt(setId) == 0) return std::nullopt;
    return expandVariables(image::configWideString(pathId), paths::DirectoryForm::Long, settled);
}

jvm::PropertyInputs gatherPropertyInputs(const SettledLaunch& settled) {
    jvm::PropertyInputs inputs;
    inputs.semaphoreName = settled.semaphoreName;
    inputs.installerFlavour = image::flavourByte() == 'r';
    inputs.serviceMode = settled.serviceMode;
    inputs.launcherPath = paths::launcherPath();
    inputs.tempDirectory = settled.tempDirectory;
    inputs.unextractedPosition = settled.archiveEnd;
    inputs.pathVariable = paths::environmentVariable("PATH").value_or("");
    inputs.manPathSet = paths::environmentVariable("MANPATH").has_value();
    inputs.consoleOutputCodePage = ::GetConsoleOutputCP();
    return inputs;
}

jvm::MainArgumentInputs gatherMainArgumentInputs(const std::vector<std::u16string>& tokens,
                                                 const SettledPaths& settled) {
    jvm::MainArgumentInputs inputs;
    inputs.guiProgram = image::configInt(config::kExecutableKindId) == config::kGuiProgramKind;
    inputs.moduleLaunch = image::configInt(config::kModuleLaunchId) != 0;
    inputs.mainClass = image::configWideString(config::kMainClassId);
    inputs.firstPath = configuredEntryPath(config::kFirstPathSetId, config::kFirstPathId, settled);
    inputs.secondPath = configuredEntryPath(config::kSecondPathSetId, config::kSecondPathId, settled);
    inputs.flag = image::configInt(config::kEntryFlagId) != 0;
    inputs.fixedArguments =
        expandVariables(image::configWideString(config::kFixedArgumentsId, config::kFixedArgumentsCapacity),
                        paths::DirectoryForm::Long, settled);
    inputs.javaArgumentsAreVmOptions = image::configInt(config::kJavaArgumentsAreVmOptionsId) != 0;
    inputs.launcherArguments = tokens;
    inputs.fullPath = [](std::u16string_view path) {
        return paths::fullPathWide(path, paths::LetterCase::Keep, paths::DirectoryForm::Long);
    };
    return inputs;
}

std::optional<jvm::SplashSettings> configuredSplash() {
    if (image::configInt(config::kSplashId) == 0) return std::nullopt;
    jvm::SplashSettings splash;
    splash.mode = image::configInt(config::kSplashModeId);
    for (std::size_t i = 0; i < splash.texts.size(); ++i)
        splash.texts[i] = image::configString(config::kSplashTextIds[i], config::kSplashTextCapacity);
    for (std::size_t i = 0; i < splash.numbers.size(); ++i)
        splash.numbers[i] = image::configInt(config::kSplashNumberIds[i]);
    return splash;
}

}  // namespace

std::u16string helperLibraryPath() {
    std::u16string path =
        paths::fullPathWide(image::configWideString(config::kInstallationRootId, config::kInstallationRootCapacity),
                            paths::LetterCase::Keep, paths::DirectoryForm::Long);
    if (path.empty() || path.back() != u'\\') path += u'\\';
    return path + u".runwright\\rwtnative.dll";
}

std::optional<jvm::HelperLibrary> loadHelperLibrary() {
    const std::u16string path = helperLibraryPath();
    const HMODULE library = ::LoadLibraryW(toWide(path).c_str());
    log::logLine(u"helper dll %p %s", static_cast<const void*>(library), path);
    if (library == nullptr) return std::nullopt;
    const auto registerNatives = findFunction<RegisterNativesFunction>(library, "registerNatives");
    jvm::HelperLibrary helper;
    if (registerNatives != nullptr) {
        helper.registerNatives = [registerNatives, library](JNIEnv* env) {
            return registerNatives(env, library, &logHelperError) != 0;
        };
    }
    return helper;
}

jvm::JavaStartInputs gatherJavaStartInputs(const std::vector<std::u16string>& tokens, const SettledLaunch& settled) {
    jvm::JavaStartInputs inputs;
    inputs.createJavaVM = settled.runtime.createJavaVM;
    inputs.properties = gatherPropertyInputs(settled);
    inputs.buildOptions = [tokens, settled](std::vector<std::string> properties) {
        return assembleVmOptions(tokens, std::move(properties), settled);
    };
    inputs.splash = configuredSplash();
    inputs.loadHelperLibrary = &loadHelperLibrary;
    inputs.launcherPathWide = paths::launcherPathWide();
    inputs.mainArguments = gatherMainArgumentInputs(tokens, settled.paths());
    return inputs;
}

}  // namespace tavik::vmstart
