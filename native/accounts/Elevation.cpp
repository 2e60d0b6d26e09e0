#include "native/accounts/Elevation.h"

#include "common/win/SystemLibrary.h"
#include "native/system/ShellBinding.h"

namespace tavik::native::accounts {
namespace {

// The elevation prompt's logon support, loaded from the system directory
// before the shell can pull it in from elsewhere. Its absence is no failure.
void preloadLogonSupport() noexcept {
    static const HMODULE sspicli = systemLibrary(L"sspicli.dll");
    static_cast<void>(sspicli);
}

}  // namespace

bool executeElevated(const wchar_t* file, const wchar_t* parameters, const wchar_t* directory, int show) noexcept {
    preloadLogonSupport();
    const HINSTANCE result = shell::shellExecute(nullptr, L"runas", file, parameters, directory, show);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace tavik::native::accounts
