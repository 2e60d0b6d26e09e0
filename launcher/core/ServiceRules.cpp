#include "launcher/core/ServiceRules.h"

#include "launcher/core/CommandLine.h"

namespace tavik::service {
namespace {

constexpr std::size_t kLongestServiceName = 5999;

void appendElement(std::u16string& line, std::u16string_view element) {
    if (!line.empty()) line += u' ';
    const bool quoted = element.find(u' ') != std::u16string_view::npos;
    if (quoted) line += u'"';
    line += element;
    if (quoted) line += u'"';
}

}  // namespace

std::optional<std::u16string> childCommandLine(const std::vector<std::u16string>& ownCommandLine,
                                               std::u16string_view serviceName,
                                               const std::vector<std::u16string>& serviceArguments) {
    std::u16string line;
    appendElement(line, ownCommandLine.empty() ? std::u16string_view{} : ownCommandLine.front());
    appendElement(line, serviceName);
    for (std::size_t i = 1; i < ownCommandLine.size(); ++i) appendElement(line, ownCommandLine[i]);
    for (std::size_t i = 1; i < serviceArguments.size(); ++i) appendElement(line, serviceArguments[i]);
    appendElement(line, cmdline::kRestartMarker);
    if (line.size() >= kChildCommandLineCapacity) return std::nullopt;
    return line;
}

std::u16string serviceNameFromArguments(const std::vector<std::u16string>& serviceArguments) {
    if (!serviceArguments.empty()) {
        const std::u16string& first = serviceArguments.front();
        if (!first.empty() && first.size() <= kLongestServiceName) return first;
    }
    return u"unknown";
}

std::vector<std::u16string> startArguments(const std::vector<std::u16string>& remaining) {
    if (remaining.size() < 2) return {};
    return {remaining.begin() + 1, remaining.end()};
}

std::u16string dependencyList(std::u16string_view commaSeparated) {
    std::u16string list;
    while (!commaSeparated.empty()) {
        const std::size_t comma = commaSeparated.find(u',');
        const std::u16string_view piece = commaSeparated.substr(0, comma);
        if (!piece.empty()) {
            list += piece;
            list += u'\0';
        }
        commaSeparated = comma == std::u16string_view::npos ? std::u16string_view{} : commaSeparated.substr(comma + 1);
    }
    if (!list.empty()) list += u'\0';
    return list;
}

StopWaitStep StopWait::settled(std::uint32_t state) {
    return state == kServiceStopped ? StopWaitStep::Stopped : StopWaitStep::NotStopped;
}

StopWaitStep StopWait::begin(const ServiceProgress& first, std::uint32_t nowTick) {
    startTick_ = nowTick;
    checkPoint_ = first.checkPoint;
    return first.state == kServiceStopPending ? StopWaitStep::KeepWaiting : settled(first.state);
}

StopWaitStep StopWait::next(const ServiceProgress& seen, std::uint32_t nowTick) {
    if (seen.checkPoint > checkPoint_) return begin(seen, nowTick);
    if (seen.state != kServiceStopPending) return settled(seen.state);
    // Unsigned difference: right across the tick counter's wrap.
    return nowTick - startTick_ > seen.waitHint ? StopWaitStep::NotStopped : StopWaitStep::KeepWaiting;
}

ChildExitReport statusAfterChildExit(std::uint32_t exitCode, bool stopRequested) {
    return exitCode == 0 || stopRequested ? ChildExitReport::Stopped : ChildExitReport::LeaveRunning;
}

std::optional<std::uint32_t> priorityClassFromValue(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() != 4) return std::nullopt;
    // The registry stores a DWORD little-endian.
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

}  // namespace tavik::service
