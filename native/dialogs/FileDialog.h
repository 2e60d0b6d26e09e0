#pragma once
// The common item file dialog, open or save, run modally on the calling
// thread. The thread must have initialised COM.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "native/dialogs/DialogRules.h"

namespace tavik::native::dialogs {

struct FileDialogRequest {
    HWND parent = nullptr;
    bool save = false;
    std::optional<std::u16string> title, okLabel, folder, fileName, defaultExtension;
    std::uint32_t addOptions = 0;
    std::uint32_t removeOptions = 0;
    std::vector<FileFilter> filters;
    std::int32_t filterIndex = -1;
    CheckBoxLayout checkBoxes;
};

// One per chosen item; nullopt for an item without a file-system path.
using ChosenPaths = std::vector<std::optional<std::u16string>>;

struct FileDialogChoice {
    // Nullopt when the dialog closed with OK but would not name its choice.
    std::optional<ChosenPaths> paths;
    // The state the user left each check box in, in layout order.
    std::vector<bool> checkBoxStates;
};

// Nullopt when the dialog was cancelled or could not be shown.
std::optional<FileDialogChoice> runFileDialog(const FileDialogRequest& request);

}  // namespace tavik::native::dialogs
