#include "launcher/win/runtime/JvmSearch.h"

#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

#include "common/win/Handles.h"
#include "common/win/Registry.h"
#include "common/win/WideText.h"
#include "launcher/core/ConfigIds.h"
#include "launcher/core/JvmSearchRules.h"
#include "launcher/core/Log.h"
#include "launcher/core/PathText.h"
#include "launcher/win/image/Config.h"
#include "launcher/win/paths/Environment.h"
#include "launcher/win/paths/PathResolution.h"
#include "launcher/win/runtime/JavaExeCheck.h"
#include "launcher/win/runtime/PackedRuntime.h"
#include "launcher/win/vmstart/Expansion.h"

namespace tavik::runtime {
namespace {

constexpr const char* kInstallationsKey = "SOFTWARE\\norvale-systems\\runwright\\installations";
constexpr const char* kLocatedRuntimesKey = "SOFTWARE\\norvale-systems\\tavik\\locatedjvms\\";
// The view of the launcher's own bitness, for the second look at previous installations.
constexpr REGSAM kOwnRegistryView = sizeof(void*) == 8 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;

struct Bounds {
    jvm::VersionParts minimum;
    jvm::VersionParts maximum;
};

struct Candidate {
    std::string javaExe;
    std::string version;
};

bool requireJdk() { return image::configInt(config::kRequireJdkId) != 0; }

bool fileExists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

Result<UniqueHKey> openKey(HKEY root, const char* path, REGSAM view) {
    return registry::openKey(root, path, KEY_READ | view);
}

// A string value read into a buffer of `capacity` bytes; none when it is
// missing or would not fit, as a cut path names another runtime.
std::optional<std::string> queryString(HKEY key, const char* name, std::size_t capacity) {
    return jvm::fittingValue(registry::queryString(key, name).optional(), capacity);
}

std::vector<std::string> subkeyNames(HKEY key) {
    std::vector<std::string> names;
    std::string name(jvm::kPathValueCapacity, '\0');
    for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(name.size());
        const LSTATUS status = ::RegEnumKeyExA(key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_MORE_DATA) continue;
        if (status != ERROR_SUCCESS) break;
        names.emplace_back(name.data(), length);
    }
    return names;
}

// --- Candidate checks ---

// A relaxed check accepts the directory whatever the version check says.
enum class DirectoryCheck { Strict, Relaxed };

bool checkDirectory(Candidate& found, const std::string& directory, DirectoryCheck check, const Bounds& bounds) {
    const std::string normalised = paths::fullPath(directory, paths::LetterCase::Lower);
    unpackPackedRuntime(normalised);
    const bool located = locateJavaExe(found.javaExe, normalised);
    const bool accepted =
        located && checkJavaExe(found.javaExe, found.version, bounds.minimum, bounds.maximum, Prerelease::Allowed,
                                CacheLookup::Use);
    return check == DirectoryCheck::Relaxed || accepted;
}

bool checkEnvironmentVariable(Candidate& found, const std::string& name, const Bounds& bounds) {
    std::optional<std::string> value =
        jvm::fittingValue(paths::environmentVariable(name.c_str()), jvm::kPathValueCapacity);
    if (!value || value->empty()) return false;
    for (char& c : *value) {
        if (c == '/') c = '\\';
    }
    if (!locateJavaExe(found.javaExe, *value)) return false;
    return checkJavaExe(found.javaExe, found.version, bounds.minimum, bounds.maximum, Prerelease::Refused,
                        CacheLookup::Use);
}

bool checkSearchPath(Candidate& found, const Bounds& bounds) {
    std::string path(jvm::kPathValueCapacity, '\0');
    const DWORD length =
        ::SearchPathA(nullptr, "java.exe", nullptr, static_cast<DWORD>(path.size()), path.data(), nullptr);
    if (length == 0 || length >= path.size()) return false;
    path.resize(length);
    found.javaExe = path;
    return checkJavaExe(found.javaExe, found.version, bounds.minimum, bounds.maximum, Prerelease::Refused,
                        CacheLookup::Use);
}

bool checkRuntimeHome(Candidate& found, const std::string& home, const Bounds& bounds) {
    if (!locateJavaExe(found.javaExe, home)) return false;
    return checkJavaExe(found.javaExe, found.version, bounds.minimum, bounds.maximum, Prerelease::Refused,
                        CacheLookup::Use);
}

bool checkInstallationsOnce(Candidate& found, HKEY root, REGSAM view, const Bounds& bounds) {
    const std::string applicationId = image::configString(config::kApplicationId, config::kTextCapacity);
    log::logLine(u"checking app id %S (%d, %p)", applicationId, static_cast<int>(view), static_cast<void*>(root));
    if (applicationId.empty()) return false;
    const Result<UniqueHKey> key = openKey(root, kInstallationsKey, view);
    if (!key) {
        log::logLine(u"could not open installation node %d", key.error());
        return false;
    }
    const std::optional<std::string> installations =
        queryString(key->get(), applicationId.c_str(), jvm::kPathValueCapacity);
    if (!installations || installations->empty()) {
        log::logLine(u"could not query value node %d", 0);
        return false;
    }
    log::logLine(u"found installations: %S", *installations);
    for (const std::string& entry : path::splitPathList(*installations)) {
        const std::string directory = entry + "\\jre";
        if (!locateJavaExe(found.javaExe, directory)) {
            log::logLine(u"did not find java in %S", directory);
            continue;
        }
        if (checkJavaExe(found.javaExe, found.version, bounds.minimum, bounds.maximum, Prerelease::Refused,
                         CacheLookup::Use))
            return true;
        log::logLine(u"java version did not match in %S", directory);
    }
    return false;
}

bool checkPreviousInstallations(Candidate& found, HKEY root, const Bounds& bounds) {
    return checkInstallationsOnce(found, root, 0, bounds) ||
           checkInstallationsOnce(found, root, kOwnRegistryView, bounds);
}

// --- The Java vendor keys ---

bool checkVendorCurrentVersions(Candidate& found, const char* jdkPath, const char* jrePath, const Bounds& bounds) {
    const Result<UniqueHKey> jdkKey = openKey(HKEY_LOCAL_MACHINE, jdkPath, 0);
    const Result<UniqueHKey> jreKey = openKey(HKEY_LOCAL_MACHINE, jrePath, 0);
    const auto currentVersion = [](const Result<UniqueHKey>& key) {
        return key ? queryString(key->get(), "CurrentVersion", jvm::kCurrentVersionCapacity) : std::nullopt;
    };
    const jvm::CurrentVersionChoice choice = jvm::chooseCurrentVersion(
        currentVersion(jdkKey), currentVersion(jreKey), requireJdk(), bounds.minimum, bounds.maximum);
    if (choice.pick == jvm::CurrentVersionPick::None) return false;
    const Result<UniqueHKey>& parent = choice.pick == jvm::CurrentVersionPick::Jdk ? jdkKey : jreKey;
    if (!parent) return false;
    const Result<UniqueHKey> versionKey = openKey(parent->get(), choice.version.c_str(), 0);
    if (!versionKey) return false;
    const std::optional<std::string> home = queryString(versionKey->get(), "JavaHome", jvm::kPathValueCapacity);
    return home && checkRuntimeHome(found, *home, bounds);
}

bool checkVendorEveryVersion(Candidate& found, const char* path, const Bounds& bounds) {
    const Result<UniqueHKey> key = openKey(HKEY_LOCAL_MACHINE, path, 0);
    if (!key) return false;
    for (const std::string& name :
         jvm::versionKeysInTrialOrder(subkeyNames(key->get()), bounds.minimum, bounds.maximum)) {
        const Result<UniqueHKey> versionKey = openKey(key->get(), name.c_str(), 0);
        if (!versionKey) continue;
        const std::optional<std::string> home = queryString(versionKey->get(), "JavaHome", jvm::kPathValueCapacity);
        if (home && checkRuntimeHome(found, *home, bounds)) return true;
    }
    return false;
}

bool checkVendorKeys(Candidate& found, const Bounds& bounds) {
    const bool jdkOnly = requireJdk();
    return checkVendorCurrentVersions(found, "SOFTWARE\\JavaSoft\\JDK", "SOFTWARE\\JavaSoft\\JRE", bounds) ||
           (!jdkOnly && checkVendorEveryVersion(found, "SOFTWARE\\JavaSoft\\JRE", bounds)) ||
           checkVendorEveryVersion(found, "SOFTWARE\\JavaSoft\\JDK", bounds) ||
           checkVendorCurrentVersions(found, "SOFTWARE\\JavaSoft\\Java Development Kit",
                                      "SOFTWARE\\JavaSoft\\Java Runtime Environment", bounds) ||
           (!jdkOnly && checkVendorEveryVersion(found, "SOFTWARE\\JavaSoft\\Java Runtime Environment", bounds)) ||
           checkVendorEveryVersion(found, "SOFTWARE\\JavaSoft\\Java Development Kit", bounds);
}

// --- Located runtimes ---

std::optional<Candidate> bestLocatedRuntime(HKEY root, bool bundledOnly, const Bounds& bounds) {
    const Result<UniqueHKey> key = openKey(root, kLocatedRuntimesKey, 0);
    if (!key) return std::nullopt;
    std::optional<Candidate> best;
    for (const std::string& name : subkeyNames(key->get())) {
        const std::optional<std::string> javaExe = jvm::locatedJavaExe(name, bundledOnly);
        if (!javaExe) continue;
        Candidate candidate{*javaExe, {}};
        if (!checkJavaExe(candidate.javaExe, candidate.version, bounds.minimum, bounds.maximum, Prerelease::Allowed,
                          CacheLookup::Use))
            continue;
        if (jvm::replacesBest(candidate.version, best ? best->version : std::string())) best = std::move(candidate);
    }
    return best;
}

std::optional<Candidate> checkLocatedRuntimes(bool bundledOnly, const Bounds& bounds) {
    std::optional<Candidate> user = bestLocatedRuntime(HKEY_CURRENT_USER, bundledOnly, bounds);
    std::optional<Candidate> machine = bestLocatedRuntime(HKEY_LOCAL_MACHINE, bundledOnly, bounds);
    if (user && (!machine || jvm::isNewerVersion(user->version, machine->version))) return user;
    return machine;
}

bool checkRegistry(Candidate& found, const Bounds& bounds) {
    const bool bundledOnly = image::configInt(config::kBundledRuntimesOnlyId) != 0;
    std::optional<Candidate> vendor;
    if (!bundledOnly) {
        Candidate candidate;
        if (checkVendorKeys(candidate, bounds)) {
            log::logLine(u"found sun %S %S", candidate.javaExe, candidate.version);
            vendor = std::move(candidate);
        }
    }
    std::optional<Candidate> located = checkLocatedRuntimes(bundledOnly, bounds);
    if (located) log::logLine(u"found located %S %S", located->javaExe, located->version);
    if (!vendor && !located) return false;
    if (vendor && (!located || jvm::vendorWins(vendor->version, located->version)))
        found = std::move(*vendor);
    else
        found = std::move(*located);
    return true;
}

// --- Runtime configuration files ---

std::optional<std::string> runtimeConfigLine(const char16_t* fileName) {
    std::u16string path =
        paths::resolvePathWide(image::configWideString(config::kInstallationRootId, config::kTextCapacity),
                               paths::DirectoryForm::Long);
    path += u"\\.runwright\\";
    path += fileName;
    std::FILE* file = ::_wfopen(toWide(path).c_str(), L"rb");
    if (!file) return std::nullopt;
    // Enough for a full line even when every character came with a CR.
    std::string content(2 * jvm::kPathValueCapacity, '\0');
    content.resize(std::fread(content.data(), 1, content.size(), file));
    std::fclose(file);
    return jvm::firstConfigLine(content);
}

// --- The search ---

class Search {
public:
    Search(Bounds bounds, const RuntimeLoader& load, vmstart::SettledPaths settled)
        : bounds_(std::move(bounds)), load_(load), settled_(std::move(settled)) {}

    // Records an accepted candidate and tries to load its library; true ends the search.
    bool accept(const Candidate& candidate, JvmSource source, std::optional<std::string> location) {
        result_.javaExe = candidate.javaExe;
        result_.version = candidate.version;
        result_.source = source;
        if (location) result_.location = std::move(*location);
        result_.library = load_(candidate.javaExe);
        return result_.library != nullptr;
    }

    bool tryConfigFile(const char16_t* fileName, const char16_t* foundLine, const char16_t* usingLine) {
        const std::optional<std::string> line = runtimeConfigLine(fileName);
        if (!line) return false;
        log::logLine(foundLine, *line);
        Candidate candidate;
        if (!checkDirectory(candidate, *line, DirectoryCheck::Strict, bounds_)) return false;
        log::logLine(usingLine);
        return accept(candidate, JvmSource::Directory, *line);
    }

    bool tryEntry(const jvm::SearchEntry& entry) {
        const std::string value = vmstart::expandVariablesNarrow(entry.value, settled_);
        log::logLine(u"Testing location %S (type %S)", value, std::string(1, entry.type));
        Candidate candidate;
        switch (entry.type) {
            case 'A':
            case 'B':
            case 'R':
                return checkDirectory(candidate, value, DirectoryCheck::Strict, bounds_) &&
                       accept(candidate, JvmSource::Directory, value);
            case 'E':
                return checkEnvironmentVariable(candidate, value, bounds_) &&
                       accept(candidate, JvmSource::Environment, value);
            case 'S':
                return checkSearchPath(candidate, bounds_) && accept(candidate, JvmSource::SearchPath, value);
            case 'Y':
                return checkRegistry(candidate, bounds_) && accept(candidate, JvmSource::Registry, std::nullopt);
            default:
                return false;
        }
    }

    bool tryRelaxed(const jvm::SearchEntry& entry) {
        if (!jvm::isRetriedRelaxed(entry)) return false;
        log::logLine(u"Testing relative location %S", entry.value);
        Candidate candidate;
        checkDirectory(candidate, entry.value, DirectoryCheck::Relaxed, bounds_);
        if (candidate.javaExe.empty() || !fileExists(candidate.javaExe)) return false;
        log::logLine(u"%S exists", candidate.javaExe);
        return accept(candidate, JvmSource::Directory, entry.value);
    }

    bool tryPreviousInstallations(HKEY root, const char16_t* foundLine) {
        Candidate candidate;
        if (!checkPreviousInstallations(candidate, root, bounds_)) return false;
        log::logLine(foundLine, candidate.javaExe);
        return accept(candidate, JvmSource::Registry, std::nullopt);
    }

    bool tryEnvironment(const std::string& name) {
        Candidate candidate;
        return checkEnvironmentVariable(candidate, name, bounds_) && accept(candidate, JvmSource::Environment, name);
    }

    JvmSearchResult result() const { return result_; }

private:
    Bounds bounds_;
    const RuntimeLoader& load_;
    vmstart::SettledPaths settled_;
    JvmSearchResult result_;
};

}  // namespace

bool locateJavaExe(std::string& javaExe, const std::string& directory) {
    if (requireJdk()) {
        javaExe = directory + "\\jre\\bin\\java.exe";
        return fileExists(directory + "\\lib\\tools.jar");
    }
    javaExe = directory + "\\jre\\bin\\java.exe";
    if (!fileExists(javaExe)) javaExe = directory + "\\bin\\java.exe";
    return true;
}

JvmSearchResult searchForJvm(const RuntimeLoader& load, const std::string& launcherTempDirectory) {
    log::logLine(u"Searching for a JVM");
    const std::string sequence = image::configString(config::kSearchSequenceId, config::kTextCapacity);
    const std::string minimum = image::configString(config::kMinimumVersionId, config::kTextCapacity);
    const std::string maximum = image::configString(config::kMaximumVersionId, config::kTextCapacity);
    log::logLine(u"MinVersion: %S, MaxVersion: %S", minimum, maximum);
    Search search(Bounds{jvm::parseVersion(minimum), jvm::parseVersion(maximum)}, load, {launcherTempDirectory, {}});
    const std::vector<jvm::SearchEntry> entries = jvm::parseSearchSequence(sequence);

    const auto anyEntry = [&](const std::function<bool(const jvm::SearchEntry&)>& attempt) {
        for (const jvm::SearchEntry& entry : entries) {
            if (attempt(entry)) return true;
        }
        return false;
    };
    if (search.tryConfigFile(u"pref_jre.cfg", u"Has preferred location %S", u"Using preferred location") ||
        anyEntry([&](const jvm::SearchEntry& entry) { return search.tryEntry(entry); }) ||
        search.tryConfigFile(u"inst_jre.cfg", u"Has installer location %S", u"Using installer location") ||
        anyEntry([&](const jvm::SearchEntry& entry) { return search.tryRelaxed(entry); }) ||
        search.tryPreviousInstallations(HKEY_CURRENT_USER, u"found JRE from previous installation (user) %S") ||
        search.tryPreviousInstallations(HKEY_LOCAL_MACHINE, u"found JRE from previous installation (machine) %S"))
        return search.result();
    log::logLine(u"Search sequence finished");
    if (!search.tryEnvironment("TAVIK_JAVA_HOME")) search.tryEnvironment("RUNWRIGHT_JAVA_HOME");
    return search.result();
}

}  // namespace tavik::runtime
