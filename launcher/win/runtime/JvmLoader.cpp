#include "launcher/win/runtime/JvmLoader.h"

#include <cstdlib>

#include "common/win/LastError.h"
#include "common/win/SystemLibrary.h"
#include "launcher/core/ConfigIds.h"
#include "launcher/core/JavaVersion.h"
#include "launcher/core/Log.h"
#include "launcher/win/image/Config.h"
#include "launcher/win/paths/Environment.h"
#include "launcher/win/paths/PathResolution.h"
#include "launcher/win/paths/TempDirectory.h"
#include "launcher/win/report/ErrorReport.h"
#include "launcher/win/runtime/DllDirectories.h"
#include "launcher/win/runtime/JavaExeCheck.h"
#include "launcher/win/runtime/JvmSearch.h"
#include "launcher/win/runtime/PackedRuntime.h"

namespace tavik::jvm {
namespace {

constexpr const char* kVmSubdirectories[] = {"client", "server", "j9vm", "hotspot", "jrockit"};

constexpr const char* bitness() { return sizeof(void*) == 8 ? "64" : "32"; }

LoadedRuntime& runtime() {
    static LoadedRuntime loaded;
    return loaded;
}

bool endsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// The directory of a java.exe or javaw.exe path, without the backslash.
std::string binDirectory(const std::string& javaExe) {
    const std::size_t nameLength = endsWith(javaExe, "javaw.exe") ? 9 : 8;
    return javaExe.size() > nameLength ? javaExe.substr(0, javaExe.size() - nameLength - 1) : std::string();
}

// The path up to and including its last backslash.
std::string directoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

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
                             const VersionParts& minimum, const VersionParts& maximum) {
    const std::string normalised = fullPath(directory, false);
    unpackPackedRuntime(normalised);
    locateJavaExe(javaExe, normalised);
    checkJavaExe(javaExe, version, minimum, maximum, true, true);
    return true;
}

void showLoadFailure(const JvmSearchResult& found) {
    switch (found.source) {
        case JvmSource::None:
        case JvmSource::SearchPath:
            showMessageNarrow(config::kNoRuntimeOfWordSizeMessageId, bitness());
            break;
        case JvmSource::Directory:
            showMessageNarrow(config::kConfiguredRuntimeMessageId, found.location);
            break;
        case JvmSource::Environment:
            showMessageNarrow(config::kEnvironmentRuntimeMessageId, found.location);
            break;
        case JvmSource::Registry:
            showMessageNarrow(config::kNoRuntimeMessageId, std::nullopt);
            break;
    }
}

void recordRuntime(const JvmSearchResult& found) {
    runtime().home = directoryOf(found.javaExe) + "..";
    runtime().version = found.version;
}

}  // namespace

bool LoadDLL(bool fatal, const std::optional<std::string>& location, bool locationIsJavaExe) {
    log::logLine(u"LoadDLL (%d, %S, %d)", fatal ? 1 : 0, location.value_or("(null)"), locationIsJavaExe ? 1 : 0);
    JvmSearchResult found;
    if (location) {
        log::logLine(u"Got JRE location %S (java exe: %d)", *location, locationIsJavaExe ? 1 : 0);
        const std::string minimumText = configString(config::kMinimumVersionId, config::kTextCapacity);
        const std::string maximumText = configString(config::kMaximumVersionId, config::kTextCapacity);
        log::logLine(u"MinVersion: %S, MaxVersion: %S", minimumText, maximumText);
        const VersionParts minimum = parseVersion(minimumText);
        const VersionParts maximum = parseVersion(maximumText);
        found.javaExe = *location;
        const bool accepted =
            locationIsJavaExe ? checkJavaExe(found.javaExe, found.version, minimum, maximum, true, false)
                              : acceptHandedInDirectory(found.javaExe, found.version, *location, minimum, maximum);
        if (!accepted) {
            log::logError(u"Provided JVM unusable");
            if (fatal) showMessageNarrow(config::kNoRuntimeOfWordSizeMessageId, bitness());
            return false;
        }
        found.location = *location;
        found.source = JvmSource::Directory;
        found.library = loadJvmFromJavaExe(found.javaExe);
    } else {
        found = searchForJvm();
        if (found.source == JvmSource::None) {
            log::logError(u"No JVM found");
            if (fatal) showMessageNarrow(config::kNoRuntimeOfWordSizeMessageId, bitness());
            return false;
        }
    }

    recordRuntime(found);
    if (found.library == nullptr) log::logError(u"Could not get DLL-Handle.");
    if (!bindCreateJavaVM(found.library)) {
        log::logError(u"Could not load functions");
    } else if (found.library != nullptr) {
        log::logLine(u"Loading of JVM-DLL successful");
        return true;
    }
    if (fatal) showLoadFailure(found);
    return false;
}

HMODULE loadJvmFromJavaExe(const std::string& javaExe) {
    log::logLine(u"Trying to load JVM-DLL from %S", javaExe);
    if (HMODULE library = loadJvmFromBinDir(javaExe)) return library;
    // A JDK's own bin may hold no VM library; its jre subdirectory does.
    return loadJvmFromBinDir(directoryOf(javaExe) + "..\\jre\\bin\\java.exe");
}

HMODULE loadJvmFromBinDir(const std::string& javaExe) {
    const std::string binDir = binDirectory(javaExe);
    const DllDirectoryCookie cookie = addDllDirectory(binDir);
    preloadUcrt(binDir);

    // Read whole, so neither the new value nor the one put back is cut.
    const std::optional<std::string> oldPath = env::variable("PATH");
    setPath(oldPath.value_or("") + ";" + binDir);

    HMODULE library = nullptr;
    const std::string preferred = configString(config::kVmSubdirectoryId, config::kVmSubdirectoryCapacity);
    if (!preferred.empty()) library = tryJvmDll(binDir, preferred);
    for (const char* name : kVmSubdirectories) {
        if (library != nullptr) break;
        library = tryJvmDll(binDir, name);
    }
    if (library == nullptr) {
        removeDllDirectory(cookie);
        setPath(oldPath);
    }
    return library;
}

HMODULE tryJvmDll(const std::string& binDir, std::string_view name) {
    const std::string file = binDir + "\\" + std::string(name) + "\\jvm.dll";
    const bool exists = pathExists(file);
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
    if (!pathExists(ownCopy)) return;
    log::logLine(u"Preloading ucrtbase.dll");
    // Stays loaded: the VM library needs it for as long as it lives.
    if (::LoadLibraryA("ucrtbase.dll") != nullptr) return;
    if (::LoadLibraryA(ownCopy.c_str()) != nullptr) return;
    log::logLine(u"Could not preload ucrtbase.dll");
}

bool bindCreateJavaVM(HMODULE library) {
    if (library == nullptr) return false;
    const auto createJavaVM = findFunction<CreateJavaVMFunction>(library, "JNI_CreateJavaVM");
    if (createJavaVM == nullptr) return false;
    runtime().createJavaVM = createJavaVM;
    return true;
}

const LoadedRuntime& loadedRuntime() { return runtime(); }

}  // namespace tavik::jvm
