// The shell, folder and file-version natives' decisions that need no system.
#include "native/shell/ShellRules.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace tavik::native::shell {
namespace {

std::string describe(const SpecialFolder& folder) {
    if (const auto* shellFolder = std::get_if<ShellFolder>(&folder)) {
        return "csidl " + std::to_string(shellFolder->csidl);
    }
    switch (std::get<KnownFolder>(folder)) {
        case KnownFolder::Downloads: return "downloads";
        case KnownFolder::UserProgramFiles: return "user program files";
        case KnownFolder::UserProgramFilesCommon: return "user program files common";
        case KnownFolder::Profile: return "profile";
    }
    return "?";
}

std::string csidlText(int number) { return "csidl " + std::to_string(number); }

TEST(SpecialFolders, EachIdSelectsItsFolderAndTheAllUsersVariantWhereThereIsOne) {
    struct Case {
        std::int32_t id;
        std::string perUser, allUsers;
    };
    const Case cases[] = {
        {1, csidlText(0x10), csidlText(0x19)},
        {2, csidlText(0x0B), csidlText(0x16)},
        {3, csidlText(0x02), csidlText(0x17)},
        {4, csidlText(0x07), csidlText(0x18)},
        {5, csidlText(0x09), csidlText(0x09)},
        {6, csidlText(0x14), csidlText(0x14)},
        {7, csidlText(0x1A), csidlText(0x23)},
        {8, csidlText(0x05), csidlText(0x2E)},
        {9, csidlText(0x15), csidlText(0x2D)},
        {10, csidlText(0x06), csidlText(0x1F)},
        {11, csidlText(0x1C), csidlText(0x1C)},
        // Unlisted ids up to 1000 are the desktop, above it the profile.
        {0, csidlText(0), csidlText(0)},
        {-1, csidlText(0), csidlText(0)},
        {INT_MIN, csidlText(0), csidlText(0)},
        {12, csidlText(0), csidlText(0)},
        {1000, csidlText(0), csidlText(0)},
        {1001, "downloads", "downloads"},
        {1002, "user program files", "user program files"},
        {1003, "user program files common", "user program files common"},
        {1004, "profile", "profile"},
        {1500, "profile", "profile"},
        {INT_MAX, "profile", "profile"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(describe(specialFolderFor(c.id, false)), c.perUser);
        EXPECT_EQ(describe(specialFolderFor(c.id, true)), c.allUsers);
    }
}

TEST(FileVersionOrder, ComparesTheHighHalfFirstThenTheLowBothUnsigned) {
    using V = FileVersionNumber;
    struct Case {
        const char* name;
        std::optional<V> first, second;
        VersionOrder want;
    };
    const Case cases[] = {
        {"equal", V{0x00010002, 0x00030004}, V{0x00010002, 0x00030004}, VersionOrder::Equal},
        {"1.2.3.4 against 1.2.3.10", V{0x00010002, 0x00030004}, V{0x00010002, 0x0003000A}, VersionOrder::SecondHigher},
        {"1.2.3.10 against 1.2.3.4", V{0x00010002, 0x0003000A}, V{0x00010002, 0x00030004}, VersionOrder::FirstHigher},
        {"the high half outweighs the low", V{0x00020000, 0}, V{0x00010009, 0xFFFFFFFF}, VersionOrder::FirstHigher},
        {"a high half beyond 2^31", V{0x9C400000, 0}, V{0x00010000, 0}, VersionOrder::FirstHigher},
        {"a low half beyond 2^31", V{0x00010000, 0x00010000}, V{0x00010000, 0x9C400000}, VersionOrder::SecondHigher},
        {"the first unreadable", std::nullopt, V{1, 0}, VersionOrder::Unreadable},
        {"the second unreadable", V{1, 0}, std::nullopt, VersionOrder::Unreadable},
        {"neither readable", std::nullopt, std::nullopt, VersionOrder::Unreadable},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(compareFileVersions(c.first, c.second), c.want);
    }
}

TEST(UniversalNameFailure, IsASemicolonAndTheCodeAsASignedDecimal) {
    EXPECT_EQ(universalNameFailure(2250), u";2250");
    EXPECT_EQ(universalNameFailure(0), u";0");
    EXPECT_EQ(universalNameFailure(0x80004005u), u";-2147467259");
}

TEST(RawText, EndsAtTheFirstZeroOrAtTheDataEnd) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        std::u16string units;
        std::string narrow;
    };
    const Case cases[] = {
        {"terminated", {'C', 0, ':', 0, 0, 0}, u"C:", std::string("C")},
        {"a zero inside", {'a', 0, 0, 0, 'b', 0}, u"a", std::string("a")},
        {"no terminator", {'a', 0, 'b', 0}, u"ab", std::string("a")},
        {"an odd trailing byte", {'a', 0, 'b'}, u"a", std::string("a")},
        {"little-endian units", {0xAC, 0x20, 0x00, 0x00}, u"\u20AC", std::string("\xAC\x20")},
        {"empty", {}, u"", std::string()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(unitsUpToZero(c.bytes.data(), c.bytes.size()), c.units);
        EXPECT_EQ(bytesUpToZero(c.bytes.data(), c.bytes.size()), c.narrow);
    }
    const std::uint8_t codePage[] = {'d', 'i', 'r', 0xE9};
    EXPECT_EQ(bytesUpToZero(codePage, sizeof codePage), std::string("dir\xE9"));
}

}  // namespace
}  // namespace tavik::native::shell
