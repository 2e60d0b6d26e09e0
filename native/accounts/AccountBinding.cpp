#include "native/accounts/AccountBinding.h"

namespace tavik::native::accounts {

HMODULE advapi32() noexcept { return ::GetModuleHandleW(L"advapi32.dll"); }

HMODULE netapi32() noexcept {
    const HMODULE loaded = ::GetModuleHandleW(L"netapi32.dll");
    return loaded != nullptr ? loaded : systemLibrary(L"netapi32.dll");
}

}  // namespace tavik::native::accounts
