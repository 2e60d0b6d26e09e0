// java.exe and javaw.exe of the test runtime. Each run is recorded in runs.log
// beside the program ("<program name> <command line>"), so a test can count
// version checks; then the program answers like a Java runtime asked for its
// version, as fake-java.cfg beside it says:
//   line 1: the first line to print on standard error, verbatim
//   line 2: the exit code
//   line 3 (optional): seconds to wait before exiting
#include <windows.h>

#include <charconv>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tests/runtime/RuntimeFiles.h"

namespace {

using namespace tavik::testruntime;

constexpr std::string_view kSecondLine = "Tavik test runtime (answers -version only)";
constexpr int kConfigurationError = 1;
constexpr std::int64_t kLongestSleepSeconds = 24 * 60 * 60;

struct Answer {
    std::string versionLine;
    std::uint32_t exitCode = 0;
    std::uint32_t sleepSeconds = 0;
};

std::vector<std::string> lines(std::string_view text) {
    std::vector<std::string> out;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string line(text.substr(0, end));
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out.push_back(line);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return out;
}

// The whole text as a number; codes are exit codes, so both -1 and 4294967295 are taken.
std::optional<std::int64_t> wholeNumber(std::string_view text) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    if (value < INT32_MIN || value > UINT32_MAX) return std::nullopt;
    return value;
}

std::optional<Answer> parseAnswer(std::string_view configuration, std::string& problem) {
    const std::vector<std::string> all = lines(configuration);
    if (all.size() < 2) {
        problem = "needs a version line and an exit code line";
        return std::nullopt;
    }
    Answer answer;
    answer.versionLine = all[0];
    const auto code = wholeNumber(all[1]);
    if (!code) {
        problem = "exit code is not a number: " + all[1];
        return std::nullopt;
    }
    answer.exitCode = static_cast<std::uint32_t>(*code);
    if (all.size() > 2 && !all[2].empty()) {
        const auto seconds = wholeNumber(all[2]);
        if (!seconds || *seconds < 0 || *seconds > kLongestSleepSeconds) {
            problem = "sleep is not a number of seconds: " + all[2];
            return std::nullopt;
        }
        answer.sleepSeconds = static_cast<std::uint32_t>(*seconds);
    }
    return answer;
}

int answerVersionRequest() {
    const std::wstring self = modulePath(nullptr);
    const std::wstring directory = directoryOf(self);
    appendLine(directory + L"\\runs.log", toUtf8(fileNameOf(self)) + " " + toUtf8(::GetCommandLineW()));

    const auto configuration = readBytes(directory + L"\\fake-java.cfg");
    if (!configuration) {
        writeStandardError("fake-java.cfg missing beside " + toUtf8(self) + "\r\n");
        return kConfigurationError;
    }
    std::string problem;
    const auto answer = parseAnswer(*configuration, problem);
    if (!answer) {
        writeStandardError("fake-java.cfg: " + problem + "\r\n");
        return kConfigurationError;
    }
    writeStandardError(answer->versionLine + "\r\n" + std::string(kSecondLine) + "\r\n");
    ::Sleep(answer->sleepSeconds * 1000);
    return static_cast<int>(answer->exitCode);
}

}  // namespace

int wmain() {
    try {
        return answerVersionRequest();
    } catch (...) {
        return kConfigurationError;
    }
}
