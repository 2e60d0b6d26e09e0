#include "launcher/core/JvmSearchRules.h"

#include <algorithm>
#include <functional>

namespace tavik::jvm {

std::vector<SearchEntry> parseSearchSequence(std::string_view sequence) {
    std::vector<SearchEntry> entries;
    std::size_t pos = 0;
    while (pos <= sequence.size()) {
        const std::size_t end = std::min(sequence.find(';', pos), sequence.size());
        const std::string_view entry = sequence.substr(pos, end - pos);
        if (!entry.empty()) entries.push_back({entry.front(), std::string(entry.substr(1))});
        pos = end + 1;
    }
    return entries;
}

bool isRetriedRelaxed(const SearchEntry& entry) {
    if (entry.type == 'B') return true;
    if (entry.type != 'A' && entry.type != 'R') return false;
    const std::string_view value = entry.value;
    const bool absolute = value.size() >= 2 && (value[1] == ':' || (value[0] == '\\' && value[1] == '\\'));
    return !absolute;
}

std::optional<std::string> fittingValue(std::optional<std::string> value, std::size_t capacity) {
    if (!value || value->size() >= capacity) return std::nullopt;
    return value;
}

std::vector<std::string> versionKeysInTrialOrder(std::vector<std::string> names, const VersionParts& minimum,
                                                 const VersionParts& maximum) {
    names.erase(std::remove_if(names.begin(), names.end(),
                               [&](const std::string& name) { return !isKeyVersionInRange(name, minimum, maximum); }),
                names.end());
    // std::string compares as unsigned bytes, as strcmp does.
    std::sort(names.begin(), names.end(), std::greater<>());
    return names;
}

CurrentVersionChoice chooseCurrentVersion(const std::optional<std::string>& jdkVersion,
                                          const std::optional<std::string>& jreVersion, bool requireJdk,
                                          const VersionParts& minimum, const VersionParts& maximum) {
    const auto counted = [&](const std::optional<std::string>& version) {
        return version && isKeyVersionInRange(*version, minimum, maximum) ? *version : std::string();
    };
    const std::string jdk = counted(jdkVersion);
    const std::string jre = requireJdk ? std::string() : counted(jreVersion);
    if (!jdk.empty() && isNewerVersion(jdk, jre)) return {CurrentVersionPick::Jdk, jdk};
    if (!jre.empty()) return {CurrentVersionPick::Jre, jre};
    return {};
}

std::optional<std::string> locatedJavaExe(std::string_view keyName, bool bundledOnly) {
    std::string path(keyName);
    std::replace(path.begin(), path.end(), '/', '\\');
    if (bundledOnly && path.find("rwt_jres") == std::string::npos) return std::nullopt;
    return path;
}

bool replacesBest(std::string_view candidateVersion, std::string_view bestVersion) {
    return isNewerVersion(candidateVersion, bestVersion);
}

bool vendorWins(std::string_view vendorVersion, std::string_view locatedVersion) {
    return isNewerVersion(vendorVersion, locatedVersion);
}

std::optional<std::string> firstConfigLine(std::string_view content, std::size_t capacity) {
    std::string line;
    for (std::size_t i = 0; i < content.size() && line.size() + 1 < capacity; ++i) {
        char c = content[i];
        if (c == '\x1a') break;
        if (c == '\r' && i + 1 < content.size() && content[i + 1] == '\n') c = content[++i];
        line.push_back(c);
        if (c == '\n') break;
    }
    if (line.empty()) return std::nullopt;
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    return line;
}

}  // namespace tavik::jvm
