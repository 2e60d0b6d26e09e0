#pragma once
// The single-instance guard's names and texts, apart from the system: the
// semaphore that marks a running instance, the mailslot a second start
// writes to, and the command-line tail it sends there.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavik::instance {

// Per user, one REG_DWORD value per executable named by its instance path:
// the process id of the instance that last became the first.
inline constexpr char16_t kInstanceRegistryKey[] = u"SOFTWARE\\norvale-systems\\tavik\\pids\\";

// Sent in place of an empty tail, so that every second start sends something.
inline constexpr std::u16string_view kEmptyCommandLineMarker = u"__rwt_empty_command_line";

// In multi-instance mode the numbers run from 0 to this one at most.
inline constexpr std::uint32_t kLastInstanceNumber = 100000;

// "Global\" or "Local\", then the instance path with every backslash and
// blank turned into '_' (a kernel object name holds no further backslash),
// then the instance number in multi-instance mode.
std::string semaphoreName(bool globalNamespace, std::string_view instancePath,
                          std::optional<std::uint32_t> instanceNumber = std::nullopt);

// "\\.\mailslot\runwright_notification_<pid>".
std::u16string mailslotName(std::uint32_t processId);

// What follows the program name on a command line: after a quoted program
// name's closing quote (none: nothing follows) or from the start of an
// unquoted one, past the first blank and every blank right behind it.
std::u16string_view commandLineTail(std::u16string_view commandLine);

// The message a second start sends: its tail, or the marker for an empty one.
std::u16string notificationMessage(std::u16string_view tail);

// What the listener hands to the Java side: none (a Java null) for the
// marker, else the message's code units as they came.
std::optional<std::u16string> notificationArgument(std::u16string_view message);

}  // namespace tavik::instance
