// Arbitrary text, byte by byte, as a command line: the splitter must keep
// every character that is not a blank or a quote, in order, and the entry
// decision and the usage line must stay consistent with the tokens.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "launcher/core/CommandLine.h"
#include "tests/fuzz/FuzzInput.h"

namespace {

using tavik::fuzz::require;
using Tokens = std::vector<std::u16string>;

bool isDelimiter(char16_t c) { return c == u' ' || c == u'"' || c == u'\''; }

std::u16string withoutDelimiters(const Tokens& pieces) {
    std::u16string kept;
    for (const std::u16string& piece : pieces) {
        for (const char16_t c : piece) {
            if (!isDelimiter(c)) kept.push_back(c);
        }
    }
    return kept;
}

// The tokens as the packer writes an option list: plain, or quoted with the
// quote kind a token does not hold; none when a token holds both kinds.
std::optional<std::u16string> requoted(const Tokens& tokens) {
    std::u16string line;
    for (const std::u16string& token : tokens) {
        if (!line.empty()) line.push_back(u' ');
        const bool plain = !token.empty() && token.find_first_of(u" \"'") == std::u16string::npos;
        if (plain) {
            line += token;
        } else if (token.find(u'"') == std::u16string::npos) {
            line += u"\"" + token + u"\"";
        } else if (token.find(u'\'') == std::u16string::npos) {
            line += u"'" + token + u"'";
        } else {
            return std::nullopt;
        }
    }
    return line;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tavik::cmdline;
    const std::u16string text = tavik::fuzz::widened(tavik::fuzz::inputText(data, size));
    const Tokens tokens = splitCommandLine(text);

    // Each token but the last takes at least two characters: itself or its
    // quotes, and what ends it.
    require(tokens.size() <= (text.size() + 1) / 2);
    require(withoutDelimiters({text}) == withoutDelimiters(tokens));
    if (const auto line = requoted(tokens)) require(splitCommandLine(*line) == tokens);

    const EntryDecision decision = decideEntry(tokens);
    require(decision.arguments.size() <= tokens.size());
    require(!decision.supervisedChild || tokens.back() == kRestartMarker);
    require(!decision.serviceName ||
            (!decision.arguments.empty() && decision.arguments.front() == *decision.serviceName));

    const std::u16string usage = usageLine(text);
    const std::u16string_view tail = u".exe /install | /uninstall | /stop | /start | /status | /run | /run-redirect\n";
    require(usage.rfind(u"Usage: ", 0) == 0 && usage.size() <= 7 + 256 + tail.size());
    require(usage.compare(usage.size() - tail.size(), tail.size(), tail) == 0);
    return 0;
}
