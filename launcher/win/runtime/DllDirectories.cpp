#include "launcher/win/runtime/DllDirectories.h"

#include <windows.h>

#include <optional>

#include "common/win/SystemLibrary.h"
#include "launcher/core/ConfigIds.h"
#include "launcher/core/Log.h"
#include "launcher/win/image/Config.h"

namespace tavik::runtime {
namespace {

using AddDllDirectoryFunction = DLL_DIRECTORY_COOKIE(WINAPI*)(PCWSTR);
using RemoveDllDirectoryFunction = BOOL(WINAPI*)(DLL_DIRECTORY_COOKIE);

constexpr std::size_t kDirectoryCapacity = 6000;

// Looked up rather than linked: systems before the loader update lack both.
HMODULE kernel32() { return ::GetModuleHandleA("kernel32.dll"); }

// The directory in the code page of the file functions; none when it does not
// convert or needs more than the path capacity.
std::optional<std::wstring> fileApiWide(const std::string& directory) {
    const UINT codePage = ::AreFileApisANSI() ? CP_ACP : CP_OEMCP;
    const int length = ::MultiByteToWideChar(codePage, 0, directory.data(), static_cast<int>(directory.size()),
                                             nullptr, 0);
    if (length <= 0 || static_cast<std::size_t>(length) >= kDirectoryCapacity) return std::nullopt;
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    if (::MultiByteToWideChar(codePage, 0, directory.data(), static_cast<int>(directory.size()), wide.data(),
                              length) != length)
        return std::nullopt;
    return wide;
}

}  // namespace

DllDirectoryCookie addDllDirectory(const std::string& directory) {
    if (image::configInt(config::kUseDllDirectoriesId) == 0) return nullptr;
    const auto add = findFunction<AddDllDirectoryFunction>(kernel32(), "AddDllDirectory");
    if (add == nullptr) return nullptr;
    const auto wide = fileApiWide(directory);
    if (!wide) return nullptr;
    log::logLine(u"Adding DLL directory %s", directory);
    return add(wide->c_str());
}

void removeDllDirectory(DllDirectoryCookie cookie) {
    if (cookie == nullptr) return;
    const auto remove = findFunction<RemoveDllDirectoryFunction>(kernel32(), "RemoveDllDirectory");
    if (remove == nullptr) return;
    log::logLine(u"Removing DLL directory");
    remove(cookie);
}

}  // namespace tavik::runtime
