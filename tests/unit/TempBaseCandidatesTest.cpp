// The order of the temporary-base candidates and which of them are made and
// must stay within the ANSI code page.
#include "launcher/core/TempBaseCandidates.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavik::path {
namespace {

// Each candidate's path (ASCII in these cases) and its flags.
template <class Text>
std::vector<std::string> describe(const TempBaseFacts<Text>& facts) {
    std::vector<std::string> got;
    for (const auto& c : tempBaseCandidates(facts)) {
        std::string line(c.path.begin(), c.path.end());
        if (c.create) line += " create";
        if (c.requireAnsi) line += " ansi";
        got.push_back(line);
    }
    return got;
}

TEST(TempBaseCandidates, EverySourceInItsPlaceInEitherWidth) {
    const std::vector<std::string> want = {
        "S create ansi", "P\\AppData\\Local\\Temp ansi", "D:\\home ansi", "W\\temp", "c:\\temp", "c:\\tmp", "W",
        "c:\\tmp create", "S create", "P\\AppData\\Local\\Temp", "D:\\home"};
    EXPECT_EQ(describe(TempBaseFacts<std::string>{"S", "P", "D:", "\\home", "W"}), want);
    EXPECT_EQ(describe(TempBaseFacts<std::u16string>{u"S", u"P", u"D:", u"\\home", u"W"}), want);
}

TEST(TempBaseCandidates, NoFactsLeaveTheFixedFallBacks) {
    EXPECT_EQ(describe(TempBaseFacts<std::string>{}), (std::vector<std::string>{"c:\\temp", "c:\\tmp", "c:\\tmp create"}));
}

TEST(TempBaseCandidates, SkipUnavailableSourcesAndKeepTheirOrder) {
    TempBaseFacts<std::string> facts;
    facts.systemTempPath = "S";
    facts.homeDrive = "D:";
    facts.homePath = "\\home";
    facts.windowsDirectory = "W";
    std::vector<std::string> got;
    for (const auto& c : tempBaseCandidates(facts))
        got.push_back(c.path + (c.create ? " create" : "") + (c.requireAnsi ? " ansi" : ""));
    EXPECT_EQ(got, (std::vector<std::string>{"S create ansi", "D:\\home ansi", "W\\temp", "c:\\temp", "c:\\tmp", "W",
                                             "c:\\tmp create", "S create", "D:\\home"}));

    TempBaseFacts<std::u16string> wide;
    wide.userProfile = u"P";
    wide.homeDrive = u"D:";  // without HOMEPATH the pair is unavailable
    std::vector<std::u16string> widePaths;
    for (const auto& c : tempBaseCandidates(wide)) widePaths.push_back(c.path);
    EXPECT_EQ(widePaths, (std::vector<std::u16string>{u"P\\AppData\\Local\\Temp", u"c:\\temp", u"c:\\tmp", u"c:\\tmp",
                                                      u"P\\AppData\\Local\\Temp"}));
}

}  // namespace
}  // namespace tavik::path
