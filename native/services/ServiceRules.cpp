#include "native/services/ServiceRules.h"

namespace tavik::native::services {

std::u16string statusText(Status status) {
    const std::string digits = std::to_string(status);
    std::u16string text = u" ";
    text.append(digits.begin(), digits.end());
    return text;
}

std::optional<std::u16string> dependencyList(std::optional<std::u16string_view> commaSeparated) {
    std::u16string list;
    std::u16string_view rest = commaSeparated.value_or(std::u16string_view{});
    while (!rest.empty()) {
        const std::size_t comma = rest.find(u',');
        const std::u16string_view piece = rest.substr(0, comma);
        if (!piece.empty()) {
            list += piece;
            list += u'\0';
        }
        rest = comma == std::u16string_view::npos ? std::u16string_view{} : rest.substr(comma + 1);
        if (list.size() + 1 > kDependencyListCapacity) return std::nullopt;
    }
    // Terminated as any list: no names gives two zeros.
    if (list.empty()) list += u'\0';
    list += u'\0';
    return list;
}

std::u16string_view serviceAccount(std::u16string_view account) {
    if (account == u"NT AUTHORITY\\System" || account == u"NT AUTHORITY\\LocalSystem") return u"LocalSystem";
    return account;
}

FailureActions failureActions(bool restart, std::uint32_t delayMillis, std::int32_t restarts,
                              std::uint32_t resetPeriodSeconds) {
    FailureActions result;
    result.resetPeriodSeconds = resetPeriodSeconds;
    if (restart && restarts > 0) {
        result.actions.assign(static_cast<std::size_t>(restarts), {FailureActionType::Restart, delayMillis});
        result.actions.push_back({FailureActionType::None, delayMillis});
    } else {
        // A count of 0 with a list present clears them; without a list the
        // service manager would leave the old actions in place.
        result.actions.push_back({FailureActionType::Restart, delayMillis});
    }
    result.count = restart ? static_cast<std::uint32_t>(result.actions.size()) : 0;
    return result;
}

StopWait::StopWait(std::uint32_t timeoutMillis, const StopProgress& first, std::uint32_t tick)
    : timeoutMillis_(timeoutMillis),
      startTick_(tick),
      progressTick_(tick),
      checkPoint_(first.checkPoint),
      first_(first.state == kServiceStopped ? StopVerdict::Stopped : StopVerdict::KeepWaiting) {}

StopVerdict StopWait::afterPoll(const StopProgress& seen, std::uint32_t tick) {
    if (seen.state == kServiceStopped) return StopVerdict::Stopped;
    if (seen.checkPoint > checkPoint_) {
        checkPoint_ = seen.checkPoint;
        progressTick_ = tick;
        return StopVerdict::KeepWaiting;
    }
    // Unsigned differences stay right across the clock's wrap.
    const bool hintPassed = tick - progressTick_ > seen.waitHint;
    const bool timeoutPassed = tick - startTick_ > timeoutMillis_;
    return hintPassed && timeoutPassed ? StopVerdict::TimedOut : StopVerdict::KeepWaiting;
}

}  // namespace tavik::native::services
