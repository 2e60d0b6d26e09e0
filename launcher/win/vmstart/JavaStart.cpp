#include "launcher/win/vmstart/JavaStart.h"

#include <windows.h>

#include <cstdarg>
#include <cwchar>

#include "common/win/SystemLibrary.h"
#include "common/win/WideText.h"
#include "launcher/core/ConfigIds.h"
#include "launcher/core/Log.h"
#include "launcher/win/image/Config.h"
#include "launcher/win/image/Extraction.h"
#include "launcher/win/paths/Environment.h"
#include "launcher/win/paths/LauncherPaths.h"
#include "launcher/win/paths/PathResolution.h"
#include "launcher/win/paths/TempDirectory.h"
#include "launcher/win/runtime/JvmLoader.h"
#include "launcher/win/startup/LauncherState.h"
#include "launcher/win/vmstart/Expansion.h"
#include "launcher/win/vmstart/VmOptionsSource.h"

namespace tavik {
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

std::optional<std::u16string> configuredEntryPath(std::int32_t setId, std::int32_t pathId) {
    if (configInt(setId) == 0) return std::nullopt;
    return expandVariables(configWideString(pathId), false);
}

jvm::PropertyInputs gatherPropertyInputs(std::optional<std::string> semaphoreName) {
    jvm::PropertyInputs inputs;
    inputs.semaphoreName = std::move(semaphoreName);
    inputs.installerFlavour = flavourByte() == 'r';
    inputs.serviceMode = state::isServiceProcess();
    inputs.launcherPath = launcherPath();
    inputs.tempDirectory = tempDirectory();
    inputs.unextractedPosition = archiveEnd();
    inputs.pathVariable = env::variable("PATH").value_or("");
    inputs.manPathSet = env::variable("MANPATH").has_value();
    inputs.consoleOutputCodePage = ::GetConsoleOutputCP();
    return inputs;
}

jvm::MainArgumentInputs gatherMainArgumentInputs(const std::vector<std::u16string>& tokens) {
    jvm::MainArgumentInputs inputs;
    inputs.guiProgram = configInt(config::kExecutableKindId) == config::kGuiProgramKind;
    inputs.moduleLaunch = configInt(config::kModuleLaunchId) != 0;
    inputs.mainClass = configWideString(config::kMainClassId);
    inputs.firstPath = configuredEntryPath(config::kFirstPathSetId, config::kFirstPathId);
    inputs.secondPath = configuredEntryPath(config::kSecondPathSetId, config::kSecondPathId);
    inputs.flag = configInt(config::kEntryFlagId) != 0;
    inputs.fixedArguments =
        expandVariables(configWideString(config::kFixedArgumentsId, config::kFixedArgumentsCapacity), false);
    inputs.javaArgumentsAreVmOptions = configInt(config::kJavaArgumentsAreVmOptionsId) != 0;
    inputs.launcherArguments = tokens;
    inputs.fullPath = [](std::u16string_view path) { return fullPathWide(path, true, false); };
    return inputs;
}

std::optional<jvm::SplashSettings> configuredSplash() {
    if (configInt(config::kSplashId) == 0) return std::nullopt;
    jvm::SplashSettings splash;
    splash.mode = configInt(config::kSplashModeId);
    for (std::size_t i = 0; i < splash.texts.size(); ++i)
        splash.texts[i] = configString(config::kSplashTextIds[i], config::kSplashTextCapacity);
    for (std::size_t i = 0; i < splash.numbers.size(); ++i) splash.numbers[i] = configInt(config::kSplashNumberIds[i]);
    return splash;
}

}  // namespace

std::u16string helperLibraryPath() {
    const std::u16string root = configWideString(config::kInstallationRootId, config::kInstallationRootCapacity);
    std::u16string path = fullPathWide(root, true, false);
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

jvm::JavaStartInputs gatherJavaStartInputs(const std::vector<std::u16string>& tokens,
                                           std::optional<std::string> semaphoreName) {
    jvm::JavaStartInputs inputs;
    inputs.createJavaVM = jvm::loadedRuntime().createJavaVM;
    inputs.properties = gatherPropertyInputs(std::move(semaphoreName));
    inputs.buildOptions = [tokens](std::vector<std::string> properties) {
        return assembleVmOptions(tokens, std::move(properties));
    };
    inputs.splash = configuredSplash();
    inputs.loadHelperLibrary = &loadHelperLibrary;
    inputs.launcherPathWide = launcherPathWide();
    inputs.mainArguments = gatherMainArgumentInputs(tokens);
    return inputs;
}

}  // namespace tavik
