#pragma once
// The task dialog with custom buttons and a verification box, run modally on
// the calling thread through the TaskDialogIndirect of the comctl32 that the
// process has loaded already.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavik::native::dialogs {

struct TaskDialogRequest {
    HWND parent = nullptr;
    std::optional<std::u16string> title, instruction, content, verification;
    std::uint32_t extraFlags = 0;
    std::int32_t iconId = 0;
    std::uint32_t width = 0;  // dialog units, 0: automatic
    std::vector<std::u16string> buttons;
    std::int32_t defaultButton = 0;  // index into `buttons`
};

// What taskDialogResult makes of the user's answer; nullopt when no loaded
// comctl32 offers the dialog.
std::optional<std::int32_t> runTaskDialog(const TaskDialogRequest& request);

}  // namespace tavik::native::dialogs
