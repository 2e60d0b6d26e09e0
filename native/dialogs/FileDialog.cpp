#include "native/dialogs/FileDialog.h"

#include <shobjidl.h>

#include "common/win/SystemLibrary.h"
#include "common/win/WideText.h"
#include "native/dialogs/ComObject.h"

namespace tavik::native::dialogs {
namespace {

constexpr CLSID kOpenDialogClass = {0xDC1C5A9C, 0xE88A, 0x4DDE, {0xA5, 0xA1, 0x60, 0xF8, 0x2A, 0x20, 0xAE, 0xF7}};
constexpr IID kOpenDialogInterface = {0xD57C7288, 0xD4AD, 0x4768, {0xBE, 0x02, 0x9D, 0x96, 0x95, 0x32, 0xD9, 0x60}};
constexpr CLSID kSaveDialogClass = {0xC0B4E2F3, 0xBA21, 0x4773, {0x8D, 0xBA, 0x33, 0x5E, 0xC9, 0x46, 0xEB, 0x8B}};
constexpr IID kDialogInterface = {0x42F85136, 0xDB7E, 0x439C, {0x85, 0xF1, 0xE4, 0x07, 0x5D, 0x13, 0x5F, 0xC8}};
constexpr IID kCustomizeInterface = {0xE6FDD21A, 0x163F, 0x4975, {0x9C, 0x8C, 0xA6, 0x9F, 0x1B, 0xA3, 0x70, 0x34}};
constexpr IID kShellItemInterface = {0x43826D1E, 0xE718, 0x42EE, {0xBC, 0x55, 0xA1, 0xE2, 0x61, 0xC3, 0x7B, 0xFE}};
constexpr IID kShellItemArrayInterface = {0xB63EA76D, 0x1F85, 0x456F, {0xA1, 0x9C, 0x48, 0x15, 0x9E, 0xFA, 0x85, 0x8B}};

using CreateItemFn = HRESULT(WINAPI*)(PCWSTR, IBindCtx*, REFIID, void**);
using CreateItemArrayFn = HRESULT(WINAPI*)(IShellItem*, REFIID, void**);

struct ShellItemFunctions {
    CreateItemFn createItem = nullptr;
    CreateItemArrayFn createItemArray = nullptr;
};

const ShellItemFunctions& shellItemFunctions() noexcept {
    static const ShellItemFunctions bound = [] {
        const HMODULE shell32 = systemLibrary(L"shell32.dll");
        return ShellItemFunctions{findFunction<CreateItemFn>(shell32, "SHCreateItemFromParsingName"),
                                  findFunction<CreateItemArrayFn>(shell32, "SHCreateShellItemArrayFromShellItem")};
    }();
    return bound;
}

// An open dialog is held through its IFileOpenDialog, which starts with IFileDialog.
ComObject<IFileDialog> createDialog(bool save) {
    ComObject<IFileDialog> dialog;
    const HRESULT created =
        save ? ::CoCreateInstance(kSaveDialogClass, nullptr, CLSCTX_INPROC_SERVER, kDialogInterface, asOut(dialog))
             : ::CoCreateInstance(kOpenDialogClass, nullptr, CLSCTX_INPROC_SERVER, kOpenDialogInterface, asOut(dialog));
    if (FAILED(created)) dialog.release();
    return dialog;
}

const wchar_t* wide(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

void applyOptions(IFileDialog& dialog, const FileDialogRequest& request) {
    FILEOPENDIALOGOPTIONS current = 0;
    if (SUCCEEDED(dialog.GetOptions(&current)))
        dialog.SetOptions(fileDialogOptions(current, request.addOptions, request.removeOptions));
}

void applyFilters(IFileDialog& dialog, const FileDialogRequest& request) {
    if (request.filters.empty()) return;
    std::vector<COMDLG_FILTERSPEC> fileTypes;
    for (const FileFilter& filter : request.filters) fileTypes.push_back({wide(filter.name), wide(filter.pattern)});
    dialog.SetFileTypes(static_cast<UINT>(fileTypes.size()), fileTypes.data());
    if (const std::optional<std::uint32_t> index = fileTypeIndex(request.filterIndex)) dialog.SetFileTypeIndex(*index);
}

// Null when there are no boxes or the dialog cannot take them.
ComObject<IFileDialogCustomize> addCheckBoxes(IFileDialog& dialog, const CheckBoxLayout& layout) {
    ComObject<IFileDialogCustomize> customize;
    if (layout.boxes.empty() || FAILED(dialog.QueryInterface(kCustomizeInterface, asOut(customize)))) return {};
    if (layout.grouped) customize.get()->StartVisualGroup(kOptionsGroupId, wide(kOptionsGroupLabel));
    for (const CheckBox& box : layout.boxes)
        customize.get()->AddCheckButton(box.id, wide(box.label), box.checked ? TRUE : FALSE);
    if (layout.grouped) customize.get()->EndVisualGroup();
    return customize;
}

void applyTexts(IFileDialog& dialog, const FileDialogRequest& request) {
    if (request.defaultExtension) dialog.SetDefaultExtension(wide(*request.defaultExtension));
    if (request.title) dialog.SetTitle(wide(*request.title));
    if (request.okLabel) dialog.SetOkButtonLabel(wide(*request.okLabel));
}

void applyFolder(IFileDialog& dialog, const std::u16string& path, const ShellItemFunctions& shell) {
    ComObject<IShellItem> folder;
    if (SUCCEEDED(shell.createItem(wide(path), nullptr, kShellItemInterface, asOut(folder))))
        dialog.SetFolder(folder.get());
}

// A box the dialog cannot report on counts as clear.
std::vector<bool> checkBoxStates(IFileDialogCustomize* customize, const CheckBoxLayout& layout) {
    std::vector<bool> states;
    for (const CheckBox& box : layout.boxes) {
        BOOL checked = FALSE;
        states.push_back(customize != nullptr && SUCCEEDED(customize->GetCheckButtonState(box.id, &checked)) &&
                         checked != FALSE);
    }
    return states;
}

ComObject<IShellItemArray> chosenItems(IFileDialog& dialog, bool save, const ShellItemFunctions& shell) {
    ComObject<IShellItemArray> items;
    if (!save) {
        if (FAILED(static_cast<IFileOpenDialog&>(dialog).GetResults(items.put()))) items.release();
        return items;
    }
    ComObject<IShellItem> saved;
    if (FAILED(dialog.GetResult(saved.put())) ||
        FAILED(shell.createItemArray(saved.get(), kShellItemArrayInterface, asOut(items))))
        items.release();
    return items;
}

std::optional<std::u16string> fileSystemPath(IShellItem& item) {
    TaskMemoryText name;
    if (FAILED(item.GetDisplayName(SIGDN_FILESYSPATH, name.put())) || !name || name.get()[0] == L'\0')
        return std::nullopt;
    return toU16(name.get());
}

std::optional<ChosenPaths> pathsOf(IShellItemArray& items) {
    DWORD count = 0;
    if (FAILED(items.GetCount(&count))) return std::nullopt;
    ChosenPaths paths;
    for (DWORD i = 0; i < count; ++i) {
        ComObject<IShellItem> item;
        paths.push_back(SUCCEEDED(items.GetItemAt(i, item.put())) ? fileSystemPath(*item.get()) : std::nullopt);
    }
    return paths;
}

}  // namespace

std::optional<FileDialogChoice> runFileDialog(const FileDialogRequest& request) {
    const ShellItemFunctions& shell = shellItemFunctions();
    if (shell.createItem == nullptr || shell.createItemArray == nullptr) return std::nullopt;
    const ComObject<IFileDialog> created = createDialog(request.save);
    if (!created) return std::nullopt;
    IFileDialog& dialog = *created.get();

    applyOptions(dialog, request);
    applyFilters(dialog, request);
    const ComObject<IFileDialogCustomize> customize = addCheckBoxes(dialog, request.checkBoxes);
    applyTexts(dialog, request);
    dialog.ClearClientData();
    if (request.folder) applyFolder(dialog, *request.folder, shell);
    if (request.fileName) dialog.SetFileName(wide(*request.fileName));

    if (FAILED(dialog.Show(request.parent))) return std::nullopt;
    FileDialogChoice choice;
    choice.checkBoxStates = checkBoxStates(customize.get(), request.checkBoxes);
    const ComObject<IShellItemArray> items = chosenItems(dialog, request.save, shell);
    if (items) choice.paths = pathsOf(*items.get());
    return choice;
}

}  // namespace tavik::native::dialogs
