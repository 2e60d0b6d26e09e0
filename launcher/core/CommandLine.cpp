#include "launcher/core/CommandLine.h"

#include <utility>

namespace tavik::cmdline {
namespace {

constexpr char16_t kBlank = u' ';
constexpr auto npos = std::u16string_view::npos;

std::size_t firstOf(std::u16string_view text, char16_t c) { return text.find(c); }

// The opening quote to use: the earlier of the two kinds, npos when neither occurs.
std::size_t openingQuote(std::u16string_view rest) {
    const std::size_t dquote = firstOf(rest, u'"');
    const std::size_t apostrophe = firstOf(rest, u'\'');
    return dquote < apostrophe ? dquote : apostrophe;
}

}  // namespace

void splitCommandLine(std::u16string_view text, std::vector<std::u16string>& tokens) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (text[pos] == kBlank) {
            ++pos;
            continue;
        }
        const std::u16string_view rest = text.substr(pos);
        const std::size_t blank = firstOf(rest, kBlank);
        const std::size_t quote = openingQuote(rest);
        if (blank != npos && blank < quote) {
            tokens.emplace_back(rest.substr(0, blank));
            pos += blank + 1;
        } else if (quote != npos) {
            const std::size_t closing = rest.find(rest[quote], quote + 1);
            const std::size_t innerEnd = closing == npos ? rest.size() : closing;
            std::u16string token(rest.substr(0, quote));
            token.append(rest.substr(quote + 1, innerEnd - quote - 1));
            tokens.push_back(std::move(token));
            pos += innerEnd + 1;
            if (pos < text.size() && text[pos] == kBlank) ++pos;
        } else {
            tokens.emplace_back(rest);
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
