#pragma once
// How a Java runtime's version is read, compared and cached. The shell runs
// java.exe, reads the registry and the file times and hands the facts in; the
// decisions are made here.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavik::jvm {

// The version buffer handed on to the loader, terminator included.
inline constexpr std::size_t kVersionCapacity = 2000;

using VersionParts = std::vector<std::int32_t>;

// Appends the numbers of `text`. It is cut at every '.', '_', '-' and '+' (a
// run of them is one cut, none at either end); each piece is read like strtol
// in base 10, so "b14" gives 0 and a piece too large for 32 bits is clamped.
void parseVersion(std::string_view text, VersionParts& parts);
VersionParts parseVersion(std::string_view text);

// One bound. Only as many components as the bound has are compared, so an
// equal prefix passes: maximum 1.8 accepts 1.8.0_292. A candidate shorter than
// the bound passes at once when lenient, else its missing components count as 0.
bool satisfiesBound(const VersionParts& bound, const VersionParts& candidate, bool isMaximum, bool lenient);

// "beta", "ea" or "rc" anywhere, case-sensitive; deliberately coarse, so any
// text holding those letters counts.
bool isPrerelease(std::string_view text);

// The strict test on a runtime's own version: the pre-release filter, then
// both bounds. `allowPrerelease` is the caller's flag or'ed with a nonzero
// id 130. Logs "beta vm not allowed" when the filter rejects.
bool isVersionInRange(std::string_view text, const VersionParts& minimum, const VersionParts& maximum,
                      bool allowPrerelease);

// The lenient test on registry key names and "CurrentVersion" values: a key
// named 1.8 stands for every 1.8 update, so it passes a minimum of 1.8.0_45.
bool isKeyVersionInRange(std::string_view text, const VersionParts& minimum, const VersionParts& maximum);

// Strictly newer: 1.8.0 is newer than 1.8, 1.8 is not newer than 1.8.0, and a
// text without numbers is never newer.
bool isNewerVersion(std::string_view a, std::string_view b);

// --- Running "java -version" ---

inline constexpr std::uint32_t kStillActive = 259;
// Recorded in the cache for a runtime whose run failed; later checks ignore it.
inline constexpr std::string_view kFailedRunVersion = "1.0.0";

enum class VersionRunEnd {
    ReadOutput,     // exit code 0
    RecordFailure,  // any other code: cache kFailedRunVersion, fail
    Terminate,      // still running after the wait: terminate with exit code 1, fail
};
VersionRunEnd versionRunEnd(std::uint32_t exitCode);

// The first line of the child's error output as a 100-byte fgets in text mode
// reads it: CR LF becomes LF, Ctrl-Z ends the file, at most 99 bytes, the line
// feed kept. None when the output holds no line.
std::optional<std::string> firstOutputLine(std::string_view output);

// The version in a line beginning `java version "` or `openjdk version "`: up to
// the next double quote, or without one the rest of the line less its last two
// bytes. None for any other line, and for an unclosed quote followed by fewer
// than two bytes, which names no version.
std::optional<std::string> versionFromOutputLine(std::string_view line);

// --- The per-user version cache ---

inline constexpr std::string_view kVersionCacheRoot = "SOFTWARE\\norvale-systems\\tavik\\jvms\\";

// The key below HKEY_CURRENT_USER for a normalised java.exe path.
std::string versionCacheKey(std::string_view normalisedJavaExe);

// A FILETIME as its 8 bytes in memory order.
using FileTime = std::array<std::uint8_t, 8>;

// The values of a cache key as stored; none where the query failed.
struct CachedValues {
    std::optional<std::string> lastWriteTime;  // "LastWriteTime", raw bytes
    std::optional<std::string> version;        // "Version", raw bytes, terminator or not
};

// The version a cache key holds for the file as it is now. None when the
// time is not exactly the file's 8 bytes, when the version would not fit the
// version buffer with its terminator, or when it is "1.7.", "1.6." or "1.5.".
// A "1.0.0" record is returned: it is `checkJavaExe` that runs such a runtime again.
std::optional<std::string> cachedVersion(const CachedValues& values, const FileTime& fileLastWriteTime);

// True when a cached version is one `checkJavaExe` may use without a run.
bool isUsableCachedVersion(std::string_view cachedText);

// The path a GUI program needs: ".exe" at the end replaced by "w.exe".
std::string guiJavaExe(std::string_view javaExe);

}  // namespace tavik::jvm
