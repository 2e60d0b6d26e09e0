#include "launcher/core/VmOptions.h"

#include <algorithm>
#include <utility>

#include "launcher/core/CommandLine.h"
#include "launcher/core/ConfigIds.h"
#include "launcher/core/ConfigStore.h"
#include "launcher/core/JavaVersion.h"
#include "launcher/core/Log.h"

namespace tavik::vmoptions {
namespace {

constexpr std::u16string_view kIncludePrefix = u"-include-options ";
constexpr std::u16string_view kIncludeToken = u"-include-options";
constexpr std::u16string_view kReplaceClassPathPrefix = u"-classpath ";
constexpr std::u16string_view kPrependClassPathPrefix = u"-classpath/p ";
constexpr std::u16string_view kAppendClassPathPrefix = u"-classpath/a ";
constexpr std::u16string_view kLocaleFormatPrefix = u"-Dsun.locale.formatasdefault=";
constexpr std::u16string_view kLocaleFormatTrue = u"-Dsun.locale.formatasdefault=true";
constexpr std::string_view kServiceSignalOption = "-Xrs";

template <class Char>
bool startsWith(std::basic_string_view<Char> text, std::basic_string_view<Char> prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool endsWith(std::string_view text, char c) { return !text.empty() && text.back() == c; }

void removeOneTrailingSemicolon(std::string& text) {
    if (endsWith(text, ';')) text.pop_back();
}

// Each byte becomes the character of the same value, as the C library's
// default locale widens.
std::u16string widenBytes(std::string_view text) {
    std::u16string wide(text.size(), u'\0');
    std::transform(text.begin(), text.end(), wide.begin(),
                   [](char c) { return static_cast<char16_t>(static_cast<unsigned char>(c)); });
    return wide;
}

const void* addressOf(const std::optional<std::string>& content) {
    return content ? static_cast<const void*>(content->data()) : nullptr;
}

std::string_view runtimeModuleName(bool installerFlavour) {
    return installerFlavour ? "com.runwright.runtime" : "com.tavik.runtime";
}

// The ';'-separated entries up to the first empty one.
std::vector<std::string_view> entriesOf(std::string_view list) {
    std::vector<std::string_view> entries;
    while (!list.empty()) {
        const std::size_t end = std::min(list.find(';'), list.size());
        if (end == 0) break;
        entries.push_back(list.substr(0, end));
        list.remove_prefix(std::min(end + 1, list.size()));
    }
    return entries;
}

// Every *.jar, then every *.zip of `directory`, each as a full path and ";".
void appendArchives(const VmOptionsSystem& system, std::string_view directory, std::string& target) {
    for (const std::string_view extension : {"jar", "zip"}) {
        for (const std::string& name : system.listFilesWithExtension(directory, extension)) {
            target.append(directory).append("\\").append(name).append(";");
        }
    }
}

void addVersionSpecificOptions(VmOptionsBuilder& builder, const VmOptionsSystem& system,
                               const std::optional<std::string>& version) {
    const std::int32_t lineCount = system.configInt(config::kVersionOptionCountId);
    if (lineCount <= 0) return;
    if (!version) {
        log::logLine(u"check %d version specific vm option lines for %S", lineCount, u"(null)");
        return;
    }
    log::logLine(u"check %d version specific vm option lines for %S", lineCount, *version);
    for (std::int32_t i = 0; i < lineCount; ++i) {
        const std::int32_t keyId = config::kFirstVersionConditionId + 2 * i;
        if (!versionKeyMatches(system.configString(keyId), *version)) continue;
        const std::u16string options = system.configWideString(keyId + 1);
        log::logLine(u"adding specific %s", options);
        builder.addConfiguredOptions(options);
        return;
    }
}

void addJavaArguments(VmOptionsBuilder& builder, const std::vector<std::u16string>& arguments) {
    for (const std::u16string& argument : arguments) {
        if (startsWith<char16_t>(argument, u"-J")) builder.addOptionLine(std::u16string_view(argument).substr(2), {});
    }
}

void addLocaleOptions(VmOptionsBuilder& builder, const VmOptionsInputs& inputs) {
    const auto isLocaleFormat = [](const std::u16string& a) { return startsWith<char16_t>(a, kLocaleFormatPrefix); };
    const auto last = std::find_if(inputs.arguments.rbegin(), inputs.arguments.rend(), isLocaleFormat);
    if (last == inputs.arguments.rend()) return;
    builder.addOptionLine(*last, {});
    if (*last == kLocaleFormatTrue) return;
    if (inputs.userLanguage) builder.addOption("-Duser.language=" + *inputs.userLanguage);
    if (inputs.userCountry) builder.addOption("-Duser.country=" + *inputs.userCountry);
}

void readDefaultOptionsFile(VmOptionsBuilder& builder, const VmOptionsInputs& inputs) {
    for (const std::u16string* executable : {&inputs.launcherPath, &inputs.modulePath}) {
        const std::vector<std::u16string> candidates = defaultOptionsCandidates(*executable);
        const std::u16string* chosen = &candidates[0];
        std::optional<std::string> content = builder.openOnChain(*chosen);
        log::logLine(u"vmoptions2: exe %s file: %s, file: %p", *executable, *chosen, addressOf(content));
        if (!content) {
            chosen = &candidates[1];
            content = builder.openOnChain(*chosen);
            log::logLine(u"vmoptions: opts2: %s, file: %p", *chosen, addressOf(content));
        }
        if (content) {
            log::logLine(u"default vmoptions file: %p", addressOf(content));
            // Its includes resolve against the launcher's directory.
            builder.readOnChain(*chosen, *content, std::nullopt);
            return;
        }
    }
}

struct ClassPathParts {
    std::string classPath;
    std::string modulePath;
};

std::optional<MissingEntry> collectPaths(VmOptionsBuilder& builder, const VmOptionsSystem& system,
                                         const VmOptionsInputs& inputs, ClassPathParts& parts) {
    std::string& classPath = parts.classPath;
    std::string& modulePath = parts.modulePath;
    if (const auto& prepend = builder.prependedClassPath()) classPath.append(*prepend).append(";");
    log::logLine(u"adding preconfigured modulepath");
    if (auto failure = builder.addPathEntries(config::kModulePathId, modulePath)) return failure;
    const bool jarsOnModulePath = !modulePath.empty() || system.configInt(config::kModuleLaunchId) != 0;
    std::string& launcherJars = jarsOnModulePath ? modulePath : classPath;
    const std::string tempDirectory = system.expansionSources().launcherTempDirectory();
    if (!tempDirectory.empty()) {
        appendArchives(system, tempDirectory, launcherJars);
        appendArchives(system, tempDirectory + "\\user", classPath);
    }
    if (inputs.installerFlavour) {
        std::string installation = system.fullPath(system.configString(config::kInstallationRootId));
        if (!endsWith(installation, '\\')) installation.push_back('\\');
        launcherJars.append(installation).append(".runwright\\rwtruntime.jar;");
    }
    if (const auto& replacement = builder.replacementClassPath()) {
        classPath.append(*replacement);
    } else {
        log::logLine(u"adding preconfigured classpath");
        if (auto failure = builder.addPathEntries(config::kClassPathId, classPath)) return failure;
    }
    if (const auto& append = builder.appendedClassPath()) {
        // An empty entry would put the working directory on the class path.
        if (!classPath.empty() && !endsWith(classPath, ';')) classPath.push_back(';');
        classPath.append(*append);
    }
    return std::nullopt;
}

void addModuleOptions(VmOptionsBuilder& builder, const VmOptionsSystem& system, const VmOptionsInputs& inputs,
                      std::string modulePath) {
    // Without a module path the runtime module could not be resolved.
    if (modulePath.empty()) return;
    removeOneTrailingSemicolon(modulePath);
    builder.addOption("--module-path=" + modulePath);
    const std::string_view runtimeModule = runtimeModuleName(inputs.installerFlavour);
    std::string addModules = "--add-modules=";
    if (system.configInt(config::kModuleLaunchId) != 0) {
        std::string mainClass = system.configString(config::kMainClassId);
        const std::size_t slash = mainClass.find('/');
        if (slash != std::string::npos) {
            const std::size_t lastDot = mainClass.rfind('.');
            if (lastDot != std::string::npos && lastDot > slash) {
                builder.addOption("--add-opens=" + mainClass.substr(0, lastDot) + "=" + std::string(runtimeModule));
            }
            mainClass.resize(slash);
        }
        addModules.append(mainClass).append(",");
    }
    addModules.append(runtimeModule);
    builder.addOption(std::move(addModules));
}

// The segments of a path, "." dropped and ".." taking back the one before.
std::vector<std::u16string_view> normalizedSegments(std::u16string_view path) {
    std::vector<std::u16string_view> segments;
    while (!path.empty()) {
        const std::size_t end = std::min(path.find(u'\\'), path.size());
        const std::u16string_view segment = path.substr(0, end);
        path.remove_prefix(std::min(end + 1, path.size()));
        if (segment.empty() || segment == u".") continue;
        if (segment == u"..") {
            // Never above the root: the drive or share stays.
            if (segments.size() > 1) segments.pop_back();
            continue;
        }
        segments.push_back(segment);
    }
    return segments;
}

}  // namespace

void VmOptionsBuilder::addOptionLine(std::u16string_view line, const std::optional<std::u16string>& includeBase) {
    if (startsWith(line, kIncludePrefix)) {
        addInclude(line.substr(kIncludePrefix.size()), includeBase);
    } else if (startsWith(line, kReplaceClassPathPrefix)) {
        replacementClassPath_ = system_.toNarrow(line.substr(kReplaceClassPathPrefix.size()));
    } else if (startsWith(line, kPrependClassPathPrefix)) {
        prependedClassPath_ = system_.toNarrow(line.substr(kPrependClassPathPrefix.size()));
    } else if (startsWith(line, kAppendClassPathPrefix)) {
        appendedClassPath_ = system_.toNarrow(line.substr(kAppendClassPathPrefix.size()));
    } else {
        options_.push_back(system_.toNarrow(line));
    }
}

void VmOptionsBuilder::addInclude(std::u16string_view pathText, const std::optional<std::u16string>& includeBase) {
    std::u16string path(pathText);
    expansion::expandVariables(path, false, system_.expansionSources());
    log::logLine(u"after exp from %s %s", pathText, path);
    const std::u16string resolved = system_.resolvePathWide(path, includeBase);
    const std::optional<std::string> content = openOnChain(resolved);
    // The address of the bytes read stands where a file handle would: null
    // shows the file did not open.
    log::logLine(u"adding vmoptions from (%p) <%s> (%s)", addressOf(content), resolved, includeBase.value_or(u""));
    if (content) readOnChain(resolved, *content, resolved);
    log::logLine(u"adding vmoptions 2");
    log::logLine(u"adding vmoptions 3");
}

std::optional<std::string> VmOptionsBuilder::openOnChain(const std::u16string& path) const {
    if (std::find(includeChain_.begin(), includeChain_.end(), includeIdentity(path)) != includeChain_.end()) {
        log::logLine(u"not reading vmoptions %s again: it includes itself", path);
        return std::nullopt;
    }
    if (includeChain_.size() >= kIncludeDepthLimit) {
        log::logLine(u"not reading vmoptions %s: includes nested deeper than %d", path, kIncludeDepthLimit);
        return std::nullopt;
    }
    if (filesRead_ >= kOptionsFileLimit) {
        log::logLine(u"not reading vmoptions %s: %d files read already", path, kOptionsFileLimit);
        return std::nullopt;
    }
    return system_.readFile(path);
}

void VmOptionsBuilder::readOnChain(const std::u16string& path, std::string_view content,
                                   const std::optional<std::u16string>& includeBase) {
    ++filesRead_;
    includeChain_.push_back(includeIdentity(path));
    readOptionsFile(content, includeBase);
    includeChain_.pop_back();
}

void VmOptionsBuilder::readOptionsFile(std::string_view content, const std::optional<std::u16string>& path) {
    for (const std::string& rawLine : textModeLines(content)) {
        const std::optional<std::string_view> line = optionFileLine(rawLine);
        if (!line) continue;
        std::u16string option = widenBytes(*line);
        expansion::expandVariables(option, true, system_.expansionSources());
        addOptionLine(option, path);
    }
}

void VmOptionsBuilder::addConfiguredOptions(std::u16string text) {
    expansion::expandVariables(text, true, system_.expansionSources());
    const std::vector<std::u16string> tokens = cmdline::splitCommandLine(text);
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i] == kIncludeToken && i + 1 < tokens.size()) {
            addOptionLine(tokens[i] + u" " + tokens[i + 1], std::nullopt);
            ++i;
        } else {
            addOptionLine(tokens[i], std::nullopt);
        }
    }
}

std::optional<MissingEntry> VmOptionsBuilder::addPathEntries(std::int32_t id, std::string& target) {
    const std::string list = system_.configString(id);
    log::logLine(u"entry %S", list);
    const std::vector<std::string_view> entries = entriesOf(list);
    log::logLine(u"entries %d", entries.size());
    for (const std::string_view entry : entries) {
        const char type = entry[0];
        const bool required = entry.size() > 1 && entry[1] == '1';
        std::string name(entry.substr(std::min<std::size_t>(2, entry.size())));
        expansion::expandVariablesNarrow(name, system_.expansionSources());
        bool present = true;
        switch (type) {
            case 'A':
            case 'D': {
                const std::string joined = system_.resolvePathList(name);
                present = system_.pathExists(joined);
                if (present) target.append(joined).append(";");
                break;
            }
            case 'E': {
                std::optional<std::string> value = system_.environmentVariable(name);
                if (!value) {
                    if (required) return MissingEntry{config::kUnsetVariableMessageId, name};
                    break;
                }
                if (value->size() >= 2 && value->front() == '"' && value->back() == '"') {
                    *value = value->substr(1, value->size() - 2);
                }
                target.append(*value);
                if (!endsWith(*value, ';')) target.append(";");
                break;
            }
            case 'S': {
                const std::string directory = system_.resolvePath(name);
                present = system_.pathExists(directory);
                if (!present) break;
                if (id == config::kClassPathId) {
                    appendArchives(system_, directory, target);
                } else {
                    target.append(directory).append(";");
                }
                break;
            }
            default:
                break;
        }
        if (!present && required) return MissingEntry{config::kMissingEntryMessageId, name};
    }
    return std::nullopt;
}

VmOptionsResult buildVmOptions(const VmOptionsInputs& inputs, const VmOptionsSystem& system) {
    VmOptionsBuilder builder(system);
    for (const std::string& property : inputs.properties) builder.addOption(property);
    log::logLine(u"adding options");
    builder.addConfiguredOptions(system.configWideString(config::kConfiguredOptionsId));
    addVersionSpecificOptions(builder, system, inputs.javaVersion);
    if (system.configInt(config::kJavaArgumentsAreVmOptionsId) != 0) addJavaArguments(builder, inputs.arguments);
    addLocaleOptions(builder, inputs);
    if (system.configInt(config::kDefaultOptionsFileId) != 0) readDefaultOptionsFile(builder, inputs);

    ClassPathParts parts;
    if (auto failure = collectPaths(builder, system, inputs, parts)) {
        return {std::move(builder.options()), std::move(failure)};
    }
    removeOneTrailingSemicolon(parts.classPath);
    builder.addOption("-Djava.class.path=" + parts.classPath);
    addModuleOptions(builder, system, inputs, std::move(parts.modulePath));

    std::vector<std::string>& options = builder.options();
    if (inputs.serviceMode &&
        std::find(options.begin(), options.end(), kServiceSignalOption) == options.end()) {
        log::logLine(u"service: adding -Xrs");
        options.emplace_back(kServiceSignalOption);
    }
    if (inputs.noRedirect) options.emplace_back("-Drunwright.noRedir=true");
    joinModuleOptions(options);
    return {std::move(options), std::nullopt};
}

std::vector<std::string> textModeLines(std::string_view content, std::size_t capacity) {
    const std::size_t endOfFile = std::min(content.find('\x1A'), content.size());
    content = content.substr(0, endOfFile);
    std::vector<std::string> lines;
    std::string line;
    const std::size_t lineLimit = capacity > 1 ? capacity - 1 : 1;
    for (std::size_t i = 0; i < content.size(); ++i) {
        const bool crlf = content[i] == '\r' && i + 1 < content.size() && content[i + 1] == '\n';
        if (crlf) continue;  // the LF that follows ends the line
        line.push_back(content[i]);
        if (content[i] == '\n' || line.size() == lineLimit) lines.push_back(std::exchange(line, {}));
    }
    if (!line.empty()) lines.push_back(std::move(line));
    return lines;
}

std::optional<std::string_view> optionFileLine(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
    const std::size_t first = line.find_first_not_of(' ');
    if (first == std::string_view::npos) return std::nullopt;
    line = line.substr(first, line.find_last_not_of(' ') - first + 1);
    if (line.front() == '#') return std::nullopt;
    return line;
}

std::int32_t majorVersion(std::string_view version) {
    const jvm::VersionParts parts = jvm::parseVersion(version);
    if (parts.empty()) return -1;
    if (parts[0] == 1 && parts.size() > 1) return parts[1];
    return parts[0];
}

bool matchesWildcard(std::string_view pattern, std::string_view text) {
    // Backtracks only to the latest "*": linear in practice, never exponential.
    std::size_t p = 0;
    std::size_t t = 0;
    std::size_t starAt = std::string_view::npos;
    std::size_t resumeAt = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == text[t])) {
            ++p;
            ++t;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starAt = p++;
            resumeAt = t;
        } else if (starAt != std::string_view::npos) {
            p = starAt + 1;
            t = ++resumeAt;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

bool versionKeyMatches(std::string_view key, std::string_view version) {
    bool matches = false;
    if (!key.empty() && key.front() == '*') {
        matches = matchesWildcard(key.substr(1), version);
    } else if (const std::size_t dash = key.find('-'); dash != std::string_view::npos) {
        const std::int32_t minimum = config::parseConfigInt(key.substr(0, dash));
        const std::int32_t maximum = config::parseConfigInt(key.substr(dash + 1));
        const std::int32_t major = majorVersion(version);
        log::logLine(u"checking min %d max %d with %d", minimum, maximum, major);
        matches = minimum <= major && major <= maximum;
    } else {
        log::logLine(u"ERROR: expected dash");
    }
    log::logLine(u"checking version %S %d", key, matches ? 1 : 0);
    return matches;
}

std::u16string includeIdentity(std::u16string_view path) {
    std::u16string slashes(path);
    std::replace(slashes.begin(), slashes.end(), u'/', u'\\');
    const bool network = startsWith<char16_t>(slashes, u"\\\\");
    std::u16string identity = network ? u"\\\\" : (startsWith<char16_t>(slashes, u"\\") ? u"\\" : u"");
    const std::vector<std::u16string_view> segments = normalizedSegments(slashes);
    for (std::size_t i = 0; i < segments.size(); ++i) {
        if (i > 0) identity.push_back(u'\\');
        identity.append(segments[i]);
    }
    for (char16_t& c : identity) {
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    }
    return identity;
}

void joinModuleOptions(std::vector<std::string>& options) {
    static constexpr std::string_view kJoinedNames[] = {
        "--upgrade-module-path", "--add-modules", "--limit-modules", "--add-exports",
        "--add-opens",           "--add-reads",   "--patch-module",
    };
    for (std::size_t i = 0; i + 1 < options.size(); ++i) {
        const bool joined = std::find(std::begin(kJoinedNames), std::end(kJoinedNames), options[i]) !=
                            std::end(kJoinedNames);
        if (!joined) continue;
        options[i] += "=" + options[i + 1];
        options.erase(options.begin() + static_cast<std::ptrdiff_t>(i) + 1);
    }
}

std::vector<std::u16string> defaultOptionsCandidates(std::u16string_view executablePath) {
    const std::size_t extensionLength = std::min<std::size_t>(4, executablePath.size());
    const std::u16string_view withoutExtension = executablePath.substr(0, executablePath.size() - extensionLength);
    return {std::u16string(withoutExtension) + u".vmoptions", std::u16string(executablePath) + u".vmoptions"};
}

}  // namespace tavik::vmoptions
