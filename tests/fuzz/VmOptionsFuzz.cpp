// The VM option list built from fuzzed sources over a small in-memory file
// system, so .vmoptions files, their includes and include cycles are reached.
// Fields: the configured options (id 123), the default .vmoptions file, the
// launcher's arguments one a line ("-J" ones are options), the class-path
// and module-path entries (ids 121, 132), the runtime's version followed by
// version-specific key and option lines, then one field per file: its name
// relative to the launcher's directory, a line feed, its bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "launcher/core/ConfigIds.h"
#include "launcher/core/ConfigStore.h"
#include "launcher/core/PathText.h"
#include "launcher/core/VmOptions.h"
#include "tests/fuzz/FuzzInput.h"
#include "tests/fuzz/FuzzLog.h"

namespace {

using namespace tavik;
using fuzz::fieldAt;
using fuzz::require;
using fuzz::widened;

constexpr std::u16string_view kLauncherDirectory = u"C:\\App Long\\";
constexpr std::string_view kShortLauncherDirectory = "C:\\APPLON~1\\";

std::vector<std::string_view> linesOf(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        lines.push_back(text.substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return lines;
}

// Where a path leads in a Windows-like file system: "/" is "\", names compare
// without regard to case, "." and ".." resolve (never above the drive), and a
// final component loses its trailing dots and blanks. The launcher's
// directory has a short name, and "loop" is a junction back to the directory
// holding it, as "Application Data" is in a user profile: spellings that the
// include chain cannot see through.
std::u16string fileKey(std::u16string_view path) {
    std::u16string text(path);
    std::replace(text.begin(), text.end(), u'/', u'\\');
    text = path::lowerAsciiLetters(text);
    std::vector<std::u16string> segments;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find(u'\\', start), text.size());
        std::u16string segment = text.substr(start, end - start);
        start = end + 1;
        if (segment.empty() || segment == u"." || segment == u"loop") continue;
        if (segment == u"..") {
            if (segments.size() > 1) segments.pop_back();
            continue;
        }
        segments.push_back(segment == u"applon~1" ? u"app long" : std::move(segment));
    }
    while (!segments.empty() && !segments.back().empty() &&
           (segments.back().back() == u'.' || segments.back().back() == u' ')) {
        segments.back().pop_back();
    }
    std::u16string key;
    for (const std::u16string& segment : segments) key += (key.empty() ? u"" : u"\\") + segment;
    return key;
}

class FuzzExpansion : public expansion::ExpansionSources {
public:
    std::string launcherDirectory() const override { return std::string(kShortLauncherDirectory); }
    std::u16string launcherDirectoryWide() const override { return std::u16string(kLauncherDirectory); }
    std::string launcherTempDirectory() const override { return "C:\\APPLON~1\\tmp"; }
    std::string javaHome() const override { return "C:\\jre\\bin\\.."; }
    std::string tempBaseDirectory() const override { return "C:\\Temp\\"; }
    std::u16string tempBaseDirectoryWide() const override { return u"C:\\Temp\\"; }
    std::string environmentBlock() const override { return std::string(kEnvironmentBlock); }
    std::u16string environmentBlockWide() const override { return wideEnvironmentBlock_; }

private:
    static constexpr std::string_view kEnvironmentBlock{"LIBDIR=lib\0OPTS=-Dfrom.env=1\0", 29};
    const std::u16string wideEnvironmentBlock_ = widened(kEnvironmentBlock);
};

class FuzzSystem : public vmoptions::VmOptionsSystem {
public:
    std::map<std::int32_t, std::string> config;
    std::map<std::u16string, std::string> files;  // by fileKey
    mutable std::set<std::u16string> reads;  // an include chain reads a file up to a thousand times

    void addFile(std::u16string_view path, std::string_view content) { files.emplace(fileKey(path), content); }

    std::string configString(std::int32_t id) const override {
        const auto found = config.find(id);
        return found == config.end() ? std::string() : found->second;
    }
    std::u16string configWideString(std::int32_t id) const override { return widened(configString(id)); }
    std::int32_t configInt(std::int32_t id) const override { return config::parseConfigInt(configString(id)); }

    std::optional<std::string> readFile(std::u16string_view path) const override {
        reads.emplace(path);
        const auto found = files.find(fileKey(path));
        if (found == files.end()) return std::nullopt;
        return found->second;
    }
    bool pathExists(std::string_view path) const override {
        const std::u16string key = fileKey(widened(path));
        const auto next = files.lower_bound(key);
        return next != files.end() && (next->first == key || next->first.rfind(key + u"\\", 0) == 0);
    }
    std::vector<std::string> listFilesWithExtension(std::string_view directory,
                                                    std::string_view extension) const override {
        const std::u16string prefix = fileKey(widened(directory)) + u"\\";
        const std::u16string suffix = u"." + path::lowerAsciiLetters(widened(extension));
        std::vector<std::string> names;
        for (const auto& [key, content] : files) {
            if (key.rfind(prefix, 0) != 0 || key.find(u'\\', prefix.size()) != std::u16string::npos) continue;
            if (key.size() <= prefix.size() + suffix.size() ||
                key.compare(key.size() - suffix.size(), suffix.size(), suffix) != 0)
                continue;
            names.push_back(toNarrow(std::u16string_view(key).substr(prefix.size())));
        }
        return names;
    }
    std::optional<std::string> environmentVariable(std::string_view name) const override {
        if (name == "QUOTED") return "\"C:\\q.jar\"";
        if (name == "ENDS") return "C:\\e.jar;";
        return std::nullopt;
    }
    std::u16string resolvePathWide(std::u16string_view path,
                                   const std::optional<std::u16string>& baseFile) const override {
        const std::u16string base =
            baseFile ? baseFile->substr(0, baseFile->rfind(u'\\') + 1) : std::u16string(kLauncherDirectory);
        return path::collapseBackslashes(path::joinIfRelative(base, path));
    }
    std::string resolvePath(std::string_view path) const override {
        return path::joinIfRelative(kShortLauncherDirectory, path);
    }
    std::string resolvePathList(std::string_view list) const override {
        std::string joined;
        for (const std::string& piece : path::splitPathList(list)) {
            joined += (joined.empty() ? "" : ";") + resolvePath(piece);
        }
        return joined;
    }
    std::string fullPath(std::string_view path) const override { return resolvePath(path); }
    std::string toNarrow(std::u16string_view text) const override {
        std::string narrow;
        for (const char16_t c : text) narrow.push_back(c < 0x100 ? static_cast<char>(c) : '?');
        return narrow;
    }
    const expansion::ExpansionSources& expansionSources() const override { return expansion_; }

private:
    FuzzExpansion expansion_;
};

// A text-mode read keeps every byte before the first Ctrl-Z but the CR of
// each CR LF, in lines no longer than the buffer allows.
void checkTextModeLines(std::string_view content, std::size_t capacity) {
    const std::vector<std::string> lines = vmoptions::textModeLines(content, capacity);
    const std::size_t lineLimit = std::max<std::size_t>(capacity, 2) - 1;
    std::string joined;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        require(!lines[i].empty() && lines[i].size() <= lineLimit);
        if (i + 1 < lines.size()) require(lines[i].back() == '\n' || lines[i].size() == lineLimit);
        joined += lines[i];
        if (const auto option = vmoptions::optionFileLine(lines[i])) {
            require(!option->empty() && option->front() != ' ' && option->back() != ' ' && option->front() != '#');
            require(lines[i].find(*option) != std::string::npos);
        }
    }
    std::string expected;
    const std::string_view kept = content.substr(0, std::min(content.find('\x1A'), content.size()));
    for (std::size_t i = 0; i < kept.size(); ++i) {
        if (!(kept[i] == '\r' && i + 1 < kept.size() && kept[i + 1] == '\n')) expected.push_back(kept[i]);
    }
    require(joined == expected);
}

void checkIncludeIdentity(const std::u16string& path) {
    const std::u16string identity = vmoptions::includeIdentity(path);
    require(vmoptions::includeIdentity(identity) == identity);
    require(std::none_of(identity.begin(), identity.end(),
                         [](char16_t c) { return c == u'/' || (c >= u'A' && c <= u'Z'); }));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string_view> fields = fuzz::splitFields(fuzz::inputText(data, size));
    fuzz::restartLog();
    FuzzSystem system;
    system.config[config::kConfiguredOptionsId] = fieldAt(fields, 0);
    system.config[config::kDefaultOptionsFileId] = "1";
    system.config[config::kJavaArgumentsAreVmOptionsId] = "1";
    system.config[config::kClassPathId] = fieldAt(fields, 3);
    system.config[config::kModulePathId] = fieldAt(fields, 4);
    system.config[config::kMainClassId] = "app.module/com.example.Main";

    vmoptions::VmOptionsInputs inputs;
    inputs.properties = {"-Dtavik.fuzz=1"};
    inputs.launcherPath = std::u16string(kLauncherDirectory) + u"app.exe";
    inputs.modulePath = u"C:\\APPLON~1\\app.exe";
    inputs.userLanguage = "de";
    for (const std::string_view argument : linesOf(fieldAt(fields, 2))) inputs.arguments.push_back(widened(argument));

    const std::vector<std::string_view> versionLines = linesOf(fieldAt(fields, 5));
    if (!versionLines.empty()) inputs.javaVersion = std::string(versionLines[0]);
    const std::size_t specificLines = versionLines.size() / 2;
    system.config[config::kVersionOptionCountId] = std::to_string(specificLines);
    for (std::size_t i = 0; i < specificLines; ++i) {
        const auto keyId = static_cast<std::int32_t>(config::kFirstVersionConditionId + 2 * i);
        system.config[keyId] = versionLines[1 + 2 * i];
        system.config[keyId + 1] = 2 + 2 * i < versionLines.size() ? versionLines[2 + 2 * i] : std::string_view();
    }

    system.addFile(std::u16string(kLauncherDirectory) + u"app.vmoptions", fieldAt(fields, 1));
    for (std::size_t i = 6; i < fields.size(); ++i) {
        const std::string_view field = fields[i];
        const std::size_t newline = std::min(field.find('\n'), field.size());
        const std::u16string name = widened(field.substr(0, newline));
        system.addFile(system.resolvePathWide(name, std::nullopt), field.substr(std::min(newline + 1, field.size())));
    }

    const vmoptions::VmOptionsResult result = vmoptions::buildVmOptions(inputs, system);
    require(!result.failure || result.failure->messageId == config::kMissingEntryMessageId ||
            result.failure->messageId == config::kUnsetVariableMessageId);

    for (const std::u16string& path : system.reads) checkIncludeIdentity(path);
    std::size_t capacity = 1;
    for (const auto& [key, content] : system.files) checkTextModeLines(content, capacity++ % 48);
    return 0;
}
