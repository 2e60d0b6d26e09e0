#include "launcher/win/vmstart/Expansion.h"

#include <windows.h>
// The narrow block is declared without its "A": under UNICODE the plain name
// stands for the wide function.
#undef GetEnvironmentStrings

#include <utility>

#include "common/win/WideText.h"
#include "launcher/win/paths/TempDirectory.h"

namespace tavik::vmstart {
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

ProcessExpansionSources::ProcessExpansionSources(SettledPaths settled) : settled_(std::move(settled)) {}

std::string ProcessExpansionSources::launcherDirectory() const { return paths::launcherDirectory(); }

std::u16string ProcessExpansionSources::launcherDirectoryWide() const {
    return paths::launcherDirectoryWide(paths::DirectoryForm::Long);
}

std::string ProcessExpansionSources::launcherTempDirectory() const { return settled_.launcherTempDirectory; }

std::string ProcessExpansionSources::javaHome() const { return settled_.javaHome; }

std::string ProcessExpansionSources::tempBaseDirectory() const { return paths::tempBaseDirectory(); }

std::u16string ProcessExpansionSources::tempBaseDirectoryWide() const { return paths::tempBaseDirectoryWide(); }

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

std::string expandVariablesNarrow(std::string text, const SettledPaths& settled) {
    expansion::expandVariablesNarrow(text, ProcessExpansionSources(settled));
    return text;
}

std::u16string expandVariables(std::u16string text, paths::DirectoryForm form, const SettledPaths& settled) {
    expansion::expandVariables(text, form == paths::DirectoryForm::AnsiSafe, ProcessExpansionSources(settled));
    return text;
}

}  // namespace tavik::vmstart
