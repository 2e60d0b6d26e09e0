#pragma once
// The launcher's one error path: a message from the configuration store,
// shown as a message box or as console text, naming the log file, and the
// end of the process.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tavik::report {

// Shows the text (with the log file's name when there is a log) and returns.
void showError(std::u16string_view text);

// The message `id` with `argument` in its first "{0}".
void showMessage(std::int32_t id, const std::optional<std::u16string>& argument);
// The same with an 8-bit argument, widened byte by byte.
void showMessageNarrow(std::int32_t id, const std::optional<std::string>& argument);

// What exitLauncher undoes before the process ends, such as the removal of
// the launcher's temporary directory; replaces the clean-up given before.
void setExitCleanup(std::function<void()> cleanup);

// Runs the clean-up, then ends the process with `code` at once: no C runtime
// exit handlers, no unwinding.
[[noreturn]] void exitLauncher(std::uint32_t code);

[[noreturn]] void fatalError(std::u16string_view text);
[[noreturn]] void fatalMessage(std::int32_t id, const std::optional<std::u16string>& argument);
[[noreturn]] void fatalMessageNarrow(std::int32_t id, const std::optional<std::string>& argument);

// Progress text for standard output, flushed at once.
void consolePrint(std::string_view text);

}  // namespace tavik::report
