#include "launcher/core/ArchiveNames.h"

#include <algorithm>

namespace tavik::archive {
namespace {

bool isSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

std::vector<std::string> splitNameList(std::string_view list) {
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t end = std::min(list.find(';', start), list.size());
        if (end > start) names.emplace_back(list.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

bool isSafeArchiveName(std::string_view name) {
    if (name.empty() || isSeparator(name.front())) return false;
    if (name.find(':') != std::string_view::npos) return false;
    if (std::count_if(name.begin(), name.end(), isSeparator) > 1) return false;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = start;
        while (end < name.size() && !isSeparator(name[end])) ++end;
        if (name.substr(start, end - start) == "..") return false;
        start = end + 1;
    }
    return true;
}

std::string subdirectoryOf(std::string_view name) {
    const std::size_t backslash = name.find('\\');
    return backslash == std::string_view::npos ? std::string() : std::string(name.substr(0, backslash));
}

}  // namespace tavik::archive
