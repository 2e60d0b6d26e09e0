#include "launcher/core/JavaVersion.h"

#include <algorithm>

#include "launcher/core/ConfigStore.h"
#include "launcher/core/Log.h"

namespace tavik::jvm {
namespace {

bool isSeparator(char c) { return c == '.' || c == '_' || c == '-' || c == '+'; }

bool contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

// The part of `line` behind one of the two prefixes java prints, if it has one.
std::optional<std::string_view> behindVersionPrefix(std::string_view line) {
    for (const std::string_view prefix : {std::string_view("java version \""), std::string_view("openjdk version \"")}) {
        if (line.substr(0, prefix.size()) == prefix) return line.substr(prefix.size());
    }
    return std::nullopt;
}

}  // namespace

void parseVersion(std::string_view text, VersionParts& parts) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (isSeparator(text[pos])) {
            ++pos;
            continue;
        }
        std::size_t end = pos;
        while (end < text.size() && !isSeparator(text[end])) ++end;
        // Version pieces follow the strtol rules the configuration's numbers use.
        parts.push_back(config::parseConfigInt(text.substr(pos, end - pos)));
        pos = end;
    }
}

VersionParts parseVersion(std::string_view text) {
    VersionParts parts;
    parseVersion(text, parts);
    return parts;
}

bool satisfiesBound(const VersionParts& bound, const VersionParts& candidate, bool isMaximum, bool lenient) {
    for (std::size_t i = 0; i < bound.size(); ++i) {
        if (i >= candidate.size() && lenient) return true;
        const std::int32_t component = i < candidate.size() ? candidate[i] : 0;
        if (component == bound[i]) continue;
        const bool beyondBound = isMaximum ? component > bound[i] : component < bound[i];
        return !beyondBound;
    }
    return true;
}

bool isPrerelease(std::string_view text) {
    return contains(text, "beta") || contains(text, "ea") || contains(text, "rc");
}

bool isVersionInRange(std::string_view text, const VersionParts& minimum, const VersionParts& maximum,
                      bool allowPrerelease) {
    if (!allowPrerelease && isPrerelease(text)) {
        log::logLine(u"beta vm not allowed");
        return false;
    }
    const VersionParts version = parseVersion(text);
    return satisfiesBound(minimum, version, false, false) && satisfiesBound(maximum, version, true, false);
}

bool isKeyVersionInRange(std::string_view text, const VersionParts& minimum, const VersionParts& maximum) {
    const VersionParts version = parseVersion(text);
    return satisfiesBound(minimum, version, false, true) && satisfiesBound(maximum, version, true, true);
}

bool isNewerVersion(std::string_view a, std::string_view b) {
    const VersionParts newer = parseVersion(a);
    const VersionParts older = parseVersion(b);
    for (std::size_t i = 0; i < newer.size(); ++i) {
        if (i >= older.size()) return true;
        if (newer[i] != older[i]) return newer[i] > older[i];
    }
    return false;
}

VersionRunEnd versionRunEnd(std::uint32_t exitCode) {
    if (exitCode == 0) return VersionRunEnd::ReadOutput;
    return exitCode == kStillActive ? VersionRunEnd::Terminate : VersionRunEnd::RecordFailure;
}

std::optional<std::string> firstOutputLine(std::string_view output) {
    constexpr std::size_t kLineCapacity = 100;
    constexpr char kEndOfFile = '\x1a';
    std::string line;
    for (std::size_t i = 0; i < output.size() && line.size() < kLineCapacity - 1; ++i) {
        const char c = output[i];
        if (c == kEndOfFile) break;
        if (c == '\r' && i + 1 < output.size() && output[i + 1] == '\n') continue;
        line.push_back(c);
        if (c == '\n') break;
    }
    if (line.empty()) return std::nullopt;
    return line;
}

std::optional<std::string> versionFromOutputLine(std::string_view line) {
    const std::optional<std::string_view> rest = behindVersionPrefix(line);
    if (!rest) return std::nullopt;
    const std::size_t closingQuote = rest->find('"');
    if (closingQuote != std::string_view::npos) return std::string(rest->substr(0, closingQuote));
    // Without the closing quote the line is taken to end in quote and line feed.
    if (rest->size() < 2) return std::nullopt;
    return std::string(rest->substr(0, rest->size() - 2));
}

std::string versionCacheKey(std::string_view normalisedJavaExe) {
    std::string key(kVersionCacheRoot);
    key.append(normalisedJavaExe);
    std::replace(key.begin() + static_cast<std::ptrdiff_t>(kVersionCacheRoot.size()), key.end(), '\\', '/');
    return key;
}

std::optional<std::string> cachedVersion(const CachedValues& values, const FileTime& fileLastWriteTime) {
    const std::string_view fileTime(reinterpret_cast<const char*>(fileLastWriteTime.data()), fileLastWriteTime.size());
    if (!values.lastWriteTime || *values.lastWriteTime != fileTime) return std::nullopt;
    if (!values.version) return std::nullopt;
    const std::string& stored = *values.version;
    // The text and its terminator must fit the version buffer; a longer record
    // counts as absent rather than as a cut, and possibly different, version.
    const bool hasTerminator = !stored.empty() && stored.back() == '\0';
    if (stored.size() + (hasTerminator ? 0 : 1) > kVersionCapacity) return std::nullopt;
    std::string text = stored.substr(0, stored.find('\0'));
    if (text == "1.7." || text == "1.6." || text == "1.5.") return std::nullopt;
    return text;
}

bool isUsableCachedVersion(std::string_view cachedText) { return cachedText != kFailedRunVersion; }

std::string guiJavaExe(std::string_view javaExe) {
    const std::size_t extension = javaExe.size() < 4 ? 0 : javaExe.size() - 4;
    std::string gui(javaExe.substr(0, extension));
    gui.append("w.exe");
    return gui;
}

}  // namespace tavik::jvm
