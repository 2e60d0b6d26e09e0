#pragma once
// Owners for the Win32 handle kinds the programs open.
#include <windows.h>

#include "common/UniqueResource.h"

namespace tavik {

// Kernel handles: some APIs fail with null, others with INVALID_HANDLE_VALUE;
// neither may be closed. Call sites still test the value their API returns.
struct KernelHandleTraits {
    using Handle = HANDLE;
    static HANDLE invalid() noexcept { return nullptr; }
    static bool isValid(HANDLE h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) noexcept { ::CloseHandle(h); }
};
using UniqueHandle = UniqueResource<KernelHandleTraits>;

struct FindHandleTraits {
    using Handle = HANDLE;
    static HANDLE invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool isValid(HANDLE h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) noexcept { ::FindClose(h); }
};
using UniqueFindHandle = UniqueResource<FindHandleTraits>;

using UniqueHKey = UniqueResource<NullIsInvalid<HKEY, &::RegCloseKey>>;
using UniqueLibrary = UniqueResource<NullIsInvalid<HMODULE, &::FreeLibrary>>;
using UniqueServiceHandle = UniqueResource<NullIsInvalid<SC_HANDLE, &::CloseServiceHandle>>;

}  // namespace tavik
