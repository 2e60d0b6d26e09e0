#include "launcher/win/runtime/JvmLoader.h"

#include <cstdlib>

#include "common/win/LastError.h"
#include "common/win/SystemLibrary.h"
#include "launcher/core/ConfigIds.h"
#include "launcher/core/JavaVersion.h"
#include "launcher/core/Log.h"
#include "launcher/core/RuntimeLayout.h"
#include "launcher/win/image/Config.h"
#include "launcher/win/paths/Environment.h"
#include "launcher/win/paths/FileSystem.h"
#include "launcher/win/paths/PathResolution.h"
#include "launcher/win/report/ErrorReport.h"
#include "launcher/win/runtime/DllDirectories.h"
#include "launcher/win/runtime/JavaExeCheck.h"
#include "launcher/win/runtime/JvmSearch.h"
#include "launcher/win/runtime/PackedRuntime.h"

namespace tavik::runtime {
namespace {


constexpr const char* bitness() { return sizeof(void*) == 8 ? "64" : "32"; }

void setPath(const std::optional<std::string>& value) {
    const std::string text = value.value_or("");
    if (::SetEnvironmentVariableA("PATH", value ? text.c_str() : nullptr))
        log::logLine(u"Setting PATH %S", text);
    else
        log::logLine(u"Setting PATH %S failed with error %d", text, lastError("SetEnvironmentVariableA"));
    // getenv in this process must see the same value.
    const std::string entry = "PATH=" + text;
    ::_putenv(entry.c_str());
}

// A handed-in directory is taken whatever its version; the check still
// finds and logs the version, after unpacking what is packed.
bool acceptHandedInDirectory(std::string& javaExe, std::string& version, const std::string& directory,
                             const jvm::VersionParts& minimum, const jvm::VersionParts& maximum) {
    const std::string normalised = paths::fullPath(directory, paths::LetterCase::Lower);
    unpackPackedRuntime(normalised);
    locateJavaExe(javaExe, normalised);
    checkJavaExe(javaExe, version, minimum, maximum, Prerelease::Allowed, CacheLookup::Use);
    return true;
}

void showLoadFailure(const JvmSearchResult& found) {
    switch (found.source) {
        case JvmSource::None:
        case JvmSource::SearchPath:
            report::showMessageNarrow(config::kNoRuntimeOfWordSizeMessageId, bitness());
            break;
        case JvmSource::Directory:
            report::showMessageNarrow(config::kConfiguredRuntimeMessageId, found.location);
            break;
        case JvmSource::Environment:
            report::showMessageNarrow(config::kEnvironmentRuntimeMessageId, found.location);
            break;
        case JvmSource::Registry:
            report::showMessageNarrow(config::kNoRuntimeMessageId, std::nullopt);
            break;
    }
}

}  // namespace

std::optional<LoadedRuntime> LoadDLL(OnFailure onFailure, const std::optional<std::string>& location,
                                     LocationKind locationKind, const std::string& launcherTempDirectory) {
    const bool fatal = onFailure == OnFailure::ShowMessage;
    const bool locationIsJavaExe = locationKind == LocationKind::JavaExe;
    log::logLine(u"LoadDLL (%d, %S, %d)", fatal ? 1 : 0, location.value_or("(null)"), locationIsJavaExe ? 1 : 0);
    JvmSearchResult found;
    if (location) {
        log::logLine(u"Got JRE location %S (java exe: %d)", *location, locationIsJavaExe ? 1 : 0);
        const std::string minimumText = image::configString(config::kMinimumVersionId, config::kTextCapacity);
        const std::string maximumText = image::configString(config::kMaximumVersionId, config::kTextCapacity);
        log::logLine(u"MinVersion: %S, MaxVersion: %S", minimumText, maximumText);
        const jvm::VersionParts minimum = jvm::parseVersion(minimumText);
        const jvm::VersionParts maximum = jvm::parseVersion(maximumText);
        found.javaExe = *location;
        const bool accepted =
            locationIsJavaExe
                ? checkJavaExe(found.javaExe, found.version, minimum, maximum, Prerelease::Allowed, CacheLookup::Skip)
                : acceptHandedInDirectory(found.javaExe, found.version, *location, minimum, maximum);
        if (!accepted) {
            log::logError(u"Provided JVM unusable");
            if (fatal) report::showMessageNarrow(config::kNoRuntimeOfWordSizeMessageId, bitness());
            return std::nullopt;
        }
        found.location = *location;
        found.source = JvmSource::Directory;
        found.library = loadJvmFromJavaExe(found.javaExe);
    } else {
        found = searchForJvm(&loadJvmFromJavaExe, launcherTempDirectory);
        if (found.source == JvmSource::None) {
            log::logError(u"No JVM found");
            if (fatal) report::showMessageNarrow(config::kNoRuntimeOfWordSizeMessageId, bitness());
            return std::nullopt;
        }
    }

    LoadedRuntime runtime{jvm::runtimeHomeOf(found.javaExe), found.version, nullptr};
    if (found.library == nullptr) log::logError(u"Could not get DLL-Handle.");
    runtime.createJavaVM = bindCreateJavaVM(found.library);
    if (runtime.createJavaVM == nullptr) {
        log::logError(u"Could not load functions");
    } else if (found.library != nullptr) {
        log::logLine(u"Loading of JVM-DLL successful");
        return runtime;
    }
    if (fatal) showLoadFailure(found);
    return std::nullopt;
}

HMODULE loadJvmFromJavaExe(const std::string& javaExe) {
    log::logLine(u"Trying to load JVM-DLL from %S", javaExe);
    if (HMODULE library = loadJvmFromBinDir(javaExe)) return library;
    // A JDK's own bin may hold no VM library; its jre subdirectory does.
    return loadJvmFromBinDir(jvm::jreJavaExeOf(javaExe));
}

HMODULE loadJvmFromBinDir(const std::string& javaExe) {
    const std::string binDir = jvm::binDirectoryOf(javaExe);
    const DllDirectoryCookie cookie = addDllDirectory(binDir);
    preloadUcrt(binDir);

    // Read whole, so neither the new value nor the one put back is cut.
    const std::optional<std::string> oldPath = paths::environmentVariable("PATH");
    setPath(oldPath.value_or("") + ";" + binDir);

    HMODULE library = nullptr;
    const std::string preferred = image::configString(config::kVmSubdirectoryId, config::kVmSubdirectoryCapacity);
    for (const std::string& name : jvm::vmSubdirectoriesInTrialOrder(preferred)) {
        library = tryJvmDll(binDir, name);
        if (library != nullptr) break;
    }
    if (library == nullptr) {
        removeDllDirectory(cookie);
        setPath(oldPath);
    }
    return library;
}

HMODULE tryJvmDll(const std::string& binDir, std::string_view name) {
    const std::string file = binDir + "\\" + std::string(name) + "\\jvm.dll";
    const bool exists = paths::pathExists(file);
    log::logLine(u"Trying %S (exists %d)", file, exists ? 1 : 0);
    HMODULE library = ::LoadLibraryA(file.c_str());
    if (library == nullptr && exists) log::logLine(u"Failed with error code %d", lastError("LoadLibraryA"));
    return library;
}

void preloadUcrt(const std::string& binDir) {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (::GetVersionExA(&version) &&
        (version.dwMajorVersion > 6 || (version.dwMajorVersion == 6 && version.dwMinorVersion >= 4)))
        return;
    const std::string ownCopy = binDir + "\\ucrtbase.dll";
    if (!paths::pathExists(ownCopy)) return;
    log::logLine(u"Preloading ucrtbase.dll");
    // Stays loaded: the VM library needs it for as long as it lives.
    if (::LoadLibraryA("ucrtbase.dll") != nullptr) return;
    if (::LoadLibraryA(ownCopy.c_str()) != nullptr) return;
    log::logLine(u"Could not preload ucrtbase.dll");
}

jvm::CreateJavaVMFunction bindCreateJavaVM(HMODULE library) {
    if (library == nullptr) return nullptr;
    return findFunction<jvm::CreateJavaVMFunction>(library, "JNI_CreateJavaVM");
}

}  // namespace tavik::runtime
