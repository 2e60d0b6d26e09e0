#include "native/dialogs/TaskDialog.h"

#include <commctrl.h>

#include <atomic>

#include "common/win/SystemLibrary.h"
#include "native/dialogs/DialogRules.h"

namespace tavik::native::dialogs {
namespace {

using TaskDialogIndirectFn = HRESULT(WINAPI*)(const TASKDIALOGCONFIG*, int*, int*, BOOL*);

// Only a comctl32 loaded already, so the one the process chose (by its
// manifest) is used. Kept once found; until then each call looks again, as
// the process may load it later.
TaskDialogIndirectFn taskDialogIndirect() noexcept {
    static std::atomic<TaskDialogIndirectFn> found{nullptr};
    TaskDialogIndirectFn function = found.load();
    if (function == nullptr) {
        function = findFunction<TaskDialogIndirectFn>(::GetModuleHandleW(L"Comctl32.dll"), "TaskDialogIndirect");
        if (function != nullptr) found.store(function);
    }
    return function;
}

const wchar_t* wideOrNull(const std::optional<std::u16string>& text) {
    return text ? reinterpret_cast<const wchar_t*>(text->c_str()) : nullptr;
}

struct Raising {
    HWND parent;
    std::uint32_t timerCount = 0;
};

// Keeps the dialog just behind its parent in the z-order while it is shown.
HRESULT CALLBACK raiseOnTimer(HWND dialog, UINT notification, WPARAM, LPARAM, LONG_PTR data) {
    if (notification == TDN_TIMER) {
        Raising& raising = *reinterpret_cast<Raising*>(data);
        ::SetWindowPos(dialog, raising.parent, 0, 0, 0, 0, raiseFlags(++raising.timerCount));
    }
    return S_OK;
}

}  // namespace

std::optional<std::int32_t> runTaskDialog(const TaskDialogRequest& request) {
    const TaskDialogIndirectFn show = taskDialogIndirect();
    if (show == nullptr) return std::nullopt;

    std::vector<TASKDIALOG_BUTTON> buttons;
    for (std::size_t i = 0; i < request.buttons.size(); ++i)
        buttons.push_back({buttonId(static_cast<std::int32_t>(i)),
                           reinterpret_cast<const wchar_t*>(request.buttons[i].c_str())});
    Raising raising{request.parent};

    TASKDIALOGCONFIG config{};
    config.cbSize = sizeof config;
    config.hwndParent = request.parent;
    config.dwFlags = taskDialogFlags(request.extraFlags, request.parent != nullptr,
                                     request.parent != nullptr && ::IsIconic(request.parent) != FALSE);
    config.pszWindowTitle = wideOrNull(request.title);
    config.pszMainInstruction = wideOrNull(request.instruction);
    config.pszContent = wideOrNull(request.content);
    config.hMainIcon = ::LoadIconW(nullptr, MAKEINTRESOURCEW(request.iconId));
    config.cButtons = static_cast<UINT>(buttons.size());
    config.pButtons = buttons.empty() ? nullptr : buttons.data();
    config.nDefaultButton = buttonId(request.defaultButton);
    config.pszVerificationText = wideOrNull(request.verification);
    config.cxWidth = request.width;
    if (request.parent != nullptr) {
        config.pfCallback = &raiseOnTimer;
        config.lpCallbackData = reinterpret_cast<LONG_PTR>(&raising);
    }

    int pressed = 0;
    BOOL verified = FALSE;
    show(&config, &pressed, nullptr, &verified);
    return taskDialogResult(pressed, verified != FALSE);
}

}  // namespace tavik::native::dialogs
