#include "launcher/win/report/Log.h"

#include <windows.h>

#include <cstdio>
#include <ctime>

#include "common/win/WideText.h"
#include "launcher/core/Log.h"
#include "launcher/core/LogFormat.h"
#include "launcher/win/paths/Environment.h"
#include "launcher/win/paths/FileSystem.h"
#include "launcher/win/paths/LauncherPaths.h"
#include "launcher/win/paths/TempBase.h"

namespace tavik::report {
namespace {

constexpr char16_t kFallbackLogPath[] = u"c:\\rwt_nlog";

struct LogState {
    CRITICAL_SECTION lock;
    bool initialized = false;
    std::optional<std::u16string> path;
    std::FILE* file = nullptr;  // open only while a line is written
    std::uint64_t startMillis = 0;
};

// Built on first use and never destroyed: other threads may log while the
// process ends.
LogState& logState() {
    static LogState* const state = [] {
        auto* created = new LogState();
        ::InitializeCriticalSection(&created->lock);
        return created;
    }();
    return *state;
}

class LockedLog {
public:
    LockedLog() : state_(logState()) { ::EnterCriticalSection(&state_.lock); }
    ~LockedLog() { ::LeaveCriticalSection(&state_.lock); }
    LockedLog(const LockedLog&) = delete;
    LockedLog& operator=(const LockedLog&) = delete;
    LogState& operator*() const { return state_; }
    LogState* operator->() const { return &state_; }

private:
    LogState& state_;
};

std::uint64_t nowMillis() {
    FILETIME now;
    ::GetSystemTimeAsFileTime(&now);
    return (static_cast<std::uint64_t>(now.dwHighDateTime) << 32 | now.dwLowDateTime) / 10000;
}

// Unicode text mode: a byte-order mark first, UTF-8 text, "\n" as CR LF.
std::FILE* openLogFile(const std::u16string& path, const wchar_t* mode) { return ::_wfopen(toWide(path).c_str(), mode); }

std::string localTimeText() {
    const std::time_t now = std::time(nullptr);
    const char* text = std::ctime(&now);
    return text ? text : "";
}

void writeHeader(LogState& state) {
    const std::u16string header = format(u"Started executable %s at %S\n", paths::moduleFileName(), localTimeText());
    std::fputws(toWide(header).c_str(), state.file);
    std::fflush(state.file);
    state.startMillis = nowMillis();
}

void openNewLog(LogState& state) {
    const std::u16string directory = logformat::logDirectory(paths::processTempBaseWide().value_or(u""));
    state.path =
        logformat::chooseLogFile(directory, [](const std::u16string& name) { return paths::pathExists(name); });
    state.file = openLogFile(*state.path, L"w,ccs=UTF-8");
    if (!state.file) {
        state.path = kFallbackLogPath;
        state.file = openLogFile(*state.path, L"w,ccs=UTF-8");
        if (!state.file) return;
    }
    writeHeader(state);
}

// Decided once, by the first log call: on only for the exact word "yes".
void initialize(LogState& state) {
    if (state.initialized) return;
    state.initialized = true;
    if (!logformat::loggingRequested(paths::environmentVariable("TAVIK_LOG"),
                                     paths::environmentVariable("RUNWRIGHT_LOG")))
        return;
    openNewLog(state);
}

bool loggingActive() {
    LockedLog state;
    initialize(*state);
    return state->path.has_value();
}

void appendLine(bool error, std::u16string_view text) {
    LockedLog state;
    initialize(*state);
    if (state->path && !state->file) state->file = openLogFile(*state->path, L"a,ccs=UTF-8");
    if (!state->file) return;
    std::u16string line = logformat::timeStamp(nowMillis(), state->startMillis);
    if (error) line += u"ERROR: ";
    line += text;
    line += u'\n';
    std::fputws(toWide(line).c_str(), state->file);
    std::fclose(state->file);
    state->file = nullptr;
}

}  // namespace

std::optional<std::u16string> logFilePath() {
    LockedLog state;
    return state->path;
}

}  // namespace tavik::report

// The sink that launcher/core/Log.h declares.
bool tavik::log::isActive() { return report::loggingActive(); }

void tavik::log::writeLine(bool error, std::u16string_view text) { report::appendLine(error, text); }
