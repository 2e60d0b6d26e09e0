#include "native/dialogs/DialogRules.h"

#include <algorithm>

namespace tavik::native::dialogs {

std::uint32_t fileDialogOptions(std::uint32_t current, std::uint32_t add, std::uint32_t remove) {
    return (current | add) & ~remove;
}

std::vector<FileFilter> pairFilters(const std::vector<std::u16string>& names,
                                    const std::vector<std::u16string>& patterns) {
    std::vector<FileFilter> filters;
    const std::size_t count = std::min(names.size(), patterns.size());
    for (std::size_t i = 0; i < count; ++i) filters.push_back({names[i], patterns[i]});
    return filters;
}

std::optional<std::uint32_t> fileTypeIndex(std::int32_t zeroBasedIndex) {
    if (zeroBasedIndex < 0) return std::nullopt;
    return static_cast<std::uint32_t>(zeroBasedIndex) + 1;
}

CheckBoxLayout layoutCheckBoxes(const std::vector<std::u16string>& labels, const std::vector<bool>& states) {
    CheckBoxLayout layout;
    layout.grouped = labels.size() > 1;
    for (std::size_t i = 0; i < labels.size(); ++i)
        layout.boxes.push_back({static_cast<std::uint32_t>(i + 1), labels[i], i < states.size() && states[i]});
    return layout;
}

std::size_t statesToCopyBack(std::size_t labelCount, std::size_t stateCount) {
    return std::min(labelCount, stateCount);
}

std::uint32_t taskDialogFlags(std::uint32_t extra, bool hasParent, bool parentMinimised) {
    std::uint32_t flags = extra | kUseMainIconHandle | kCallbackTimer;
    if (hasParent && !parentMinimised) flags |= kPositionRelativeToWindow;
    return flags;
}

std::int32_t buttonId(std::int32_t zeroBasedIndex) { return zeroBasedIndex + kFirstButtonId; }

std::int32_t taskDialogResult(std::int32_t pressedId, bool verificationChecked) {
    const std::int32_t chosen = pressedId <= kFirstButtonId - 1 ? kClosedOtherwise : pressedId - (kFirstButtonId - 1);
    return verificationChecked ? -chosen : chosen;
}

std::uint32_t raiseFlags(std::uint32_t timerCount) {
    constexpr std::uint32_t kActivatingRaises = 5;
    return kNoMove | kNoSize | (timerCount > kActivatingRaises ? kNoActivate : 0);
}

namespace {

constexpr std::uint32_t kTargetComputer = 0x1;  // DSOP_SCOPE_TYPE_TARGET_COMPUTER
// Target computer, joined and enterprise domains, global catalog, external
// domains, user-entered scopes.
constexpr std::uint32_t kAllScopes = 0x36F;
constexpr std::uint32_t kUsersAndGroupsByDefault = 0xC0;

constexpr std::uint32_t kUpLevelGroups = 0x3F4;
constexpr std::uint32_t kUpLevelUsers = 0x2;
constexpr std::uint32_t kUpLevelWellKnown = 0x8;

constexpr std::uint32_t kDownLevelGroups = 0x80000006;     // local and global groups
constexpr std::uint32_t kDownLevelUsers = 0x80000001;
constexpr std::uint32_t kDownLevelAllWellKnown = 0x80020000;
constexpr std::uint32_t kDownLevelServiceAccounts = 0x800C4000;  // system, local service, network service

}  // namespace

PickerScope pickerScope(const PickerRequest& request) {
    PickerScope scope{request.localComputerOnly ? kTargetComputer : kAllScopes, kUsersAndGroupsByDefault, 0, 0};
    if (request.groups) {
        scope.upLevelFilter |= kUpLevelGroups;
        scope.downLevelFilter |= kDownLevelGroups;
    }
    if (request.users) {
        scope.upLevelFilter |= kUpLevelUsers;
        scope.downLevelFilter |= kDownLevelUsers;
    }
    if (request.wellKnownPrincipals) {
        scope.upLevelFilter |= kUpLevelWellKnown;
        scope.downLevelFilter |= request.groups ? kDownLevelAllWellKnown : kDownLevelServiceAccounts;
    }
    return scope;
}

}  // namespace tavik::native::dialogs
