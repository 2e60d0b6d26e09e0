#include "launcher/win/LauncherPaths.h"

#include <windows.h>

#include "common/win/WideText.h"
#include "launcher/core/PathText.h"
#include "launcher/win/Environment.h"

namespace tavik {

std::u16string moduleFileName() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        // A full buffer means the name may have been cut.
        if (length < buffer.size()) return toU16({buffer.data(), length});
        buffer.resize(buffer.size() * 2);
    }
}

const std::u16string& launcherPathWide() {
    static const std::u16string path = [] {
        const std::u16string module = moduleFileName();
        return path::collapseBackslashes(env::longPathName(module).value_or(module));
    }();
    return path;
}

}  // namespace tavik
