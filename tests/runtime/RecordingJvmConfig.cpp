#include "tests/runtime/RecordingJvmConfig.h"

#include <cstdlib>

namespace tavik::testruntime {

namespace {

// The directive and what follows its first blank.
std::pair<std::string_view, std::string_view> splitDirective(std::string_view line) {
    const auto blank = line.find(' ');
    if (blank == std::string_view::npos) return {line, {}};
    return {line.substr(0, blank), line.substr(blank + 1)};
}

bool isMethodName(std::string_view text) {
    const auto dot = text.rfind('.');
    return dot != std::string_view::npos && dot > 0 && dot + 1 < text.size() && text.find(' ') == std::string_view::npos;
}

bool apply(std::string_view line, VmConfig& config) {
    const auto [directive, rest] = splitDirective(line);
    if (directive == "fail-create") {
        if (rest.empty()) {
            config.failCreation = -1;
            return true;
        }
        const std::string number(rest);
        char* end = nullptr;
        const long code = std::strtol(number.c_str(), &end, 10);
        if (*end != '\0' || code == 0) return false;  // 0 would be success
        config.failCreation = code;
        return true;
    }
    if (directive == "main-reads-stdin" && rest.empty()) {
        config.mainReadsStdin = true;
        return true;
    }
    if (rest.empty()) return false;
    if (directive == "main-waits-for") {
        if (rest.find_first_of("\\/") != std::string_view::npos) return false;  // beside jvm.dll, nowhere else
        config.mainWaitsFor = std::string(rest);
        return true;
    }
    std::set<std::string>* names = directive == "missing-class"    ? &config.missingClasses
                                   : directive == "refuse-natives" ? &config.refusedNatives
                                   : directive == "missing-method" && isMethodName(rest) ? &config.missingMethods
                                                                                         : nullptr;
    if (names != nullptr) {
        names->emplace(rest);
        return true;
    }
    if (directive == "throw") {
        const auto [method, text] = splitDirective(rest);
        if (!isMethodName(method) || text.empty()) return false;
        config.throwingMethods[std::string(method)] = std::string(text);
        return true;
    }
    return false;
}

}  // namespace

ConfigReading readVmConfig(std::string_view text) {
    ConfigReading reading;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;
        if (!apply(line, reading.config)) {
            reading.error = "cannot use line: " + std::string(line);
            return reading;
        }
    }
    return reading;
}

}  // namespace tavik::testruntime
