#pragma once
// The launcher variables expanded with this process's values: its directory,
// its temporary directory, the chosen runtime's home, the temporary base and
// the environment.
#include <string>

#include "launcher/core/VariableExpansion.h"

namespace tavik {

// The values as the running launcher has them, each read afresh per call.
class ProcessExpansionSources final : public expansion::ExpansionSources {
public:
    std::string launcherDirectory() const override;
    std::u16string launcherDirectoryWide() const override;
    std::string launcherTempDirectory() const override;
    std::string javaHome() const override;
    std::string tempBaseDirectory() const override;
    std::u16string tempBaseDirectoryWide() const override;
    std::string environmentBlock() const override;
    std::u16string environmentBlockWide() const override;
};

// The narrow routine, for search entries, class-path and library entries.
std::string expandVariablesNarrow(std::string text);
// The wide routine; `ansiSafe` takes the 8-bit forms of the launcher
// directory and the temporary base, for texts that reach the ANSI code page.
std::u16string expandVariables(std::u16string text, bool ansiSafe);

}  // namespace tavik
