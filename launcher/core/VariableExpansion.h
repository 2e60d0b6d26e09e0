#pragma once
// The launcher variables in configured paths, option lines and arguments:
// one fixed table of patterns, replaced in order, with no escapes and no
// recursion. What the values are on the running system comes from the shell
// through ExpansionSources.
#include <cstddef>
#include <string>
#include <string_view>

namespace tavik::expansion {

// Every value is asked for afresh on each expansion; none is kept here.
class ExpansionSources {
public:
    virtual ~ExpansionSources() = default;

    // The launcher's directory with its trailing backslash: the 8-bit form
    // (built from the ANSI-safe launcher path) and the UTF-16 form.
    virtual std::string launcherDirectory() const = 0;
    virtual std::u16string launcherDirectoryWide() const = 0;
    // The launcher's own temporary directory; "" when none was made.
    virtual std::string launcherTempDirectory() const = 0;
    // The chosen runtime's home as recorded by `javaHomeOf`; "" before one is chosen.
    virtual std::string javaHome() const = 0;
    // The temporary base directory. Asked for on every expansion whether or
    // not the text uses it, so an implementation may end the process here
    // when there is no usable base.
    virtual std::string tempBaseDirectory() const = 0;
    virtual std::u16string tempBaseDirectoryWide() const = 0;
    // The process environment block: "name=value" entries, each followed by a
    // zero; an empty entry or the end of the string ends the block.
    virtual std::string environmentBlock() const = 0;
    virtual std::u16string environmentBlockWide() const = 0;
};

// An expanded text never grows past this many characters: a replacement that
// would take it further is not made, and the pattern stays where it is. Far
// above any path or option (an environment value holds at most 32767
// characters), but variables whose values name each other cannot double the
// text over and over.
inline constexpr std::size_t kExpandedTextLimit = 65536;

// Replaces every occurrence of `pattern`, left to right; the search goes on
// behind each inserted value, so a value holding its own pattern is inserted
// once. Logs "expanding2 ..." once per replacement. A narrow value put into a
// wide text is widened byte by byte, as the C library's default locale does.
void replaceAll(std::u16string& text, std::u16string_view pattern, std::u16string_view value);
void replaceAll(std::u16string& text, std::u16string_view pattern, std::string_view value);
void replaceAll(std::string& text, std::string_view pattern, std::string_view value);

// The wide routine. `ansiSafe` takes the launcher directory and the temporary
// base in their 8-bit forms: for texts that end up in the ANSI code page.
void expandVariables(std::u16string& text, bool ansiSafe, const ExpansionSources& sources);
// The narrow routine, for class-path, search-sequence and library entries.
void expandVariablesNarrow(std::string& text, const ExpansionSources& sources);

// The Java home recorded for a chosen runtime: the executable's directory
// followed by "..", e.g. C:\jre\bin\.. for C:\jre\bin\javaw.exe.
std::string javaHomeOf(std::string_view javaExe);

}  // namespace tavik::expansion
