// Arbitrary text expanded against arbitrary values and an arbitrary
// environment block. Fields: the text, the environment block (zeros
// included), the launcher directory, its temporary directory, the Java home
// and the temporary base. Every wide value is the byte-by-byte widening of
// the narrow one, so all three routines must give the same text.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "launcher/core/VariableExpansion.h"
#include "tests/fuzz/FuzzInput.h"
#include "tests/fuzz/FuzzLog.h"

namespace {

using tavik::fuzz::fieldAt;
using tavik::fuzz::require;
using tavik::fuzz::widened;

class FieldSources : public tavik::expansion::ExpansionSources {
public:
    explicit FieldSources(const std::vector<std::string_view>& fields)
        : environment_(fieldAt(fields, 1)),
          launcherDirectory_(fieldAt(fields, 2)),
          tempDirectory_(fieldAt(fields, 3)),
          javaHome_(fieldAt(fields, 4)),
          tempBase_(fieldAt(fields, 5)) {}

    std::string launcherDirectory() const override { return launcherDirectory_; }
    std::u16string launcherDirectoryWide() const override { return widened(launcherDirectory_); }
    std::string launcherTempDirectory() const override { return tempDirectory_; }
    std::string javaHome() const override { return javaHome_; }
    std::string tempBaseDirectory() const override { return tempBase_; }
    std::u16string tempBaseDirectoryWide() const override { return widened(tempBase_); }
    std::string environmentBlock() const override { return environment_; }
    std::u16string environmentBlockWide() const override { return widened(environment_); }

private:
    std::string environment_;
    std::string launcherDirectory_;
    std::string tempDirectory_;
    std::string javaHome_;
    std::string tempBase_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tavik::expansion;
    tavik::fuzz::restartLog();
    const std::vector<std::string_view> fields = tavik::fuzz::splitFields(tavik::fuzz::inputText(data, size));
    const FieldSources sources(fields);
    const std::string text(fields[0]);

    std::string narrow = text;
    expandVariablesNarrow(narrow, sources);
    std::u16string ansiSafe = widened(text);
    expandVariables(ansiSafe, true, sources);
    std::u16string wide = widened(text);
    expandVariables(wide, false, sources);
    require(ansiSafe == widened(narrow) && wide == ansiSafe);

    // No replacement takes a text past the limit; one already past it can only shrink.
    require(narrow.size() <= std::max(text.size(), kExpandedTextLimit));
    // Every pattern starts with "%" or "$".
    if (text.find_first_of("%$") == std::string::npos) require(narrow == text);

    const std::string home = javaHomeOf(text);
    require(home.size() >= 2 && home.size() <= text.size() + 2 && home.compare(home.size() - 2, 2, "..") == 0);
    require(text.compare(0, home.size() - 2, home, 0, home.size() - 2) == 0);
    return 0;
}
