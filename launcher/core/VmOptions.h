#pragma once
// The VM option list: the launcher's properties, the configured and
// version-specific options, "-J" arguments, .vmoptions files with their
// includes, the class path and the module path, in one fixed order. Whatever
// the system knows (configuration, files, directories, environment, paths)
// comes from the shell through VmOptionsSystem.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "launcher/core/VariableExpansion.h"

namespace tavik::vmoptions {

// A .vmoptions line is read in a buffer of this size: a longer line goes on
// as the next one.
inline constexpr std::size_t kOptionsFileLineCapacity = 30000;

// Includes nested deeper than this are skipped. Files on the include chain
// are already recognised by their normalized path; this stops a cycle through
// spellings that normalization cannot see, such as short names or links.
inline constexpr std::size_t kIncludeDepthLimit = 64;

// Files past this many read in one build are skipped, includes or not. The
// chain stops cycles, but a file that includes another twice, which includes
// a third twice and so on, doubles the reading at each level.
inline constexpr std::size_t kOptionsFileLimit = 1024;

class VmOptionsSystem {
public:
    virtual ~VmOptionsSystem() = default;

    // Configuration reads: "" or 0 when absent. The shell applies the buffer
    // sizes it reads with (6000 for option strings).
    virtual std::string configString(std::int32_t id) const = 0;
    virtual std::u16string configWideString(std::int32_t id) const = 0;
    virtual std::int32_t configInt(std::int32_t id) const = 0;

    // The bytes of a file as stored; none when it cannot be opened for reading.
    virtual std::optional<std::string> readFile(std::u16string_view path) const = 0;
    virtual bool pathExists(std::string_view path) const = 0;
    // File names without directory, matching "*.<extension>", in listing order.
    virtual std::vector<std::string> listFilesWithExtension(std::string_view directory,
                                                            std::string_view extension) const = 0;
    virtual std::optional<std::string> environmentVariable(std::string_view name) const = 0;

    // A relative path put after the directory of `baseFile`, or after the
    // launcher's long-form directory when there is none; backslash runs collapsed.
    virtual std::u16string resolvePathWide(std::u16string_view path,
                                           const std::optional<std::u16string>& baseFile) const = 0;
    // The same against the launcher's 8-bit directory.
    virtual std::string resolvePath(std::string_view path) const = 0;
    // Each non-empty ';'-separated piece resolved, joined with ";".
    virtual std::string resolvePathList(std::string_view list) const = 0;
    // Resolved, then "." and ".." normalized by the system; case kept.
    virtual std::string fullPath(std::string_view path) const = 0;

    // UTF-16 to the code page of the file functions, "?" where a character has
    // no mapping (no best fit): the VM takes its options in that encoding.
    virtual std::string toNarrow(std::u16string_view text) const = 0;

    virtual const expansion::ExpansionSources& expansionSources() const = 0;
};

// What the launch has settled before the options are built.
struct VmOptionsInputs {
    std::vector<std::string> properties;        // the launcher's system properties, first in the list
    std::vector<std::u16string> arguments;      // the launcher's arguments, program path not included
    std::optional<std::string> javaVersion;     // of the chosen runtime
    std::optional<std::string> userLanguage;    // two-letter codes of the detected locale
    std::optional<std::string> userCountry;
    std::u16string launcherPath;                // the launcher's long path
    std::u16string modulePath;                  // the process's module file name as Windows reports it
    bool installerFlavour = false;
    bool serviceMode = false;                   // service process or its supervised child
    bool noRedirect = false;                    // the run command
};

// A required class-path or module-path entry that is missing: the shell shows
// the message with the name and ends the launch.
struct MissingEntry {
    std::int32_t messageId;
    std::string name;
};

struct VmOptionsResult {
    std::vector<std::string> options;     // incomplete when `failure` is set
    std::optional<MissingEntry> failure;
};

VmOptionsResult buildVmOptions(const VmOptionsInputs& inputs, const VmOptionsSystem& system);

// Collects option lines from every source. The class-path overrides live in
// it for one build.
class VmOptionsBuilder {
public:
    explicit VmOptionsBuilder(const VmOptionsSystem& system) : system_(system) {}

    // One option line. `includeBase` is the file the line came from, against
    // whose directory a relative include resolves; none means the launcher's
    // directory.
    void addOptionLine(std::u16string_view line, const std::optional<std::u16string>& includeBase);

    // Every line of a .vmoptions file's bytes; `path` is the file's own path
    // when includes resolve against its directory.
    void readOptionsFile(std::string_view content, const std::optional<std::u16string>& path);

    // A configured option string (ids 123 and 10202 + 2i): expanded, split,
    // each token a line, with "-include-options" joined to its path.
    void addConfiguredOptions(std::u16string text);

    // The entries of id 121 or 132 appended to `target`.
    std::optional<MissingEntry> addPathEntries(std::int32_t id, std::string& target);

    // The bytes of the file at `path`; none when it does not open, or when it
    // is already on the include chain, the chain is too deep or enough files
    // have been read (each logged).
    std::optional<std::string> openOnChain(const std::u16string& path) const;
    // Reads a file opened with openOnChain, keeping it on the chain meanwhile;
    // its includes resolve against `includeBase`.
    void readOnChain(const std::u16string& path, std::string_view content,
                     const std::optional<std::u16string>& includeBase);

    void addOption(std::string option) { options_.push_back(std::move(option)); }

    std::vector<std::string>& options() { return options_; }
    const std::optional<std::string>& replacementClassPath() const { return replacementClassPath_; }
    const std::optional<std::string>& appendedClassPath() const { return appendedClassPath_; }
    const std::optional<std::string>& prependedClassPath() const { return prependedClassPath_; }

private:
    void addInclude(std::u16string_view pathText, const std::optional<std::u16string>& includeBase);

    const VmOptionsSystem& system_;
    std::vector<std::string> options_;
    std::optional<std::string> replacementClassPath_;
    std::optional<std::string> appendedClassPath_;
    std::optional<std::string> prependedClassPath_;
    std::vector<std::u16string> includeChain_;  // normalized paths of the files being read
    std::size_t filesRead_ = 0;
};

// The lines of a file as a text-mode read with a buffer of `capacity` bytes
// gives them: CR LF read as LF, Ctrl-Z ends the file, at most capacity - 1
// bytes per line, line feeds kept.
std::vector<std::string> textModeLines(std::string_view content, std::size_t capacity = kOptionsFileLineCapacity);

// A line of a .vmoptions file without trailing CRs and LFs and without
// surrounding blanks; none for an empty line or a comment.
std::optional<std::string_view> optionFileLine(std::string_view line);

// The major of a version: its first number, or the second when the first is
// 1 and a second exists; -1 without numbers.
std::int32_t majorVersion(std::string_view version);

// "*" any run of characters, "?" any one; case-sensitive, the whole text.
bool matchesWildcard(std::string_view pattern, std::string_view text);

// Whether a version-specific key selects the version; logs as it decides.
bool versionKeyMatches(std::string_view key, std::string_view version);

// The identity of a path on the include chain: "/" read as "\", backslash
// runs collapsed (a leading "\\" kept), "." and ".." resolved, A to Z lowered.
std::u16string includeIdentity(std::u16string_view path);

// Options such as "--add-opens" followed by another option become one
// "name=value" option.
void joinModuleOptions(std::vector<std::string>& options);

// The default .vmoptions candidates for one executable path: the path without
// its last four characters plus ".vmoptions", then the path plus ".vmoptions".
std::vector<std::u16string> defaultOptionsCandidates(std::u16string_view executablePath);

}  // namespace tavik::vmoptions
