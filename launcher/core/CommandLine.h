#pragma once
// The launcher's own command-line rules: its token splitter, shared by the
// entry, the VM options and the service host, and the command words.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavik::cmdline {

// Splits at blanks (U+0020 only); double quotes and apostrophes both quote and
// are removed; a backslash is an ordinary character. Text right after a
// closing quote starts a new token; an unclosed quote runs to the end.
void splitCommandLine(std::u16string_view text, std::vector<std::u16string>& tokens);
std::vector<std::u16string> splitCommandLine(std::u16string_view text);

// The marker that the service host appends to its supervised child's command line.
inline constexpr std::u16string_view kRestartMarker = u"__rwt_restart";

enum class Command {
    Usage,
    Install,
    InstallAndStart,
    InstallAuto,
    InstallDemand,
    Uninstall,
    Stop,
    Start,
    Restart,
    Status,
    Run,
    RunRedirect,
    Dispatcher,
};

// The word of a token that starts with "/" or "-": without its first
// character, and without the second too when that is a "-". Tokens starting
// otherwise carry no command word.
std::optional<std::u16string> commandWord(std::u16string_view token);

// Exact, case-sensitive lookup; words outside the table go to the dispatcher.
Command commandForWord(std::u16string_view word);

// What the entry does with the tokens after the program path.
struct EntryDecision {
    Command command = Command::Dispatcher;
    bool supervisedChild = false;               // last token was the restart marker (now removed)
    std::optional<std::u16string> serviceName;  // the token after a command word, when there is one
    std::vector<std::u16string> arguments;      // the remaining tokens, program path not included
};
EntryDecision decideEntry(std::vector<std::u16string> tokensAfterProgram);

// "Usage: <name>.exe /install | ... | /run-redirect\n" with the module's file
// name without directory and extension, cut to 256 units.
std::u16string usageLine(std::u16string_view modulePath);

}  // namespace tavik::cmdline
