#pragma once
// The places tried, in order, for the launcher's temporary base: first those
// meant for temporary files as long as 8-bit calls can reach them, then fixed
// fall-backs, finally the first ones again whatever their characters.
#include <optional>
#include <string>
#include <vector>

namespace tavik::path {

// What the candidate list is made of; none where a variable is unset or a
// system query failed.
template <class Text>
struct TempBaseFacts {
    std::optional<Text> systemTempPath;
    std::optional<Text> userProfile;
    std::optional<Text> homeDrive;
    std::optional<Text> homePath;
    std::optional<Text> windowsDirectory;
};

template <class Text>
struct TempBaseCandidate {
    Text path;
    bool create;       // make the directory first (a failure is ignored)
    bool requireAnsi;  // its long form must not contain "?"
};

// The candidates in the order they are tried; unavailable ones left out.
// Text is std::string (ANSI code page bytes) or std::u16string.
template <class Text>
std::vector<TempBaseCandidate<Text>> tempBaseCandidates(const TempBaseFacts<Text>& facts);

}  // namespace tavik::path
