#include "launcher/win/vmstart/Expansion.h"

#include <windows.h>
// The narrow block is declared without its "A": under UNICODE the plain name
// stands for the wide function.
#undef GetEnvironmentStrings


#include "common/win/WideText.h"
#include "launcher/win/paths/LauncherPaths.h"
#include "launcher/win/paths/TempDirectory.h"
#include "launcher/win/runtime/JvmLoader.h"

namespace tavik {
namespace {

// A block of zero-terminated entries ends with an empty one.
template <class Char>
std::basic_string<Char> copyBlock(const Char* block) {
    if (!block) return {};
    const Char* end = block;
    while (*end) {
        while (*end) ++end;
        ++end;
    }
    return std::basic_string<Char>(block, end);
}

}  // namespace

std::string ProcessExpansionSources::launcherDirectory() const { return tavik::launcherDirectory(); }

std::u16string ProcessExpansionSources::launcherDirectoryWide() const { return tavik::launcherDirectoryWide(false); }

std::string ProcessExpansionSources::launcherTempDirectory() const { return tempDirectory(); }

std::string ProcessExpansionSources::javaHome() const { return jvm::loadedRuntime().home; }

std::string ProcessExpansionSources::tempBaseDirectory() const { return tavik::tempBaseDirectory(); }

std::u16string ProcessExpansionSources::tempBaseDirectoryWide() const { return tavik::tempBaseDirectoryWide(true); }

std::string ProcessExpansionSources::environmentBlock() const {
    char* block = ::GetEnvironmentStrings();
    std::string copy = copyBlock(block);
    if (block) ::FreeEnvironmentStringsA(block);
    return copy;
}

std::u16string ProcessExpansionSources::environmentBlockWide() const {
    wchar_t* block = ::GetEnvironmentStringsW();
    std::wstring copy = copyBlock(block);
    if (block) ::FreeEnvironmentStringsW(block);
    return toU16(copy);
}

std::string expandVariablesNarrow(std::string text) {
    expansion::expandVariablesNarrow(text, ProcessExpansionSources());
    return text;
}

std::u16string expandVariables(std::u16string text, bool ansiSafe) {
    expansion::expandVariables(text, ansiSafe, ProcessExpansionSources());
    return text;
}

}  // namespace tavik
