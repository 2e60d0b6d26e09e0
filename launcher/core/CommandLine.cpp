#include "launcher/core/CommandLine.h"

#include <algorithm>
#include <utility>

namespace tavik::cmdline {
namespace {

constexpr char16_t kBlank = u' ';
constexpr auto npos = std::u16string_view::npos;

// Where a character next occurs at or behind a position that only moves
// forward; searched again only once the position has passed it, so that a
// long line of short tokens is split in one pass rather than one per token.
class NextOf {
public:
    NextOf(std::u16string_view text, char16_t c) : text_(text), c_(c), at_(text.find(c)) {}

    std::size_t from(std::size_t position) {
        if (at_ != npos && at_ < position) at_ = text_.find(c_, position);
        return at_;
    }

private:
    std::u16string_view text_;
    char16_t c_;
    std::size_t at_;
};

}  // namespace

void splitCommandLine(std::u16string_view text, std::vector<std::u16string>& tokens) {
    NextOf blanks(text, kBlank);
    NextOf doubleQuotes(text, u'"');
    NextOf apostrophes(text, u'\'');
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (text[pos] == kBlank) {
            ++pos;
            continue;
        }
        const std::size_t blank = blanks.from(pos);
        // The opening quote is the earlier of the two kinds.
        const std::size_t quote = std::min(doubleQuotes.from(pos), apostrophes.from(pos));
        if (blank != npos && blank < quote) {
            tokens.emplace_back(text.substr(pos, blank - pos));
            pos = blank + 1;
        } else if (quote != npos) {
            const std::size_t closing = text.find(text[quote], quote + 1);
            const std::size_t innerEnd = closing == npos ? text.size() : closing;
            std::u16string token(text.substr(pos, quote - pos));
            token.append(text.substr(quote + 1, innerEnd - quote - 1));
            tokens.push_back(std::move(token));
            pos = innerEnd + 1;
            if (pos < text.size() && text[pos] == kBlank) ++pos;
        } else {
            tokens.emplace_back(text.substr(pos));
            pos = text.size();
        }
    }
}

std::vector<std::u16string> splitCommandLine(std::u16string_view text) {
    std::vector<std::u16string> tokens;
    splitCommandLine(text, tokens);
    return tokens;
}

std::optional<std::u16string> commandWord(std::u16string_view token) {
    if (token.empty() || (token[0] != u'/' && token[0] != u'-')) return std::nullopt;
    std::u16string_view word = token.substr(1);
    if (!word.empty() && word[0] == u'-') word.remove_prefix(1);
    return std::u16string(word);
}

Command commandForWord(std::u16string_view word) {
    struct Entry {
        std::u16string_view word;
        Command command;
    };
    static constexpr Entry kTable[] = {
        {u"?", Command::Usage},
        {u"help", Command::Usage},
        {u"install", Command::Install},
        {u"install-and-start", Command::InstallAndStart},
        {u"install-auto", Command::InstallAuto},
        {u"install-demand", Command::InstallDemand},
        {u"uninstall", Command::Uninstall},
        {u"stop", Command::Stop},
        {u"start", Command::Start},
        {u"restart", Command::Restart},
        {u"status", Command::Status},
        {u"run", Command::Run},
        {u"run-redirect", Command::RunRedirect},
    };
    for (const Entry& entry : kTable)
        if (entry.word == word) return entry.command;
    return Command::Dispatcher;
}

EntryDecision decideEntry(std::vector<std::u16string> tokens) {
    EntryDecision decision;
    if (!tokens.empty() && tokens.back() == kRestartMarker) {
        tokens.pop_back();
        decision.supervisedChild = true;
        decision.arguments = std::move(tokens);
        return decision;
    }
    const std::optional<std::u16string> word = tokens.empty() ? std::nullopt : commandWord(tokens.front());
    if (!word) {
        decision.arguments = std::move(tokens);
        return decision;
    }
    tokens.erase(tokens.begin());
    if (!tokens.empty()) decision.serviceName = tokens.front();
    decision.command = commandForWord(*word);
    decision.arguments = std::move(tokens);
    return decision;
}

std::u16string usageLine(std::u16string_view modulePath) {
    constexpr std::size_t kBaseNameLimit = 256;
    std::u16string_view name = modulePath.substr(modulePath.find_last_of(u"\\/") + 1);
    name = name.substr(0, name.rfind(u'.'));
    name = name.substr(0, kBaseNameLimit);
    std::u16string line = u"Usage: ";
    line.append(name);
    line += u".exe /install | /uninstall | /stop | /start | /status | /run | /run-redirect\n";
    return line;
}

}  // namespace tavik::cmdline
