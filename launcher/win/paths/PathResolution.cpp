#include "launcher/win/paths/PathResolution.h"

#include <windows.h>

#include "common/win/Handles.h"
#include "common/win/WideText.h"
#include "launcher/core/PathText.h"
#include "launcher/win/paths/LauncherPaths.h"

namespace tavik {
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

// The 8-bit routines work in UTF-16 only where the text survives the trip.
std::optional<std::u16string> exactlyDecoded(std::string_view ansi) {
    std::u16string wide = decoded(ansi);
    const auto back = toAnsiExactly(wide);
    if (!back || *back != ansi) return std::nullopt;
    return wide;
}

std::string encodedOr(const std::u16string& wide, std::string_view fallback) {
    return toAnsiExactly(wide).value_or(std::string(fallback));
}

}  // namespace

std::optional<std::string> toAnsiExactly(std::u16string_view text) {
    bool substituted = false;
    std::string ansi = toAnsi(text, substituted);
    if (substituted) return std::nullopt;
    return ansi;
}

bool endsWithPathSeparator(std::string_view path) {
    const std::u16string wide = decoded(path);
    return !wide.empty() && (wide.back() == u'\\' || wide.back() == u'/');
}

std::string collapseBackslashes(const std::string& path) {
    const auto wide = exactlyDecoded(path);
    if (!wide) return path;
    return encodedOr(path::collapseBackslashes(*wide), path);
}

std::string resolvePath(std::string_view path, std::string_view baseFile) {
    if (!path::isRelativePath(path)) return collapseBackslashes(std::string(path));
    const std::string directory = baseFile.empty() ? launcherDirectory() : directoryOfFile(std::string(baseFile));
    return collapseBackslashes(path::joinIfRelative(directory, path));
}

std::u16string resolvePathWide(std::u16string_view path, bool ansiSafe, std::u16string_view baseFile) {
    if (!path::isRelativePath(path)) return path::collapseBackslashes(path);
    const std::u16string directory =
        baseFile.empty() ? launcherDirectoryWide(ansiSafe) : toU16(directoryOfFile(toWide(baseFile)));
    return path::collapseBackslashes(path::joinIfRelative(directory, path));
}

std::string fullPath(std::string_view path, bool keepCase) {
    std::string full = normalized(resolvePath(path));
    if (!keepCase) {
        if (const auto wide = exactlyDecoded(full)) full = encodedOr(path::lowerAsciiLetters(*wide), full);
    }
    return collapseBackslashes(full);
}

std::u16string fullPathWide(std::u16string_view path, bool keepCase, bool ansiSafe) {
    std::u16string full = toU16(normalized(toWide(resolvePathWide(path, ansiSafe))));
    if (!keepCase) full = path::lowerAsciiLetters(full);
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

}  // namespace tavik
