#include "launcher/core/TempBaseCandidates.h"

namespace tavik::path {
namespace {

// Plain ASCII literals in either width.
template <class Text>
Text text(const char* ascii) {
    Text result;
    for (; *ascii; ++ascii) result.push_back(static_cast<typename Text::value_type>(*ascii));
    return result;
}

}  // namespace

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

}  // namespace tavik::path
