#include "native/shell/FolderInfo.h"

#include <objbase.h>
#include <shlobj.h>
#include <winnetwk.h>

#include <variant>
#include <vector>

#include "common/ScopeExit.h"
#include "common/win/Registry.h"
#include "common/win/SystemLibrary.h"
#include "common/win/WideText.h"
#include "native/shell/ShellRules.h"

namespace tavik::native::shell {
namespace {

static_assert(csidl::kDesktop == CSIDL_DESKTOP && csidl::kPrograms == CSIDL_PROGRAMS &&
              csidl::kPersonal == CSIDL_PERSONAL && csidl::kFavorites == CSIDL_FAVORITES &&
              csidl::kStartup == CSIDL_STARTUP && csidl::kSendTo == CSIDL_SENDTO &&
              csidl::kStartMenu == CSIDL_STARTMENU && csidl::kDesktopDirectory == CSIDL_DESKTOPDIRECTORY &&
              csidl::kFonts == CSIDL_FONTS && csidl::kTemplates == CSIDL_TEMPLATES &&
              csidl::kCommonStartMenu == CSIDL_COMMON_STARTMENU && csidl::kCommonPrograms == CSIDL_COMMON_PROGRAMS &&
              csidl::kCommonStartup == CSIDL_COMMON_STARTUP &&
              csidl::kCommonDesktopDirectory == CSIDL_COMMON_DESKTOPDIRECTORY && csidl::kAppData == CSIDL_APPDATA &&
              csidl::kLocalAppData == CSIDL_LOCAL_APPDATA && csidl::kCommonFavorites == CSIDL_COMMON_FAVORITES &&
              csidl::kCommonAppData == CSIDL_COMMON_APPDATA && csidl::kCommonTemplates == CSIDL_COMMON_TEMPLATES &&
              csidl::kCommonDocuments == CSIDL_COMMON_DOCUMENTS,
              "the shell's own folder numbers");

using GetFolderPathFn = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, wchar_t*);
using GetKnownFolderPathFn = HRESULT(WINAPI*)(const GUID&, DWORD, HANDLE, wchar_t**);
using GetSystemWindowsDirectoryFn = UINT(WINAPI*)(wchar_t*, UINT);
using GetUniversalNameFn = DWORD(WINAPI*)(const wchar_t*, DWORD, void*, DWORD*);

constexpr GUID kDownloads = {0x374DE290, 0x123F, 0x4565, {0x91, 0x64, 0x39, 0xC4, 0x92, 0x5E, 0x46, 0x7B}};
constexpr GUID kUserProgramFiles = {0x5CD7AEE2, 0x2219, 0x4A67, {0xB8, 0x5D, 0x6C, 0x9C, 0xE1, 0x56, 0x60, 0xCB}};
constexpr GUID kUserProgramFilesCommon = {0xBCBD3057, 0xCA5C, 0x4622, {0xB4, 0x2D, 0xBC, 0x56, 0xDB, 0x0A, 0xE5, 0x16}};
constexpr GUID kProfile = {0x5E6C858F, 0x0E22, 0x4760, {0x9A, 0xFE, 0xEA, 0x33, 0x17, 0xB6, 0x71, 0x73}};

constexpr std::size_t kPathUnits = 32767;
constexpr DWORD kRegistryBufferBytes = 32767;
constexpr DWORD kUniversalBufferBytes = 65534;

HMODULE shell32() noexcept {
    static const HMODULE library = systemLibrary(L"shell32.dll");
    return library;
}

const GUID& knownFolderId(KnownFolder folder) {
    switch (folder) {
        case KnownFolder::Downloads: return kDownloads;
        case KnownFolder::UserProgramFiles: return kUserProgramFiles;
        case KnownFolder::UserProgramFilesCommon: return kUserProgramFilesCommon;
        case KnownFolder::Profile: break;
    }
    return kProfile;
}

std::optional<std::u16string> shellFolderPath(int csidl) {
    static const auto getFolderPath = findFunction<GetFolderPathFn>(shell32(), "SHGetFolderPathW");
    if (getFolderPath == nullptr) return std::nullopt;
    wchar_t path[MAX_PATH + 1] = {};
    if (FAILED(getFolderPath(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path))) {
        return std::nullopt;
    }
    return toU16(path);
}

std::optional<std::u16string> knownFolderPath(KnownFolder folder) {
    static const auto getKnownFolderPath = findFunction<GetKnownFolderPathFn>(shell32(), "SHGetKnownFolderPath");
    if (getKnownFolderPath == nullptr) return std::nullopt;
    wchar_t* path = nullptr;
    const HRESULT result = getKnownFolderPath(knownFolderId(folder), 0, nullptr, &path);
    const ScopeExit freePath([path] { ::CoTaskMemFree(path); });
    if (FAILED(result) || path == nullptr) return std::nullopt;
    return toU16(path);
}

// The units written when `length` says the answer fitted.
std::optional<std::u16string> fitted(const std::vector<wchar_t>& buffer, UINT length) {
    if (length == 0 || length >= buffer.size()) return std::nullopt;
    return toU16(std::wstring_view(buffer.data(), length));
}

}  // namespace

std::optional<std::u16string> specialFolderPath(std::int32_t id, bool allUsers) {
    const SpecialFolder folder = specialFolderFor(id, allUsers);
    if (const auto* shellFolder = std::get_if<ShellFolder>(&folder)) return shellFolderPath(shellFolder->csidl);
    return knownFolderPath(std::get<KnownFolder>(folder));
}

std::optional<std::u16string> currentVersionValue(const wchar_t* name) {
    const Result<UniqueHKey> key =
        registry::openKey(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion", KEY_QUERY_VALUE);
    if (!key) return std::nullopt;
    std::vector<std::uint8_t> data(kRegistryBufferBytes);
    DWORD size = kRegistryBufferBytes;
    if (::RegQueryValueExW(key->get(), name, nullptr, nullptr, data.data(), &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return unitsUpToZero(data.data(), size);
}

std::optional<std::u16string> windowsDirectory() {
    std::vector<wchar_t> buffer(kPathUnits);
    const auto size = static_cast<UINT>(buffer.size());
    const auto getSystemWindowsDirectory =
        findFunction<GetSystemWindowsDirectoryFn>(systemLibrary(L"Kernel32.DLL"), "GetSystemWindowsDirectoryW");
    if (getSystemWindowsDirectory != nullptr) {
        if (auto found = fitted(buffer, getSystemWindowsDirectory(buffer.data(), size))) return found;
    }
    return fitted(buffer, ::GetWindowsDirectoryW(buffer.data(), size));
}

std::optional<std::u16string> systemDirectory() {
    std::vector<wchar_t> buffer(kPathUnits);
    return fitted(buffer, ::GetSystemDirectoryW(buffer.data(), static_cast<UINT>(buffer.size())));
}

UINT driveType(const wchar_t* rootPath) noexcept { return ::GetDriveTypeW(rootPath); }

std::optional<std::u16string> shortPathName(const wchar_t* path) {
    std::vector<wchar_t> buffer(kPathUnits);
    return fitted(buffer, ::GetShortPathNameW(path, buffer.data(), static_cast<DWORD>(buffer.size())));
}

std::optional<std::u16string> universalName(const wchar_t* path) {
    static const auto getUniversalName =
        findFunction<GetUniversalNameFn>(systemLibrary(L"mpr.dll"), "WNetGetUniversalNameW");
    if (getUniversalName == nullptr) return std::nullopt;
    // Whole pointers: the record at the start holds one into the buffer.
    std::vector<void*> buffer((kUniversalBufferBytes + sizeof(void*) - 1) / sizeof(void*));
    DWORD size = kUniversalBufferBytes;
    const DWORD status = getUniversalName(path, UNIVERSAL_NAME_INFO_LEVEL, buffer.data(), &size);
    if (status != NO_ERROR) return universalNameFailure(status);
    const auto* info = reinterpret_cast<const UNIVERSAL_NAME_INFOW*>(buffer.data());
    if (info->lpUniversalName == nullptr) return std::u16string();
    return toU16(info->lpUniversalName);
}

}  // namespace tavik::native::shell
