#include "launcher/core/VariableExpansion.h"

#include <algorithm>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>

#include "launcher/core/Log.h"

namespace tavik::expansion {
namespace {

template <class Char>
using View = std::basic_string_view<Char>;

enum Slot { kLauncherDirectory, kLauncherTempDirectory, kPathListSeparator, kJavaHome, kSystemTempDirectory, kSlots };

struct Rule {
    std::string_view pattern;
    Slot slot;
};

// The order matters: each rule sees what the earlier ones inserted.
constexpr Rule kRules[] = {
    {"%TAVIK_EXEDIR%", kLauncherDirectory},
    {"%RUNWRIGHT_EXEDIR%", kLauncherDirectory},
    {"%TAVIK_TEMPDIR%", kLauncherTempDirectory},
    {"%RUNWRIGHT_TEMPDIR%", kLauncherTempDirectory},
    {"%TAVIK_PATHLIST_SEPARATOR%", kPathListSeparator},
    {"%RUNWRIGHT_PATHLIST_SEPARATOR%", kPathListSeparator},
    {"%TAVIK_JVM_HOME%", kJavaHome},
    {"%RUNWRIGHT_JVM_HOME%", kJavaHome},
    {"${TAVIK_EXEDIR}", kLauncherDirectory},
    {"${RUNWRIGHT_EXEDIR}", kLauncherDirectory},
    {"${TAVIK_TEMPDIR}", kLauncherTempDirectory},
    {"${RUNWRIGHT_TEMPDIR}", kLauncherTempDirectory},
    {"${TAVIK_PATHLIST_SEPARATOR}", kPathListSeparator},
    {"${RUNWRIGHT_PATHLIST_SEPARATOR}", kPathListSeparator},
    {"${TAVIK_JVM_HOME}", kJavaHome},
    {"${RUNWRIGHT_JVM_HOME}", kJavaHome},
    {"${launcher:sys.launcherDirectory}", kLauncherDirectory},
    {"${launcher:sys.launcherTempDirectory}", kLauncherTempDirectory},
    {"${launcher:sys.pathlistSeparator}", kPathListSeparator},
    {"${launcher:sys.jvmHome}", kJavaHome},
    {"${launcher:sys.tempDir}", kSystemTempDirectory},
};

template <class Char>
constexpr Char kVariableStarts[] = {Char('%'), Char('$')};

// Each byte becomes the character of the same value, as %S does in the C
// library's default locale; the launcher has always inserted narrow values so.
std::u16string widenBytes(std::string_view text) {
    std::u16string wide(text.size(), u'\0');
    std::transform(text.begin(), text.end(), wide.begin(),
                   [](char c) { return static_cast<char16_t>(static_cast<unsigned char>(c)); });
    return wide;
}

template <class Char>
std::basic_string<Char> upperAscii(View<Char> text) {
    std::basic_string<Char> upper(text);
    for (Char& c : upper) {
        if (c >= Char('a') && c <= Char('z')) c = static_cast<Char>(c - Char('a') + Char('A'));
    }
    return upper;
}

// Where a spelling (none when empty) next occurs at or behind a position
// that only moves forward, in a text that does not change; searched again
// only once the position has passed it.
template <class Char>
class NextOccurrence {
public:
    NextOccurrence(View<Char> text, View<Char> spelling)
        : text_(text), spelling_(spelling), at_(spelling.empty() ? View<Char>::npos : text.find(spelling)) {}

    std::size_t from(std::size_t position) {
        if (at_ != View<Char>::npos && at_ < position) at_ = text_.find(spelling_, position);
        return at_;
    }

private:
    View<Char> text_;
    View<Char> spelling_;
    std::size_t at_;
};

// Replaces every occurrence of `pattern` or of `otherSpelling` (ignored when
// empty or equal) in one left-to-right pass, resuming behind each inserted
// value, so nothing inserted is searched again. `logged(spelling, text)`
// reports each with the whole text as it stands after it. The text is built
// anew in one pass: replacing in place would move its tail once per
// occurrence, which a text near the limit full of short names pays for in
// seconds.
template <class Char, class Logged>
void replaceSpellings(std::basic_string<Char>& text, View<Char> pattern, View<Char> otherSpelling,
                      View<Char> inserted, const Logged& logged) {
    if (pattern.empty()) return;
    const View<Char> source = text;
    NextOccurrence<Char> first(source, pattern);
    NextOccurrence<Char> second(source, otherSpelling != pattern ? otherSpelling : View<Char>());
    std::basic_string<Char> replaced;  // the text before `from`, as replaced
    std::size_t from = 0;
    std::size_t size = source.size();
    for (;;) {
        std::size_t at = first.from(from);
        View<Char> found = pattern;
        if (const std::size_t other = second.from(from); other < at) {
            at = other;
            found = otherSpelling;
        }
        if (at == View<Char>::npos) break;
        if (size - found.size() + inserted.size() > kExpandedTextLimit) {
            log::logError(u"not expanding %s: the text would grow past %d characters", found, kExpandedTextLimit);
            break;
        }
        replaced.append(source.substr(from, at - from)).append(inserted);
        from = at + found.size();
        size = size - found.size() + inserted.size();
        if (log::isActive()) logged(found, replaced + std::basic_string<Char>(source.substr(from)));
    }
    if (from == 0) return;  // nothing replaced
    replaced.append(source.substr(from));
    text = std::move(replaced);
}

template <class Char>
void expandEnvironment(std::basic_string<Char>& text, View<Char> block) {
    std::size_t pos = 0;
    while (pos < block.size()) {
        const std::size_t end = std::min(block.find(Char(0), pos), block.size());
        const View<Char> entry = block.substr(pos, end - pos);
        if (entry.empty()) return;
        pos = end + 1;
        const std::size_t equals = entry.find(Char('='));
        if (equals == View<Char>::npos) continue;
        const View<Char> value = entry.substr(equals + 1);
        std::basic_string<Char> pattern{Char('$'), Char('{')};
        pattern.append(entry.substr(0, equals));
        pattern.push_back(Char('}'));
        // The block's own spelling and the upper-case one, in one pass: an
        // inserted value holding ${NAME} is not expanded a second time.
        const std::basic_string<Char> upper = upperAscii<Char>(pattern);
        replaceSpellings<Char>(text, pattern, upper, value, [&](View<Char> found, const std::basic_string<Char>& now) {
            if constexpr (std::is_same_v<Char, char>)
                log::logLine(u"expanding2 %S to %S in %S.", found, value, now);
            else
                log::logLine(u"expanding2 %s to %s in %s.", found, value, now);
        });
    }
}

// Every name starts with "%" or "$", and values are only inserted where one
// was found: without either nothing needs building, not even a copy of the
// environment. The system's temporary directory is still asked for, as the
// launcher ends at the first expansion when it has none.
template <class Char>
bool mayHoldVariable(View<Char> text) {
    return text.find_first_of(View<Char>(kVariableStarts<Char>, 2)) != View<Char>::npos;
}

}  // namespace

void replaceAll(std::u16string& text, std::u16string_view pattern, std::u16string_view value) {
    replaceSpellings<char16_t>(text, pattern, {}, value, [&](std::u16string_view found, const std::u16string& now) {
        log::logLine(u"expanding2 %s to %s in %s.", found, value, now);
    });
}

void replaceAll(std::u16string& text, std::u16string_view pattern, std::string_view value) {
    const std::u16string inserted = widenBytes(value);
    replaceSpellings<char16_t>(text, pattern, {}, inserted, [&](std::u16string_view found, const std::u16string& now) {
        log::logLine(u"expanding2 %s to %S in %s.", found, value, now);
    });
}

void replaceAll(std::string& text, std::string_view pattern, std::string_view value) {
    replaceSpellings<char>(text, pattern, {}, value, [&](std::string_view found, const std::string& now) {
        log::logLine(u"expanding2 %S to %S in %S.", found, value, now);
    });
}

void expandVariables(std::u16string& text, bool ansiSafe, const ExpansionSources& sources) {
    if (!mayHoldVariable<char16_t>(text)) {
        if (ansiSafe)
            sources.tempBaseDirectory();
        else
            sources.tempBaseDirectoryWide();
        return;
    }
    // Narrow values stay narrow until inserted, so they are logged as such.
    using Value = std::variant<std::string, std::u16string>;
    const Value values[kSlots] = {
        ansiSafe ? Value(sources.launcherDirectory()) : Value(sources.launcherDirectoryWide()),
        Value(sources.launcherTempDirectory()),
        Value(std::u16string(u";")),
        Value(sources.javaHome()),
        ansiSafe ? Value(sources.tempBaseDirectory()) : Value(sources.tempBaseDirectoryWide()),
    };
    for (const Rule& rule : kRules) {
        const std::u16string pattern = widenBytes(rule.pattern);
        std::visit([&](const auto& value) { replaceAll(text, pattern, value); }, values[rule.slot]);
    }
    const std::u16string block = sources.environmentBlockWide();
    expandEnvironment<char16_t>(text, block);
}

void expandVariablesNarrow(std::string& text, const ExpansionSources& sources) {
    if (!mayHoldVariable<char>(text)) {
        sources.tempBaseDirectory();
        return;
    }
    const std::string values[kSlots] = {
        sources.launcherDirectory(), sources.launcherTempDirectory(), ";",
        sources.javaHome(),          sources.tempBaseDirectory(),
    };
    for (const Rule& rule : kRules) replaceAll(text, rule.pattern, values[rule.slot]);
    const std::string block = sources.environmentBlock();
    expandEnvironment<char>(text, block);
}

std::string javaHomeOf(std::string_view javaExe) {
    // File names compare without regard to case on Windows.
    const std::string_view guiName = "JAVAW.EXE";
    const bool isGui = javaExe.size() >= guiName.size() &&
                       upperAscii<char>(javaExe.substr(javaExe.size() - guiName.size())) == guiName;
    const std::size_t nameLength = std::min<std::size_t>(isGui ? guiName.size() : guiName.size() - 1, javaExe.size());
    std::string home(javaExe.substr(0, javaExe.size() - nameLength));
    home.append("..");
    return home;
}

}  // namespace tavik::expansion
