#include "launcher/win/paths/TempDirectory.h"

#include <windows.h>

#include <cstdlib>
#include <ctime>
#include <utility>

#include "common/win/Handles.h"
#include "common/win/LastError.h"
#include "common/win/WideText.h"
#include "launcher/core/ConfigIds.h"
#include "launcher/core/Log.h"
#include "launcher/win/paths/Environment.h"
#include "launcher/win/paths/PathResolution.h"
#include "launcher/win/report/ErrorReport.h"

namespace tavik {
namespace {

constexpr int kTempDirectoryAttempts = 10;

// Plain ASCII literals in either width.
template <class Text>
Text text(const char* ascii) {
    Text result;
    for (; *ascii; ++ascii) result.push_back(static_cast<typename Text::value_type>(*ascii));
    return result;
}

template <class Text>
bool endsWithSeparator(const Text& path) {
    return !path.empty() && (path.back() == '\\' || path.back() == '/');
}

template <class Char>
bool isDriveRootForm(std::basic_string_view<Char> path) {
    if (path.size() < 3) return false;
    const bool letter = (path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z');
    if (!letter || path[1] != ':' || path[2] != '\\') return false;
    const auto rest = path.substr(3);
    return rest.empty() || rest == text<std::basic_string<Char>>(".") || rest == text<std::basic_string<Char>>(".\\.");
}

std::uint64_t fileTimeValue(const FILETIME& time) {
    return static_cast<std::uint64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
}

// The 8-bit and UTF-16 Win32 calls the candidate walk needs.
struct AnsiCalls {
    static void createDirectory(const std::string& path) { ::CreateDirectoryA(path.c_str(), nullptr); }
    static std::string longForm(const std::string& path) { return env::longPathName(path).value_or(path); }
};
struct WideCalls {
    static void createDirectory(const std::u16string& path) { ::CreateDirectoryW(toWide(path).c_str(), nullptr); }
    static std::u16string longForm(const std::u16string& path) { return env::longPathName(path).value_or(path); }
};

template <class Calls, class Text>
bool candidatePasses(const TempBaseCandidate<Text>& candidate) {
    if (candidate.path.empty()) return false;
    if (candidate.create) Calls::createDirectory(candidate.path);
    // Through 8-bit calls a character outside the ANSI code page reads as "?".
    if (candidate.requireAnsi && Calls::longForm(candidate.path).find('?') != Text::npos) return false;
    return probeWritable(candidate.path);
}

template <class Calls, class Text>
std::optional<Text> firstPassing(const TempBaseFacts<Text>& facts) {
    for (const auto& candidate : tempBaseCandidates(facts)) {
        if (candidatePasses<Calls>(candidate)) return candidate.path;
    }
    return std::nullopt;
}

// Seeded per process and second, as two launchers may probe the same base.
int probeNumber() {
    std::srand(static_cast<unsigned>(::GetCurrentProcessId() * static_cast<unsigned long long>(std::time(nullptr))));
    return std::rand();
}

struct DirectoryEntry {
    std::string name;
    DWORD attributes;
};

std::vector<DirectoryEntry> listDirectory(const std::string& prefix) {
    std::vector<DirectoryEntry> entries;
    WIN32_FIND_DATAA found;
    UniqueFindHandle search(::FindFirstFileA((prefix + "*.*").c_str(), &found));
    if (!search) return entries;
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..") entries.push_back({name, found.dwFileAttributes});
    } while (::FindNextFileA(search.get(), &found));
    return entries;
}

// Leaked on purpose: the error path may run while the process ends.
std::string& tempDirectoryStorage() {
    static std::string& path = *new std::string();
    return path;
}

template <class Text>
std::optional<Text>& cachedBase() {
    static std::optional<Text>& base = *new std::optional<Text>();
    return base;
}

}  // namespace

const std::string& tempDirectory() { return tempDirectoryStorage(); }
void setTempDirectory(std::string path) { tempDirectoryStorage() = std::move(path); }

template <class Text>
std::vector<TempBaseCandidate<Text>> tempBaseCandidates(const TempBaseFacts<Text>& facts) {
    std::optional<Text> profileTemp;
    if (facts.userProfile) profileTemp = *facts.userProfile + text<Text>("\\AppData\\Local\\Temp");
    std::optional<Text> home;
    if (facts.homeDrive && facts.homePath) home = *facts.homeDrive + *facts.homePath;
    std::optional<Text> windowsTemp;
    if (facts.windowsDirectory) windowsTemp = *facts.windowsDirectory + text<Text>("\\temp");

    std::vector<TempBaseCandidate<Text>> candidates;
    const auto add = [&](const std::optional<Text>& path, bool create, bool requireAnsi) {
        if (path) candidates.push_back({*path, create, requireAnsi});
    };
    // First the places meant for temporary files, as long as 8-bit calls can
    // reach them; then fixed fall-backs; finally the first ones again
    // whatever their characters.
    add(facts.systemTempPath, true, true);
    add(profileTemp, false, true);
    add(home, false, true);
    add(windowsTemp, false, false);
    add(text<Text>("c:\\temp"), false, false);
    add(text<Text>("c:\\tmp"), false, false);
    add(facts.windowsDirectory, false, false);
    add(text<Text>("c:\\tmp"), true, false);
    add(facts.systemTempPath, true, false);
    add(profileTemp, false, false);
    add(home, false, false);
    return candidates;
}

template std::vector<TempBaseCandidate<std::string>> tempBaseCandidates(const TempBaseFacts<std::string>&);
template std::vector<TempBaseCandidate<std::u16string>> tempBaseCandidates(const TempBaseFacts<std::u16string>&);

TempBaseFacts<std::string> currentTempBaseFacts() {
    return {env::systemTempPath(), env::variable("USERPROFILE"), env::variable("HOMEDRIVE"), env::variable("HOMEPATH"),
            env::windowsDirectory()};
}

TempBaseFacts<std::u16string> currentTempBaseFactsWide() {
    return {env::systemTempPathWide(), env::variable(u"USERPROFILE"), env::variable(u"HOMEDRIVE"),
            env::variable(u"HOMEPATH"), env::windowsDirectoryWide()};
}

std::optional<std::string> chooseTempBase(const TempBaseFacts<std::string>& facts) {
    return firstPassing<AnsiCalls>(facts);
}

std::optional<std::u16string> chooseTempBase(const TempBaseFacts<std::u16string>& facts) {
    return firstPassing<WideCalls>(facts);
}

std::string tempBaseDirectory() {
    auto& base = cachedBase<std::string>();
    if (!base) base = chooseTempBase(currentTempBaseFacts());
    if (!base) fatalMessage(config::kNoTempDirectoryMessageId, std::nullopt);
    return *base;
}

std::u16string tempBaseDirectoryWide(bool fatal) {
    auto& base = cachedBase<std::u16string>();
    if (!base) base = chooseTempBase(currentTempBaseFactsWide());
    if (base) return *base;
    if (fatal) fatalMessage(config::kNoTempDirectoryMessageId, std::nullopt);
    return {};
}

std::string tempFileName() {
    const std::string base = tempBaseDirectory();
    log::logLine(u"tempPath is %S", base);
    std::string name;
    char unique[MAX_PATH];
    if (::GetTempFileNameA(base.c_str(), "tvk", 0, unique) != 0) {
        name = unique;
    } else {
        log::logLine(u"GetTempFileName failed (last error %d)", lastError("GetTempFileNameA"));
        name = base + (endsWithPathSeparator(base) ? "" : "\\") + "tvk" + std::to_string(probeNumber());
    }
    log::logLine(u"tempFile is %S", name);
    return name;
}

void createTempDirectory() {
    for (int attempt = 0; attempt < kTempDirectoryAttempts; ++attempt) {
        const auto seconds = static_cast<std::int32_t>(static_cast<std::uint32_t>(std::time(nullptr)));
        const std::string directory = tempFileName() + "_dir" + std::to_string(seconds);
        log::logLine(u"Temp dir3: %S", directory);
        if (::CreateDirectoryA(directory.c_str(), nullptr)) {
            setTempDirectory(directory);
            return;
        }
        log::logLine(u"Could not create dir (%d)", lastError("CreateDirectoryA"));
    }
    setTempDirectory({});
    fatalMessage(config::kInternalFailureMessageId, config::kTempDirectoryFailure);
}

bool probeWritable(const std::string& base) {
    const std::string probe =
        base + "\\tvktw" + std::to_string(::GetCurrentProcessId()) + std::to_string(probeNumber());
    ::RemoveDirectoryA(probe.c_str());
    if (!::CreateDirectoryA(probe.c_str(), nullptr)) return false;
    const bool found = pathExists(probe);
    ::RemoveDirectoryA(probe.c_str());
    return found;
}

bool probeWritable(const std::u16string& base) {
    const std::wstring probe = toWide(base) + L"\\tvktw" + std::to_wstring(::GetCurrentProcessId()) +
                               std::to_wstring(probeNumber());
    ::RemoveDirectoryW(probe.c_str());
    if (!::CreateDirectoryW(probe.c_str(), nullptr)) return false;
    const bool found = pathExists(toU16(probe));
    ::RemoveDirectoryW(probe.c_str());
    return found;
}

bool pathExists(std::string_view path, std::uint64_t* lastWriteTime) {
    if (isDriveRootForm(path)) return true;
    WIN32_FIND_DATAA found;
    UniqueFindHandle search(::FindFirstFileA(std::string(path).c_str(), &found));
    if (!search) return false;
    if (lastWriteTime) *lastWriteTime = fileTimeValue(found.ftLastWriteTime);
    return true;
}

bool pathExists(std::u16string_view path, std::uint64_t* lastWriteTime) {
    if (isDriveRootForm(path)) return true;
    WIN32_FIND_DATAW found;
    UniqueFindHandle search(::FindFirstFileW(toWide(path).c_str(), &found));
    if (!search) return false;
    if (lastWriteTime) *lastWriteTime = fileTimeValue(found.ftLastWriteTime);
    return true;
}

void removeDirectoryContents(const std::string& path, bool recurse) {
    if (path.empty() || path[0] == '.') return;
    log::logLine(u"emptying %S", path);
    const std::string prefix = path.back() == '\\' ? path : path + '\\';
    for (const DirectoryEntry& entry : listDirectory(prefix)) {
        const std::string fullName = prefix + entry.name;
        if (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) {
            log::logLine(u"attempting to remove %S (%d)", fullName, recurse ? 1 : 0);
            // A junction or directory link is removed as a link: what it
            // points to lies outside the directory being emptied.
            if (recurse && !(entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT)) removeDirectoryContents(fullName, false);
            ::RemoveDirectoryA(fullName.c_str());
        } else {
            log::logLine(u"attempting to delete %S", fullName);
            ::DeleteFileA(fullName.c_str());
        }
    }
}

}  // namespace tavik
