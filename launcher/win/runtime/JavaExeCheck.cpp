#include "launcher/win/runtime/JavaExeCheck.h"

#include <windows.h>

#include <cstring>

#include "common/ScopeExit.h"
#include "common/win/Handles.h"
#include "common/win/LastError.h"
#include "common/win/Process.h"
#include "common/win/Registry.h"
#include "common/win/WideText.h"
#include "launcher/core/ConfigIds.h"
#include "launcher/core/Log.h"
#include "launcher/win/image/Config.h"
#include "launcher/win/paths/Environment.h"
#include "launcher/win/paths/FileSystem.h"
#include "launcher/win/paths/PathResolution.h"
#include "launcher/win/paths/TempDirectory.h"

namespace tavik::runtime {
namespace {

constexpr DWORD kVersionRunTimeoutMs = 60000;
// fgets keeps at most 99 bytes of the first line; its CR LF pairs and a few
// stray bytes fit many times over in this much of the file.
constexpr DWORD kOutputReadLimit = 4096;

// The whole value, however long; none when it is missing or unreadable.
std::optional<std::string> cachedBytes(HKEY key, const char* name) {
    const Result<registry::Value> value = registry::queryValue(key, name);
    if (!value) return std::nullopt;
    return std::string(value->bytes.begin(), value->bytes.end());
}

jvm::FileTime fileTimeBytes(std::uint64_t value) {
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(value);
    time.dwHighDateTime = static_cast<DWORD>(value >> 32);
    jvm::FileTime bytes;
    std::memcpy(bytes.data(), &time, bytes.size());
    return bytes;
}

std::string shortPathOrLong(const std::string& path) {
    const DWORD needed = ::GetShortPathNameA(path.c_str(), nullptr, 0);
    if (needed != 0) {
        std::string shortPath(needed, '\0');
        const DWORD length = ::GetShortPathNameA(path.c_str(), shortPath.data(), needed);
        if (length != 0 && length < needed) {
            shortPath.resize(length);
            return shortPath;
        }
    }
    log::logLine(u"Could not get short path name for %S", path);
    return path;
}

// Takes "_JAVA_OPTIONS" out of the environment for one child run and puts the
// value back when it goes out of scope.
class JavaOptionsHidden {
public:
    JavaOptionsHidden() {
        // Read whole, so the value put back is never a cut one.
        kept_ = paths::environmentVariable("_JAVA_OPTIONS");
        if (!kept_) return;
        log::logLine(u"_JAVA_OPTIONS is %S", *kept_);
        ::SetEnvironmentVariableA("_JAVA_OPTIONS", nullptr);
    }
    ~JavaOptionsHidden() {
        if (kept_) ::SetEnvironmentVariableA("_JAVA_OPTIONS", kept_->c_str());
    }
    JavaOptionsHidden(const JavaOptionsHidden&) = delete;
    JavaOptionsHidden& operator=(const JavaOptionsHidden&) = delete;

private:
    std::optional<std::string> kept_;
};

UniqueHandle createInheritableOutputFile(const std::string& name) {
    UniqueHandle file(::CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return {};
    HANDLE inheritable = nullptr;
    if (!::DuplicateHandle(::GetCurrentProcess(), file.get(), ::GetCurrentProcess(), &inheritable, 0, TRUE,
                           DUPLICATE_SAME_ACCESS))
        return {};
    return UniqueHandle(inheritable);
}

std::optional<std::string> readOutputStart(const std::string& name) {
    UniqueHandle file(::CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::nullopt;
    std::string bytes(kOutputReadLimit, '\0');
    DWORD read = 0;
    if (!::ReadFile(file.get(), bytes.data(), kOutputReadLimit, &read, nullptr)) return std::nullopt;
    bytes.resize(read);
    return bytes;
}

}  // namespace

std::optional<std::string> readCachedVersion(const std::string& javaExe, const jvm::FileTime& lastWriteTime) {
    const Result<UniqueHKey> key =
        registry::openKey(HKEY_CURRENT_USER, jvm::versionCacheKey(javaExe).c_str(), KEY_READ);
    if (!key) return std::nullopt;
    jvm::CachedValues values;
    values.lastWriteTime = cachedBytes(key->get(), "LastWriteTime");
    values.version = cachedBytes(key->get(), "Version");
    return jvm::cachedVersion(values, lastWriteTime);
}

void writeCachedVersion(const std::string& javaExe, const jvm::FileTime& lastWriteTime, std::string_view version) {
    const Result<UniqueHKey> key =
        registry::createKey(HKEY_CURRENT_USER, jvm::versionCacheKey(javaExe).c_str(), KEY_ALL_ACCESS);
    if (!key) return;
    ::RegSetValueExA(key->get(), "LastWriteTime", 0, REG_BINARY, lastWriteTime.data(),
                     static_cast<DWORD>(lastWriteTime.size()));
    // Stored without a terminator, through the wide call: the 8-bit one
    // takes in a zero that happens to follow the text in memory.
    const std::wstring text = fromAnsi(version);
    ::RegSetValueExW(key->get(), L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.data()),
                     static_cast<DWORD>(text.size() * sizeof(wchar_t)));
}

std::optional<std::string> runJavaVersion(const std::string& javaExe, const jvm::FileTime& lastWriteTime) {
    const std::string commandLine = shortPathOrLong(javaExe) + " -version";
    const JavaOptionsHidden hidden;

    const std::string outputName = paths::tempFileName();
    UniqueHandle output = createInheritableOutputFile(outputName);
    const ScopeExit removeOutput([&] {
        output.reset();
        ::DeleteFileA(outputName.c_str());
    });

    ProcessOptions options;
    options.inheritHandles = true;
    options.creationFlags = NORMAL_PRIORITY_CLASS;
    options.standardHandles = StandardHandles{nullptr, nullptr, output.get()};
    options.showWindow = SW_HIDE;
    const Result<ChildProcess> child = startProcess(nullptr, commandLine, options);
    if (!child) {
        log::logLine(u"Could not create process %S > %S (error %d)", commandLine, outputName, child.error());
        return std::nullopt;
    }
    const Result<ProcessWait> ended = child->wait(kVersionRunTimeoutMs);
    if (!ended) {
        log::logLine(u"%s", describe(ended.error()));
        return std::nullopt;
    }

    const std::uint32_t exitCode = ended->exitCode;
    log::logLine(u"Exit Code %d", exitCode);
    switch (jvm::versionRunEnd(exitCode)) {
        case jvm::VersionRunEnd::Terminate:
            log::logLine(u"Terminating process");
            child->terminate(1);
            return std::nullopt;
        case jvm::VersionRunEnd::RecordFailure:
            writeCachedVersion(javaExe, lastWriteTime, jvm::kFailedRunVersion);
            return std::nullopt;
        case jvm::VersionRunEnd::ReadOutput:
            break;
    }

    output.reset();
    const auto outputStart = readOutputStart(outputName);
    if (!outputStart) return std::nullopt;
    const auto line = jvm::firstOutputLine(*outputStart);
    if (!line) return std::nullopt;
    auto version = jvm::versionFromOutputLine(*line);
    if (!version) return std::nullopt;
    log::logLine(u"Java version: %S", *version);
    return version;
}

bool checkJavaExe(std::string& javaExe, std::string& version, const jvm::VersionParts& minimum,
                  const jvm::VersionParts& maximum, Prerelease prerelease, CacheLookup cacheLookup) {
    const bool allowPrerelease = prerelease == Prerelease::Allowed;
    log::logLine(u"checkJavaExe (%S, [out], %d, %d, %d)", javaExe, minimum.size(), maximum.size(),
                 allowPrerelease ? 1 : 0);
    javaExe = paths::fullPath(javaExe, paths::LetterCase::Lower);

    bool accepted = false;
    const ScopeExit logAnswer([&] { log::logLine(u"checkJavaExe returning %d", accepted ? 1 : 0); });

    std::uint64_t lastWrite = 0;
    if (!paths::pathExists(javaExe, &lastWrite)) {
        log::logLine(u"file doesn't exist");
        return false;
    }
    log::logLine(u"file exists");
    const jvm::FileTime lastWriteTime = fileTimeBytes(lastWrite);
    version.clear();

    std::optional<std::string> cached;
    if (cacheLookup == CacheLookup::Use) cached = readCachedVersion(javaExe, lastWriteTime);
    if (cached && jvm::isUsableCachedVersion(*cached)) {
        version = *cached;
        log::logLine(u"got version from registry %S", version);
    } else if (auto run = runJavaVersion(javaExe, lastWriteTime)) {
        version = *run;
        log::logLine(u"got version from execution %S", version);
        writeCachedVersion(javaExe, lastWriteTime, version);
    } else {
        log::logLine(u"couldn't get version");
        return false;
    }

    // The configured id widens the caller's flag to every kind of candidate.
    const bool prereleaseAllowed = allowPrerelease || image::configInt(config::kAllowPrereleaseId) != 0;
    accepted = jvm::isVersionInRange(version, minimum, maximum, prereleaseAllowed);
    if (accepted && image::configInt(config::kExecutableKindId) == config::kGuiProgramKind) {
        javaExe = jvm::guiJavaExe(javaExe);
        accepted = paths::pathExists(javaExe);
    }
    return accepted;
}

}  // namespace tavik::runtime
