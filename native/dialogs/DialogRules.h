#pragma once
// The decisions of the dialog natives that need no system: which options a
// file dialog gets, how filters and check boxes are laid out, what a task
// dialog is given and what its answer means, and what an object picker asks
// the directory for.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavik::native::dialogs {

// ---- File dialog.

std::uint32_t fileDialogOptions(std::uint32_t current, std::uint32_t add, std::uint32_t remove);

struct FileFilter {
    std::u16string name;
    std::u16string pattern;
};
// Entry i pairs name i with pattern i; a name without a pattern is left out,
// so a short patterns array cannot be read past its end.
std::vector<FileFilter> pairFilters(const std::vector<std::u16string>& names,
                                    const std::vector<std::u16string>& patterns);

// The dialog counts file types from 1; nullopt leaves its choice alone.
std::optional<std::uint32_t> fileTypeIndex(std::int32_t zeroBasedIndex);

inline constexpr std::uint32_t kOptionsGroupId = 100000;
inline constexpr char16_t kOptionsGroupLabel[] = u"Options:";

struct CheckBox {
    std::uint32_t id;
    std::u16string label;
    bool checked;
};
struct CheckBoxLayout {
    bool grouped = false;  // under kOptionsGroupLabel, as group kOptionsGroupId
    std::vector<CheckBox> boxes;
};
// One box per label, ids from 1. A label past the end of `states` starts clear.
CheckBoxLayout layoutCheckBoxes(const std::vector<std::u16string>& labels, const std::vector<bool>& states);

// How many states the dialog hands back: never more than either side holds.
std::size_t statesToCopyBack(std::size_t labelCount, std::size_t stateCount);

// ---- Task dialog.

inline constexpr std::uint32_t kUseMainIconHandle = 0x0002;      // TDF_USE_HICON_MAIN
inline constexpr std::uint32_t kCallbackTimer = 0x0800;          // TDF_CALLBACK_TIMER
inline constexpr std::uint32_t kPositionRelativeToWindow = 0x1000;  // TDF_POSITION_RELATIVE_TO_WINDOW

// Centred on the parent only when there is one to see.
std::uint32_t taskDialogFlags(std::uint32_t extra, bool hasParent, bool parentMinimised);

inline constexpr std::int32_t kFirstButtonId = 101;
std::int32_t buttonId(std::int32_t zeroBasedIndex);

inline constexpr std::int32_t kClosedOtherwise = 1000;
// The chosen button counted from 1, else kClosedOtherwise; negative when the
// verification box was checked.
std::int32_t taskDialogResult(std::int32_t pressedId, bool verificationChecked);

inline constexpr std::uint32_t kNoMove = 0x0002;      // SWP_NOMOVE
inline constexpr std::uint32_t kNoSize = 0x0001;      // SWP_NOSIZE
inline constexpr std::uint32_t kNoActivate = 0x0010;  // SWP_NOACTIVATE
// The SetWindowPos flags of the timer's n-th raise, n from 1: after the first
// few the dialog stops taking the focus from whatever the user went on to.
std::uint32_t raiseFlags(std::uint32_t timerCount);

// ---- Object picker.

struct PickerRequest {
    bool multipleSelection = false;
    bool groups = false;
    bool users = false;
    bool wellKnownPrincipals = false;
    bool localComputerOnly = false;
};
struct PickerScope {
    std::uint32_t scopeTypes;
    std::uint32_t scopeFlags;
    std::uint32_t upLevelFilter;
    std::uint32_t downLevelFilter;
};
PickerScope pickerScope(const PickerRequest& request);

}  // namespace tavik::native::dialogs
