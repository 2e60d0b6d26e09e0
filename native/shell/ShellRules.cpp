#include "native/shell/ShellRules.h"

#include <algorithm>
#include <iterator>

namespace tavik::native::shell {
namespace {

struct FolderPair {
    int perUser;
    int allUsers;
};

// Ids 1 to 11, in order.
constexpr FolderPair kShellFolders[] = {
    {csidl::kDesktopDirectory, csidl::kCommonDesktopDirectory},
    {csidl::kStartMenu, csidl::kCommonStartMenu},
    {csidl::kPrograms, csidl::kCommonPrograms},
    {csidl::kStartup, csidl::kCommonStartup},
    {csidl::kSendTo, csidl::kSendTo},
    {csidl::kFonts, csidl::kFonts},
    {csidl::kAppData, csidl::kCommonAppData},
    {csidl::kPersonal, csidl::kCommonDocuments},
    {csidl::kTemplates, csidl::kCommonTemplates},
    {csidl::kFavorites, csidl::kCommonFavorites},
    {csidl::kLocalAppData, csidl::kLocalAppData},
};

constexpr std::int32_t kLastShellFolderId = 1000;

KnownFolder knownFolderFor(std::int32_t id) {
    switch (id) {
        case 1001: return KnownFolder::Downloads;
        case 1002: return KnownFolder::UserProgramFiles;
        case 1003: return KnownFolder::UserProgramFilesCommon;
        default: return KnownFolder::Profile;
    }
}

}  // namespace

SpecialFolder specialFolderFor(std::int32_t id, bool allUsers) {
    if (id > kLastShellFolderId) return knownFolderFor(id);
    constexpr auto count = static_cast<std::int32_t>(std::size(kShellFolders));
    if (id < 1 || id > count) return ShellFolder{csidl::kDesktop};
    const FolderPair& pair = kShellFolders[id - 1];
    return ShellFolder{allUsers ? pair.allUsers : pair.perUser};
}

VersionOrder compareFileVersions(const std::optional<FileVersionNumber>& first,
                                 const std::optional<FileVersionNumber>& second) {
    if (!first || !second) return VersionOrder::Unreadable;
    const auto key = [](const FileVersionNumber& v) {
        return (std::uint64_t{v.mostSignificant} << 32) | v.leastSignificant;
    };
    if (key(*first) == key(*second)) return VersionOrder::Equal;
    return key(*first) > key(*second) ? VersionOrder::FirstHigher : VersionOrder::SecondHigher;
}

std::u16string universalNameFailure(std::uint32_t code) {
    const std::string digits = std::to_string(static_cast<std::int32_t>(code));
    std::u16string text = u";";
    text.append(digits.begin(), digits.end());
    return text;
}

std::u16string unitsUpToZero(const std::uint8_t* bytes, std::size_t size) {
    std::u16string units;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        const auto unit = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
        if (unit == u'\0') break;
        units.push_back(unit);
    }
    return units;
}

std::string bytesUpToZero(const std::uint8_t* bytes, std::size_t size) {
    const std::uint8_t* const end = std::find(bytes, bytes + size, std::uint8_t{0});
    return std::string(bytes, end);
}

}  // namespace tavik::native::shell
