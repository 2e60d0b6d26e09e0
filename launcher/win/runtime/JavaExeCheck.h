#pragma once
// Judging one candidate runtime by its java.exe: its version from the
// per-user registry cache or from a "-version" run, then the range test.
#include <optional>
#include <string>
#include <string_view>

#include "launcher/core/JavaVersion.h"

namespace tavik::runtime {

// The cached version of `javaExe` (normalised) when its entry was made for
// the file's present last-write time; none otherwise.
std::optional<std::string> readCachedVersion(const std::string& javaExe, const jvm::FileTime& lastWriteTime);

// Records `version` for the file as it is now; a key that cannot be created
// leaves the cache as it was, silently.
void writeCachedVersion(const std::string& javaExe, const jvm::FileTime& lastWriteTime, std::string_view version);

// Runs "<java.exe> -version" without a window and reads the version from the
// first line of its error output. A run that ends with a nonzero code is
// recorded in the cache as "1.0.0"; one still running after 60 s is terminated.
std::optional<std::string> runJavaVersion(const std::string& javaExe, const jvm::FileTime& lastWriteTime);

// Whether a pre-release version may pass the range test (id 130 lets them
// through for every candidate).
enum class Prerelease { Refused, Allowed };
// Whether the cached version is looked up before java.exe is run; a run's
// result is recorded either way.
enum class CacheLookup { Skip, Use };

// True when the candidate exists, its version was obtained and is in range.
// `javaExe` comes back normalised (and as javaw.exe for GUI programs), and
// `version` holds the version text (empty when none was obtained).
bool checkJavaExe(std::string& javaExe, std::string& version, const jvm::VersionParts& minimum,
                  const jvm::VersionParts& maximum, Prerelease prerelease, CacheLookup cacheLookup);

}  // namespace tavik::runtime
