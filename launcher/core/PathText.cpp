#include "launcher/core/PathText.h"

#include <algorithm>

namespace tavik::path {
namespace {

template <class Char>
bool isAbsolute(std::basic_string_view<Char> path) {
    if (!path.empty() && path[0] == Char('"')) path.remove_prefix(1);
    if (path.size() < 3) return false;
    const bool driveRoot = path[1] == Char(':') && path[2] == Char('\\');
    const bool doubleBackslash = path[0] == Char('\\') && path[1] == Char('\\');
    return driveRoot || doubleBackslash;
}

template <class Char>
std::basic_string<Char> join(std::basic_string_view<Char> directory, std::basic_string_view<Char> path) {
    std::basic_string<Char> result;
    if (!isAbsolute(path)) result = directory;
    result += path;
    return result;
}

template <class Char>
bool isAsciiLetter(Char c) {
    return (c >= Char('A') && c <= Char('Z')) || (c >= Char('a') && c <= Char('z'));
}

template <class Char>
bool isDriveRoot(std::basic_string_view<Char> path) {
    if (path.size() < 3 || !isAsciiLetter(path[0]) || path[1] != Char(':') || path[2] != Char('\\')) return false;
    const std::basic_string_view<Char> rest = path.substr(3);
    return rest.empty() || (rest.size() == 1 && rest[0] == Char('.')) ||
           (rest.size() == 3 && rest[0] == Char('.') && rest[1] == Char('\\') && rest[2] == Char('.'));
}

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::u16string collapseBackslashes(std::u16string_view path) {
    std::u16string result(path.substr(0, 2));
    for (std::size_t i = result.size(); i < path.size(); ++i) {
        if (path[i] == u'\\' && result.back() == u'\\') continue;
        result.push_back(path[i]);
    }
    return result;
}

bool isRelativePath(std::string_view path) { return !isAbsolute(path); }
bool isRelativePath(std::u16string_view path) { return !isAbsolute(path); }

std::string joinIfRelative(std::string_view directory, std::string_view path) { return join(directory, path); }

std::u16string joinIfRelative(std::u16string_view directory, std::u16string_view path) {
    return join(directory, path);
}

bool isDriveRootForm(std::string_view path) { return isDriveRoot(path); }
bool isDriveRootForm(std::u16string_view path) { return isDriveRoot(path); }

bool isExePath(std::string_view path) {
    constexpr std::string_view kExtension = ".exe";
    if (path.size() < kExtension.size() + 1) return false;
    const std::string_view tail = path.substr(path.size() - kExtension.size());
    return std::equal(tail.begin(), tail.end(), kExtension.begin(),
                      [](char a, char b) { return lowerAscii(a) == b; });
}

std::u16string lowerAsciiLetters(std::u16string_view text) {
    std::u16string lowered(text);
    for (char16_t& c : lowered)
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    return lowered;
}

std::vector<std::string> splitPathList(std::string_view list) {
    std::vector<std::string> entries;
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t end = std::min(list.find(';', start), list.size());
        if (end > start) entries.emplace_back(list.substr(start, end - start));
        start = end + 1;
    }
    return entries;
}

std::u16string filesWithExtensionPattern(std::u16string_view directory, std::u16string_view extension) {
    std::u16string pattern(directory);
    if (!pattern.empty() && pattern.back() != u'\\' && pattern.back() != u'/') pattern += u'\\';
    pattern += u'*';
    if (extension.empty() || extension.front() != u'.') pattern += u'.';
    pattern += extension;
    return pattern;
}

std::optional<std::string> shortPathFromShellOutput(std::string_view output, std::uint32_t exitCode) {
    if (exitCode != 0 || output.size() < 6) return std::nullopt;
    const std::size_t lineEnd = output.find_first_of("\r\n");
    if (lineEnd == std::string_view::npos) return std::nullopt;
    return std::string(output.substr(0, lineEnd));
}

}  // namespace tavik::path
