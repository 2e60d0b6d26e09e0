#pragma once
// The decisions of the JVM search that need no system: the search sequence,
// which entries the relaxed pass retries, the order of registry versions and
// the choice between registry candidates.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "launcher/core/JavaVersion.h"

namespace tavik::jvm {

// The buffers the search reads values into, terminator included. A value
// that does not fit counts as absent: a cut path would name another runtime.
inline constexpr std::size_t kPathValueCapacity = 6000;
inline constexpr std::size_t kCurrentVersionCapacity = 100;

// One entry: its type letter and the text after it.
struct SearchEntry {
    char type;
    std::string value;
};

// The ';'-separated entries in order; empty ones are skipped.
std::vector<SearchEntry> parseSearchSequence(std::string_view sequence);

// Whether the relaxed pass tries the entry's value again: B always, A and R
// only when the value is not absolute ("X:..." or "\\..."), nothing else.
bool isRetriedRelaxed(const SearchEntry& entry);

// A value read into a buffer of `capacity` bytes, none when it would not
// have fit with its terminator.
std::optional<std::string> fittingValue(std::optional<std::string> value, std::size_t capacity);

// The names of version subkeys that pass isKeyVersionInRange, in the order
// they are tried: byte-wise descending, so 9.0.4 comes before 17.
std::vector<std::string> versionKeysInTrialOrder(std::vector<std::string> names, const VersionParts& minimum,
                                                 const VersionParts& maximum);

// Which "CurrentVersion" to follow, given the values of the JDK and the JRE
// key (none where absent). A value counts only when it passes
// isKeyVersionInRange; the JRE's never counts when a JDK is required.
enum class CurrentVersionPick { None, Jdk, Jre };
struct CurrentVersionChoice {
    CurrentVersionPick pick = CurrentVersionPick::None;
    std::string version;  // the subkey name to open
};
CurrentVersionChoice chooseCurrentVersion(const std::optional<std::string>& jdkVersion,
                                          const std::optional<std::string>& jreVersion, bool requireJdk,
                                          const VersionParts& minimum, const VersionParts& maximum);

// A located runtime's java.exe from its subkey name ('/' written for '\'),
// or none when the restriction to bundled runtimes leaves it out.
std::optional<std::string> locatedJavaExe(std::string_view keyName, bool bundledOnly);

// Between the best so far and a newly accepted candidate version: the
// candidate replaces it only when strictly newer, so ties keep the first.
bool replacesBest(std::string_view candidateVersion, std::string_view bestVersion);

// The vendor candidate wins over the located one only when strictly newer.
bool vendorWins(std::string_view vendorVersion, std::string_view locatedVersion);

// The first line of a runtime configuration file as a text-mode read of at
// most `capacity` - 1 characters gives it: CR LF read as LF, Ctrl-Z ends the
// file, trailing CRs and LFs removed. None when the file holds no line.
std::optional<std::string> firstConfigLine(std::string_view content, std::size_t capacity = kPathValueCapacity);

}  // namespace tavik::jvm
