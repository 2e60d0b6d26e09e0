#include "launcher/core/ArchiveNames.h"

#include <algorithm>
#include <array>

namespace tavik::archive {
namespace {

bool isSeparator(char c) { return c == '\\' || c == '/'; }

char upperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool equalsIgnoringCase(std::string_view text, std::string_view upper) {
    return text.size() == upper.size() &&
           std::equal(text.begin(), text.end(), upper.begin(), [](char a, char b) { return upperAscii(a) == b; });
}

// Windows maps these names to devices whatever the extension and trailing
// blanks or dots, in any directory. It counts the superscript digits as port
// numbers too: "\xB9", "\xB2" and "\xB3" are ¹, ² and ³ in Windows-1252, the
// code page the packer writes the names in.
bool isDeviceName(std::string_view component) {
    static constexpr std::array<std::string_view, 30> kDevices = {
        "CON",     "PRN",     "AUX",     "NUL",     "COM1",    "COM2",    "COM3",    "COM4",    "COM5",    "COM6",
        "COM7",    "COM8",    "COM9",    "COM\xB9", "COM\xB2", "COM\xB3", "LPT1",    "LPT2",    "LPT3",    "LPT4",
        "LPT5",    "LPT6",    "LPT7",    "LPT8",    "LPT9",    "LPT\xB9", "LPT\xB2", "LPT\xB3", "CONIN$",  "CONOUT$"};
    std::string_view stem = component.substr(0, component.find('.'));
    while (!stem.empty() && (stem.back() == ' ' || stem.back() == '.')) stem.remove_suffix(1);
    return std::any_of(kDevices.begin(), kDevices.end(),
                       [&](std::string_view device) { return equalsIgnoringCase(stem, device); });
}

std::vector<std::string_view> components(std::string_view name) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = start;
        while (end < name.size() && !isSeparator(name[end])) ++end;
        parts.push_back(name.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

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

std::vector<std::string> namesToExtract(std::int32_t count, std::string_view list) {
    std::vector<std::string> names = splitNameList(list);
    const std::size_t wanted = count > 0 ? static_cast<std::size_t>(count) : 0;
    if (names.size() > wanted) names.resize(wanted);
    return names;
}

std::optional<std::string> refusalReason(std::string_view name) {
    if (name.empty()) return "is empty";
    if (isSeparator(name.front())) return "is absolute; it must stay inside the extraction directory";
    if (name.find(':') != std::string_view::npos)
        return "holds ':'; it must be a relative name without a drive or a stream";
    if (std::count_if(name.begin(), name.end(), isSeparator) > 1)
        return "may hold one subdirectory level only (\"dir\\file\")";
    for (const std::string_view component : components(name)) {
        if (component == "..") return "holds a '..' part; it must stay inside the extraction directory";
        if (isDeviceName(component))
            return "holds \"" + std::string(component) + "\", which Windows takes for a device";
    }
    return std::nullopt;
}

bool isSafeArchiveName(std::string_view name) { return !refusalReason(name); }

std::optional<std::string> packingProblem(std::string_view name) {
    if (auto reason = refusalReason(name)) return reason;
    if (name.find(';') != std::string_view::npos) return "must not contain ';', which separates the names";
    if (name.find('/') != std::string_view::npos) return "must use '\\' to name a subdirectory";
    for (const std::string_view component : components(name)) {
        if (component.empty() || component == ".")
            return "must name a file, or one subdirectory and a file (no empty or '.' parts)";
    }
    return std::nullopt;
}

std::optional<std::string> firstUnsafeName(const std::vector<std::string>& names) {
    const auto unsafe =
        std::find_if(names.begin(), names.end(), [](const std::string& name) { return !isSafeArchiveName(name); });
    if (unsafe == names.end()) return std::nullopt;
    return *unsafe;
}

std::string subdirectoryOf(std::string_view name) {
    const std::size_t backslash = name.find('\\');
    return backslash == std::string_view::npos ? std::string() : std::string(name.substr(0, backslash));
}

}  // namespace tavik::archive
