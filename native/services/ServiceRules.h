#pragma once
// The decisions of the service natives that need no service manager: their
// status values, the dependency list, the account, the failure actions and
// the wait for a stop.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavik::native::services {

// What an int native answers: 0, a Windows error code, one of the library's
// own values below, or (status and start type queries) a negated number.
using Status = std::int32_t;

inline constexpr Status kSuccess = 0;
// No Windows code is fetched for it.
inline constexpr Status kManagerUnavailable = 5000;
inline constexpr Status kStopTimedOut = 50001;
inline constexpr Status kStopQueryFailed = 50002;

// How a string native tells a failure: a blank, then the decimal status.
std::u16string statusText(Status status);

// The dependency buffer's size in UTF-16 units, every terminator included.
inline constexpr std::size_t kDependencyListCapacity = 16384 / sizeof(char16_t);

// The comma-separated names as zero-terminated names ended by one more zero.
// Null or empty text gives the empty list (two zeros), which removes every
// dependency. Empty pieces are left out (one would end the list early);
// pieces are not trimmed. Nullopt when the list would not fit the buffer.
std::optional<std::u16string> dependencyList(std::optional<std::u16string_view> commaSeparated);

// The account to configure: the two spellings of the local system account
// that callers pass (matched with exact case) become the name the service
// manager takes for it; any other stays as given.
std::u16string_view serviceAccount(std::u16string_view account);

// The service manager's action types.
enum class FailureActionType : std::uint32_t { None = 0, Restart = 1 };

struct FailureAction {
    FailureActionType type;
    std::uint32_t delayMillis;
};

// The failure-actions record: the list always holds at least one action, and
// `count` says how many of them apply (0 clears the failure actions).
struct FailureActions {
    std::uint32_t resetPeriodSeconds = 0;
    std::vector<FailureAction> actions;
    std::uint32_t count = 0;
};

// Restarts the given number of times, then does nothing; without restarts,
// one restart action that applies only when restarting is asked for.
FailureActions failureActions(bool restart, std::uint32_t delayMillis, std::int32_t restarts,
                              std::uint32_t resetPeriodSeconds);

// The service states as the service manager numbers them.
inline constexpr std::uint32_t kServiceStopped = 1;

// What a status query showed.
struct StopProgress {
    std::uint32_t state = 0;
    std::uint32_t checkPoint = 0;
    std::uint32_t waitHint = 0;
};

enum class StopVerdict { Stopped, KeepWaiting, TimedOut };

// Waiting for a stop that was asked for, one poll at a time. The wait gives up
// only when both the service's wait hint has passed since its check point
// last grew and the caller's time-out has passed since the first query: a
// service that keeps advancing is waited for beyond the time-out, and the
// time-out is never shorter than the wait hint. Ticks are milliseconds of a
// wrapping 32-bit clock.
class StopWait {
public:
    StopWait(std::uint32_t timeoutMillis, const StopProgress& first, std::uint32_t tick);

    StopVerdict verdict() const { return first_; }
    StopVerdict afterPoll(const StopProgress& seen, std::uint32_t tick);

private:
    std::uint32_t timeoutMillis_;
    std::uint32_t startTick_;
    std::uint32_t progressTick_;
    std::uint32_t checkPoint_;
    StopVerdict first_;
};

}  // namespace tavik::native::services
