#pragma once
// The launcher's places for temporary files: the temporary base chosen from a
// fixed list of candidates, the launcher's own temporary directory in it, and
// the clean-up of that directory.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavik {

// The launcher's own temporary directory (8-bit); empty until one is created.
const std::string& tempDirectory();
void setTempDirectory(std::string path);

// The first usable temporary base, chosen once per process and width. The
// 8-bit form ends the process with message 1015 when none is usable; the
// UTF-16 form does so only when `fatal` is set and otherwise returns "".
std::string tempBaseDirectory();
std::u16string tempBaseDirectoryWide(bool fatal);

// A unique placeholder name in the 8-bit temporary base, "tvk..." as the
// system makes it (which leaves an empty file of that name in place), or
// "tvk<random number>" when the system cannot. Ends the process with message
// 1015 when there is no usable base.
std::string tempFileName();

// Makes the launcher's temporary directory, "<placeholder>_dir<seconds since
// 1970>", in up to 10 attempts, and keeps its path. Ends the process with
// message 1009 and "7" when every attempt fails.
void createTempDirectory();

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
template <class Text>
std::vector<TempBaseCandidate<Text>> tempBaseCandidates(const TempBaseFacts<Text>& facts);

TempBaseFacts<std::string> currentTempBaseFacts();
TempBaseFacts<std::u16string> currentTempBaseFactsWide();

// Tries the candidates in order on the real file system, without caching.
std::optional<std::string> chooseTempBase(const TempBaseFacts<std::string>& facts);
std::optional<std::u16string> chooseTempBase(const TempBaseFacts<std::u16string>& facts);

// A base is usable when a fresh directory can be made in it and found again;
// the probe directory is removed either way.
bool probeWritable(const std::string& base);
bool probeWritable(const std::u16string& base);

// True for the drive-root forms "X:\", "X:\." and "X:\.\." without looking;
// otherwise when a directory search finds the path, and then its last-write
// time (a FILETIME value) goes to `lastWriteTime` when given.
bool pathExists(std::string_view path, std::uint64_t* lastWriteTime = nullptr);
bool pathExists(std::u16string_view path, std::uint64_t* lastWriteTime = nullptr);

// Deletes the files in `path` and, with `recurse`, the files of its direct
// subdirectories, removing every subdirectory that ends up empty. Anything
// deeper stays. Does nothing for an empty path or one starting with ".".
void removeDirectoryContents(const std::string& path, bool recurse);

}  // namespace tavik
