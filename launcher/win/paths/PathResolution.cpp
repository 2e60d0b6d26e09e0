#include "launcher/win/paths/PathResolution.h"

#include <windows.h>

#include "common/win/Handles.h"
#include "common/win/WideText.h"
#include "launcher/core/PathText.h"
#include "launcher/win/paths/AnsiPath.h"
#include "launcher/win/paths/LauncherPaths.h"

namespace tavik::paths {
namespace {

std::u16string decoded(std::string_view ansi) { return toU16(fromAnsi(ansi)); }

template <class Char>
struct FullPathName {
    std::basic_string<Char> path;
    std::size_t fileNameAt;  // where the file name starts; the length when there is none
};

DWORD getFullPathName(const wchar_t* path, DWORD size, wchar_t* buffer, wchar_t** fileName) {
    return ::GetFullPathNameW(path, size, buffer, fileName);
}
DWORD getFullPathName(const char* path, DWORD size, char* buffer, char** fileName) {
    return ::GetFullPathNameA(path, size, buffer, fileName);
}

// The system's normalization; none when it fails.
template <class Char>
std::optional<FullPathName<Char>> fullPathName(const std::basic_string<Char>& path) {
    std::basic_string<Char> buffer(MAX_PATH, Char{});
    for (;;) {
        Char* fileName = nullptr;
        const DWORD length = getFullPathName(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), &fileName);
        if (length == 0) return std::nullopt;
        if (length < buffer.size()) {
            const std::size_t fileNameAt = fileName ? static_cast<std::size_t>(fileName - buffer.data()) : length;
            buffer.resize(length);
            return FullPathName<Char>{std::move(buffer), fileNameAt};
        }
        buffer.resize(length);
    }
}

template <class Char>
std::basic_string<Char> normalized(const std::basic_string<Char>& path) {
    auto full = fullPathName(path);
    return full ? std::move(full->path) : path;
}

template <class Char>
std::basic_string<Char> directoryOfFile(const std::basic_string<Char>& file) {
    const auto full = fullPathName(file);
    if (!full) return {};
    return full->path.substr(0, full->fileNameAt);
}

}  // namespace

std::string resolvePath(std::string_view path, std::string_view baseFile) {
    if (!path::isRelativePath(path)) return collapseBackslashes(std::string(path));
    const std::string directory = baseFile.empty() ? launcherDirectory() : directoryOfFile(std::string(baseFile));
    return collapseBackslashes(path::joinIfRelative(directory, path));
}

std::u16string resolvePathWide(std::u16string_view path, DirectoryForm form, std::u16string_view baseFile) {
    if (!path::isRelativePath(path)) return path::collapseBackslashes(path);
    const std::u16string directory =
        baseFile.empty() ? launcherDirectoryWide(form) : toU16(directoryOfFile(toWide(baseFile)));
    return path::collapseBackslashes(path::joinIfRelative(directory, path));
}

std::string fullPath(std::string_view path, LetterCase letterCase) {
    std::string full = normalized(resolvePath(path));
    if (letterCase == LetterCase::Lower) {
        // Lowered in UTF-16 only where the text survives the trip.
        if (const auto wide = exactlyDecoded(full))
            full = toAnsiExactly(path::lowerAsciiLetters(*wide)).value_or(full);
    }
    return collapseBackslashes(full);
}

std::u16string fullPathWide(std::u16string_view path, LetterCase letterCase, DirectoryForm form) {
    std::u16string full = toU16(normalized(toWide(resolvePathWide(path, form))));
    if (letterCase == LetterCase::Lower) full = path::lowerAsciiLetters(full);
    return path::collapseBackslashes(full);
}

std::string resolvePathList(std::string_view list, const std::function<void(const std::string&)>& onEntry) {
    std::string resolvedList;
    for (const std::string& entry : path::splitPathList(list)) {
        const std::string resolved = resolvePath(entry);
        if (!resolvedList.empty()) resolvedList += ';';
        resolvedList += resolved;
        if (onEntry) onEntry(resolved);
    }
    return resolvedList;
}

std::vector<std::string> listFilesWithExtension(std::string_view directory, std::string_view extension) {
    std::vector<std::string> names;
    const auto pattern = toAnsiExactly(path::filesWithExtensionPattern(decoded(directory), decoded(extension)));
    if (!pattern) return names;
    WIN32_FIND_DATAA found;
    UniqueFindHandle search(::FindFirstFileA(pattern->c_str(), &found));
    if (!search) return names;
    do {
        names.emplace_back(found.cFileName);
    } while (::FindNextFileA(search.get(), &found));
    return names;
}

}  // namespace tavik::paths
