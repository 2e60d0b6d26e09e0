// Arbitrary bytes as the archive's name list (the first byte is the count):
// no name the rule lets through may lead out of the temporary directory or
// name a device, judged here by the way Windows reads "<temp dir>\<name>".
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "launcher/core/ArchiveNames.h"
#include "tests/fuzz/FuzzInput.h"

namespace {

using tavik::fuzz::require;

bool isSeparator(char c) { return c == '\\' || c == '/'; }

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// The names Windows keeps for devices in every directory, with or without an
// extension; the superscript digits are the Windows-1252 bytes of ¹, ² and ³.
bool namesDevice(std::string_view component) {
    static constexpr std::array<std::string_view, 6> kPlain = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    static constexpr std::string_view kNumberedDigits = "123456789\xB9\xB2\xB3";
    std::string stem(component.substr(0, component.find('.')));
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();
    std::transform(stem.begin(), stem.end(), stem.begin(), upper);
    if (std::find(kPlain.begin(), kPlain.end(), stem) != kPlain.end()) return true;
    const bool numbered = stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0);
    return numbered && kNumberedDigits.find(stem[3]) != std::string_view::npos;
}

std::vector<std::string_view> componentsOf(std::string_view name) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= name.size(); ++i) {
        if (i == name.size() || isSeparator(name[i])) {
            parts.push_back(name.substr(start, i - start));
            start = i + 1;
        }
    }
    return parts;
}

void checkAcceptedName(const std::string& name) {
    // Relative, no drive and no stream: the path starts inside the directory.
    require(!name.empty() && !isSeparator(name.front()) && name.find(':') == std::string::npos);
    const std::vector<std::string_view> components = componentsOf(name);
    // Extraction creates one directory level at most.
    require(components.size() <= 2);
    for (const std::string_view component : components) require(component != ".." && !namesDevice(component));

    const std::string subdirectory = tavik::archive::subdirectoryOf(name);
    const std::size_t backslash = name.find('\\');
    require(backslash == std::string::npos ? subdirectory.empty()
                                           : !subdirectory.empty() && subdirectory == name.substr(0, backslash));
}

std::string withoutEmptyFields(std::string_view list) {
    std::string kept;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i] != ';') {
            if (i > 0 && list[i - 1] == ';' && !kept.empty()) kept.push_back(';');
            kept.push_back(list[i]);
        }
    }
    return kept;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tavik::archive;
    if (size == 0) return 0;
    const std::int32_t count = static_cast<std::int8_t>(data[0]);
    const std::string_view list = tavik::fuzz::inputText(data + 1, size - 1);

    const std::vector<std::string> names = splitNameList(list);
    std::string joined;
    for (const std::string& name : names) {
        require(!name.empty() && name.find(';') == std::string::npos);
        joined += (joined.empty() ? "" : ";") + name;
    }
    require(joined == withoutEmptyFields(list));

    const std::vector<std::string> extracted = namesToExtract(count, list);
    const std::size_t wanted = std::min<std::size_t>(count > 0 ? static_cast<std::size_t>(count) : 0, names.size());
    require(extracted == std::vector<std::string>(names.begin(), names.begin() + static_cast<std::ptrdiff_t>(wanted)));

    for (const std::string& name : names) {
        if (isSafeArchiveName(name)) checkAcceptedName(name);
    }
    const auto refused = firstUnsafeName(names);
    const auto firstRefused =
        std::find_if(names.begin(), names.end(), [](const std::string& name) { return !isSafeArchiveName(name); });
    require(refused ? firstRefused != names.end() && *refused == *firstRefused : firstRefused == names.end());
    return 0;
}
