#include "native/system/ShellBinding.h"

#include "common/win/SystemLibrary.h"

namespace tavik::native::shell {
namespace {

using ChangeNotifyFn = void(WINAPI*)(LONG, UINT, LPCVOID, LPCVOID);
using ShellExecuteFn = HINSTANCE(WINAPI*)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);

struct ShellFunctions {
    ChangeNotifyFn changeNotify = nullptr;
    ShellExecuteFn shellExecute = nullptr;
};

// shell32 pulls these in as it loads; loaded first from the system directory,
// they cannot be picked up from the application's. Either may be missing.
void preloadShellDependencies() noexcept {
    systemLibrary(L"davhlpr.dll");
    systemLibrary(L"fwbase.dll");
}

ShellFunctions bind() noexcept {
    preloadShellDependencies();
    const HMODULE shell32 = systemLibrary(L"shell32.dll");
    ShellFunctions found{findFunction<ChangeNotifyFn>(shell32, "SHChangeNotify"),
                         findFunction<ShellExecuteFn>(shell32, "ShellExecuteW")};
    if (found.changeNotify == nullptr || found.shellExecute == nullptr) return {};
    return found;
}

const ShellFunctions& functions() noexcept {
    static const ShellFunctions bound = bind();
    return bound;
}

}  // namespace

bool changeNotify(LONG event, UINT flags, const void* item1, const void* item2) noexcept {
    const ShellFunctions& shell = functions();
    if (shell.changeNotify == nullptr) return false;
    shell.changeNotify(event, flags, item1, item2);
    return true;
}

HINSTANCE shellExecute(HWND window, const wchar_t* operation, const wchar_t* file, const wchar_t* parameters,
                       const wchar_t* directory, int show) noexcept {
    const ShellFunctions& shell = functions();
    if (shell.shellExecute == nullptr) return nullptr;
    return shell.shellExecute(window, operation, file, parameters, directory, show);
}

}  // namespace tavik::native::shell
