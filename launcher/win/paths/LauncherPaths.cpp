#include "launcher/win/paths/LauncherPaths.h"

#include <windows.h>

#include "common/win/WideText.h"
#include "launcher/core/ConfigStore.h"
#include "launcher/core/Log.h"
#include "launcher/core/PathText.h"
#include "launcher/win/paths/AnsiPath.h"
#include "launcher/win/paths/ShellShortPath.h"

namespace tavik::paths {
namespace {

struct LongModulePath {
    std::u16string module;
    std::u16string longPath;
    DWORD queryLength = 0;  // what the long-form query returned
    DWORD queryError = 0;   // the last error right after it
};

LongModulePath queryLongModulePath() {
    LongModulePath result;
    result.module = moduleFileName();
    const std::wstring module = toWide(result.module);
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        result.queryLength = ::GetLongPathNameW(module.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
        result.queryError = ::GetLastError();
        if (result.queryLength < buffer.size()) break;
        buffer.resize(result.queryLength);
    }
    result.longPath = result.queryLength == 0 ? result.module : toU16({buffer.data(), result.queryLength});
    return result;
}

std::optional<std::string> shortPathName(const std::u16string& path) {
    const std::wstring wide = toWide(path);
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetShortPathNameW(wide.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return std::nullopt;
        if (length < buffer.size()) return toAnsiExactly(toU16({buffer.data(), length}));
        buffer.resize(length);
    }
}

std::optional<std::string> usableExePath(std::optional<std::string> candidate) {
    if (candidate && path::isExePath(*candidate)) return candidate;
    return std::nullopt;
}

// The last resort: what the 8-bit module query gives, in its short form.
std::string shortAnsiModuleName() {
    std::string module(MAX_PATH, '\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameA(nullptr, module.data(), static_cast<DWORD>(module.size()));
        if (length == 0) return {};
        if (length < module.size()) {
            module.resize(length);
            break;
        }
        module.resize(module.size() * 2);
    }
    std::string buffer(MAX_PATH, '\0');
    for (;;) {
        const DWORD length = ::GetShortPathNameA(module.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return module;
        if (length < buffer.size()) return buffer.substr(0, length);
        buffer.resize(length);
    }
}

// Through UTF-16: the last byte of a double-byte character may be a backslash.
std::string directoryPartAnsi(const std::string& path) {
    const std::u16string wide = toU16(fromAnsi(path));
    const std::size_t separator = wide.rfind(u'\\');
    if (separator == std::u16string::npos) return {};
    bool substituted = false;
    return toAnsi(wide.substr(0, separator + 1), substituted);
}

}  // namespace

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
    static const std::u16string path = path::collapseBackslashes(queryLongModulePath().longPath);
    return path;
}

std::optional<std::string> ansiSafeFormOf(const std::u16string& longPath) {
    if (auto direct = usableExePath(toAnsiExactly(longPath))) return direct;
    if (auto shortForm = usableExePath(shortPathName(longPath))) return shortForm;
    return usableExePath(shortPathViaShell(longPath));
}

const std::string& launcherPath() {
    static const std::string path = [] {
        const LongModulePath found = queryLongModulePath();
        log::logLine(u"init file name %s %s %d %d", found.module, found.longPath, found.queryLength,
                     found.queryError);
        return collapseBackslashes(ansiSafeFormOf(found.longPath).value_or(shortAnsiModuleName()));
    }();
    return path;
}

const std::string& launcherDirectory() {
    static const std::string directory = directoryPartAnsi(launcherPath());
    return directory;
}

std::u16string launcherDirectoryWide(DirectoryForm form) {
    if (form == DirectoryForm::AnsiSafe) {
        const std::string& directory = launcherDirectory();
        return config::widenBytes(directory, directory.size() + 1);
    }
    const std::u16string& path = launcherPathWide();
    const std::size_t separator = path.rfind(u'\\');
    return separator == std::u16string::npos ? std::u16string() : path.substr(0, separator + 1);
}

}  // namespace tavik::paths
