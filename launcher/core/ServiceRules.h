#pragma once
// The decisions of the service host, apart from the service control manager:
// the supervised child's command line, the start arguments of a start
// command, the dependency list, the wait for a stop and what the end of the
// child means for the service's status.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavik::service {

// The child's command line lives in a buffer of this many characters,
// terminator included.
inline constexpr std::size_t kChildCommandLineCapacity = 12000;

// The executable (first element of the service process's own command line),
// the service name, the rest of the own command line, the service arguments
// after the first (which names the service), then the restart marker; blank
// separated, each element holding a blank in double quotes. Nullopt when the
// line would not fit the buffer: a cut line would start the child with other
// arguments than the service was given.
std::optional<std::u16string> childCommandLine(const std::vector<std::u16string>& ownCommandLine,
                                               std::u16string_view serviceName,
                                               const std::vector<std::u16string>& serviceArguments);

// The name the service manager handed over as the first argument, when it
// has 1 to 5999 characters; "unknown" otherwise.
std::u16string serviceNameFromArguments(const std::vector<std::u16string>& serviceArguments);

// The arguments of a start command after the service name; none when no
// argument follows the name.
std::vector<std::u16string> startArguments(const std::vector<std::u16string>& remaining);

// The comma-separated service names as the zero-separated list ended by one
// more zero that service creation takes; empty for no dependencies. Empty
// pieces are left out: one would end the list early.
std::u16string dependencyList(std::u16string_view commaSeparated);

// The service states the host reads and reports, as the service manager numbers them.
enum ServiceState : std::uint32_t {
    kServiceStopped = 1,
    kServiceStopPending = 3,
    kServiceRunning = 4,
};

// What a status query showed.
struct ServiceProgress {
    std::uint32_t state = 0;
    std::uint32_t checkPoint = 0;
    std::uint32_t waitHint = 0;
};

enum class StopWaitStep { KeepWaiting, Stopped, NotStopped };

// Waiting for a stop: as long as the service says stop pending, the caller
// sleeps and queries again. The wait gives up when more than the wait hint has
// passed without the check point growing; a growing check point restarts the
// timer. Ticks are milliseconds of a wrapping 32-bit clock.
class StopWait {
public:
    StopWaitStep begin(const ServiceProgress& first, std::uint32_t nowTick);
    StopWaitStep next(const ServiceProgress& seen, std::uint32_t nowTick);

private:
    static StopWaitStep settled(std::uint32_t state);
    std::uint32_t startTick_ = 0;
    std::uint32_t checkPoint_ = 0;
};

// After the child has ended: a clean end, or any end after a stop or shutdown
// request, is reported as stopped. A failure on its own is not reported: the
// service process then ends while the manager still believes it running, and
// the service's configured failure actions (a restart, say) apply.
enum class ChildExitReport { Stopped, LeaveRunning };
ChildExitReport statusAfterChildExit(std::uint32_t exitCode, bool stopRequested);

// The 4 bytes of the registry value holding the child's priority class;
// nullopt for a value of any other size.
std::optional<std::uint32_t> priorityClassFromValue(const std::vector<std::uint8_t>& bytes);

}  // namespace tavik::service
