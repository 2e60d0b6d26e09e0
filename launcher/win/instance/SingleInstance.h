#pragma once
// The single-instance guard: every running launcher holds a named semaphore
// derived from its own path. In single-instance mode a second start hands
// over to the first one (its windows to the front, optionally its command
// line through a mailslot) and ends; otherwise each instance takes the next
// free numbered semaphore.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/win/Handles.h"

namespace tavik::instance {

// What the guard leaves with a process that may run: the semaphore, which
// marks it as running while it is open (so it is held until the process
// ends), and its name, which the Java side gets as a system property. Both
// empty when creating the semaphore failed.
struct InstanceGuard {
    UniqueHandle semaphore;
    std::optional<std::string> semaphoreName;
};

// With the mailslot, a second start sends its command-line tail and the
// first one listens and hands each message to the Java side once the VM exists.
enum class StartupNotification { Off, Mailslot };

// Returns when this process may run. A second start in single-instance mode
// does not return: it ends through exitLauncher(0).
[[nodiscard]] InstanceGuard enforceSingleInstance(StartupNotification notification);

// The instance registry value of an instance path (HKCU, REG_DWORD). Writing
// ignores failures; reading gives 0 when the key or value is missing or the
// value is not exactly 4 bytes long.
void writeInstancePid(std::string_view instancePath, std::uint32_t processId);
std::uint32_t readInstancePid(std::string_view instancePath);

enum class MinimisedWindows { Kept, Restored };

// Brings every visible top-level window of the process to the front, each
// window's last active popup last.
void activateInstanceWindows(std::uint32_t processId, MinimisedWindows minimised);

// Writes the tail (the marker when it is empty) as one message to the
// mailslot of the process, waiting about 5 seconds for it to appear.
// Failures are logged only.
void sendStartupNotification(std::uint32_t processId, std::u16string_view tail);

}  // namespace tavik::instance
