#pragma once
// The decisions of the shell, folder and file-version natives that need no
// system: which shell folder an id selects, how two file versions compare,
// and how texts are spelled or read out of raw bytes.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>

namespace tavik::native::shell {

// Shell folder numbers as the shell defines them.
namespace csidl {
inline constexpr int kDesktop = 0x00;
inline constexpr int kPrograms = 0x02;
inline constexpr int kPersonal = 0x05;
inline constexpr int kFavorites = 0x06;
inline constexpr int kStartup = 0x07;
inline constexpr int kSendTo = 0x09;
inline constexpr int kStartMenu = 0x0B;
inline constexpr int kDesktopDirectory = 0x10;
inline constexpr int kFonts = 0x14;
inline constexpr int kTemplates = 0x15;
inline constexpr int kCommonStartMenu = 0x16;
inline constexpr int kCommonPrograms = 0x17;
inline constexpr int kCommonStartup = 0x18;
inline constexpr int kCommonDesktopDirectory = 0x19;
inline constexpr int kAppData = 0x1A;
inline constexpr int kLocalAppData = 0x1C;
inline constexpr int kCommonFavorites = 0x1F;
inline constexpr int kCommonAppData = 0x23;
inline constexpr int kCommonTemplates = 0x2D;
inline constexpr int kCommonDocuments = 0x2E;
}  // namespace csidl

struct ShellFolder {
    int csidl;
};
enum class KnownFolder { Downloads, UserProgramFiles, UserProgramFilesCommon, Profile };
using SpecialFolder = std::variant<ShellFolder, KnownFolder>;

// Ids up to 1000 name shell folders (the desktop for any unlisted one), ids
// above name known folders (the profile for any unlisted one). `allUsers`
// picks the common variant where there is one.
SpecialFolder specialFolderFor(std::int32_t id, bool allUsers);

struct FileVersionNumber {
    std::uint32_t mostSignificant = 0;
    std::uint32_t leastSignificant = 0;
};

// What compare0 answers; the Java side knows these numbers.
enum class VersionOrder : std::int32_t { Equal = 0, FirstHigher = 1, SecondHigher = 2, Unreadable = 3 };

// Unsigned, most significant half first; a missing version on either side is Unreadable.
VersionOrder compareFileVersions(const std::optional<FileVersionNumber>& first,
                                 const std::optional<FileVersionNumber>& second);

// ";" and the code as a signed decimal: a result no universal name begins with.
std::u16string universalNameFailure(std::uint32_t code);

// Little-endian UTF-16 units up to the first zero unit, or up to the last
// whole unit when there is none: raw data need not be terminated.
std::u16string unitsUpToZero(const std::uint8_t* bytes, std::size_t size);

// Bytes up to the first zero, or all of them when there is none.
std::string bytesUpToZero(const std::uint8_t* bytes, std::size_t size);

}  // namespace tavik::native::shell
