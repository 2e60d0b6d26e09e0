#pragma once
// The launcher variables expanded with this process's values: its directory,
// its temporary directory, the chosen runtime's home, the temporary base and
// the environment.
#include <string>

#include "launcher/core/VariableExpansion.h"
#include "launcher/win/paths/LauncherPaths.h"

namespace tavik::vmstart {

// What the launch has settled that variables name; empty while unsettled.
struct SettledPaths {
    std::string launcherTempDirectory;  // made by the extraction
    std::string javaHome;               // of the runtime the loader chose
};

// The values as the running launcher has them: the settled paths as given,
// the others read afresh per call.
class ProcessExpansionSources final : public expansion::ExpansionSources {
public:
    explicit ProcessExpansionSources(SettledPaths settled = {});

    std::string launcherDirectory() const override;
    std::u16string launcherDirectoryWide() const override;
    std::string launcherTempDirectory() const override;
    std::string javaHome() const override;
    std::string tempBaseDirectory() const override;
    std::u16string tempBaseDirectoryWide() const override;
    std::string environmentBlock() const override;
    std::u16string environmentBlockWide() const override;

private:
    SettledPaths settled_;
};

// The narrow routine, for search entries, class-path and library entries.
std::string expandVariablesNarrow(std::string text, const SettledPaths& settled);
// The wide routine; DirectoryForm::AnsiSafe takes the 8-bit forms of the
// launcher directory and the temporary base, for texts that reach the ANSI
// code page.
std::u16string expandVariables(std::u16string text, paths::DirectoryForm form, const SettledPaths& settled);

}  // namespace tavik::vmstart
