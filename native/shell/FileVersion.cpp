#include "native/shell/FileVersion.h"

#include <optional>
#include <vector>

#include "common/win/SystemLibrary.h"

namespace tavik::native::shell {
namespace {

using GetInfoSizeFn = DWORD(WINAPI*)(const wchar_t*, DWORD*);
using GetInfoFn = BOOL(WINAPI*)(const wchar_t*, DWORD, DWORD, void*);
using QueryValueFn = BOOL(WINAPI*)(const void*, const wchar_t*, void**, UINT*);

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

struct VersionFunctions {
    GetInfoSizeFn getInfoSize = nullptr;
    GetInfoFn getInfo = nullptr;
    QueryValueFn queryValue = nullptr;
};

// Never freed: the pointers are kept for the life of the process.
VersionFunctions bind() noexcept {
    const HMODULE library = ::LoadLibraryExW(L"version.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    VersionFunctions found{findFunction<GetInfoSizeFn>(library, "GetFileVersionInfoSizeW"),
                           findFunction<GetInfoFn>(library, "GetFileVersionInfoW"),
                           findFunction<QueryValueFn>(library, "VerQueryValueW")};
    if (found.getInfoSize == nullptr || found.getInfo == nullptr || found.queryValue == nullptr) return {};
    return found;
}

const VersionFunctions& functions() noexcept {
    static const VersionFunctions bound = bind();
    return bound;
}

std::optional<FileVersionNumber> fileVersionOf(const VersionFunctions& version, const wchar_t* file) {
    DWORD ignored = 0;
    const DWORD size = version.getInfoSize(file, &ignored);
    if (size == 0) return std::nullopt;
    std::vector<std::uint8_t> block(std::size_t{size} * 2);
    if (!version.getInfo(file, 0, static_cast<DWORD>(block.size()), block.data())) return std::nullopt;
    void* fixed = nullptr;
    UINT fixedSize = 0;
    if (!version.queryValue(block.data(), L"\\", &fixed, &fixedSize) || fixed == nullptr ||
        fixedSize < sizeof(VS_FIXEDFILEINFO)) {
        return std::nullopt;
    }
    const auto* info = static_cast<const VS_FIXEDFILEINFO*>(fixed);
    return FileVersionNumber{info->dwFileVersionMS, info->dwFileVersionLS};
}

}  // namespace

VersionOrder compareFileVersions(const wchar_t* first, const wchar_t* second) {
    const VersionFunctions& version = functions();
    if (version.getInfoSize == nullptr) return VersionOrder::Unreadable;
    const std::optional<FileVersionNumber> firstVersion = fileVersionOf(version, first);
    if (!firstVersion) return VersionOrder::Unreadable;
    return compareFileVersions(firstVersion, fileVersionOf(version, second));
}

}  // namespace tavik::native::shell
