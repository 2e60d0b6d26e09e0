#include "launcher/win/paths/FileSystem.h"

#include <windows.h>

#include <vector>

#include "common/win/Handles.h"
#include "common/win/WideText.h"
#include "launcher/core/Log.h"
#include "launcher/core/PathText.h"

namespace tavik::paths {
namespace {

std::uint64_t fileTimeValue(const FILETIME& time) {
    return static_cast<std::uint64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
}

struct DirectoryEntry {
    std::string name;
    DWORD attributes;
};

std::vector<DirectoryEntry> listDirectory(const std::string& prefix) {
    std::vector<DirectoryEntry> entries;
    WIN32_FIND_DATAA found;
    UniqueFindHandle search(::FindFirstFileA((prefix + "*.*").c_str(), &found));
    if (!search) return entries;
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..") entries.push_back({name, found.dwFileAttributes});
    } while (::FindNextFileA(search.get(), &found));
    return entries;
}

}  // namespace

bool pathExists(std::string_view path, std::uint64_t* lastWriteTime) {
    if (path::isDriveRootForm(path)) return true;
    WIN32_FIND_DATAA found;
    UniqueFindHandle search(::FindFirstFileA(std::string(path).c_str(), &found));
    if (!search) return false;
    if (lastWriteTime) *lastWriteTime = fileTimeValue(found.ftLastWriteTime);
    return true;
}

bool pathExists(std::u16string_view path, std::uint64_t* lastWriteTime) {
    if (path::isDriveRootForm(path)) return true;
    WIN32_FIND_DATAW found;
    UniqueFindHandle search(::FindFirstFileW(toWide(path).c_str(), &found));
    if (!search) return false;
    if (lastWriteTime) *lastWriteTime = fileTimeValue(found.ftLastWriteTime);
    return true;
}

void removeDirectoryContents(const std::string& path, Subdirectories subdirectories) {
    if (path.empty() || path[0] == '.') return;
    log::logLine(u"emptying %S", path);
    const bool recurse = subdirectories == Subdirectories::Emptied;
    const std::string prefix = path.back() == '\\' ? path : path + '\\';
    for (const DirectoryEntry& entry : listDirectory(prefix)) {
        const std::string fullName = prefix + entry.name;
        if (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) {
            log::logLine(u"attempting to remove %S (%d)", fullName, recurse ? 1 : 0);
            // A junction or directory link is removed as a link: what it
            // points to lies outside the directory being emptied.
            if (recurse && !(entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT))
                removeDirectoryContents(fullName, Subdirectories::Kept);
            ::RemoveDirectoryA(fullName.c_str());
        } else {
            log::logLine(u"attempting to delete %S", fullName);
            ::DeleteFileA(fullName.c_str());
        }
    }
}

}  // namespace tavik::paths
