#include "tests/unit/support/LogRecorder.h"

#include <atomic>
#include <mutex>
#include <utility>

#include "launcher/core/Log.h"

namespace tavik {
namespace {

struct Recorder {
    std::atomic<bool> active{true};
    std::mutex lock;
    std::vector<testsupport::LoggedLine> lines;
};

Recorder& recorder() {
    static Recorder instance;
    return instance;
}

}  // namespace

namespace log {

bool isActive() { return recorder().active.load(); }

void writeLine(bool error, std::u16string_view text) {
    Recorder& r = recorder();
    const std::lock_guard<std::mutex> hold(r.lock);
    r.lines.push_back({error, std::u16string(text)});
}

}  // namespace log

namespace testsupport {

std::vector<LoggedLine> takeLoggedLines() {
    Recorder& r = recorder();
    const std::lock_guard<std::mutex> hold(r.lock);
    return std::exchange(r.lines, {});
}

void setLoggingActive(bool active) { recorder().active.store(active); }

}  // namespace testsupport
}  // namespace tavik
