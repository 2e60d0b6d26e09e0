#include "native/process/ProcessRules.h"

#include <algorithm>
#include <utility>

namespace tavik::native::process {

CloseRound::CloseRound(std::vector<std::int32_t> ids) : ids_(std::move(ids)), found_(ids_.size(), false) {}

bool CloseRound::noteWindowOf(std::uint32_t processId) {
    bool listed = false;
    for (std::size_t i = 0; i < ids_.size(); ++i) {
        if (static_cast<std::uint32_t>(ids_[i]) != processId) continue;
        found_[i] = true;
        listed = true;
    }
    return listed;
}

EndStatus CloseRound::status() const {
    const bool allFound = std::all_of(found_.begin(), found_.end(), [](bool found) { return found; });
    return allFound && !postFailed_ ? EndStatus::Done : EndStatus::NotEnded;
}

EndStatus statusOfWait(std::uint32_t waitResult) {
    if (waitResult == kWaitAllSignalled) return EndStatus::Done;
    if (waitResult == kWaitTimeout) return EndStatus::TimedOut;
    return EndStatus::WaitFailed;
}

bool TitleSearch::offer(bool visible, std::u16string title) {
    if (title.empty()) return true;
    title_ = std::move(title);
    return !visible;
}

bool isListedWindow(const WindowFacts& window, std::uint32_t processId) {
    return window.processId == processId && !window.owned && window.visible;
}

bool isDescribed(std::int32_t style, std::u16string_view className, std::u16string_view title) {
    return style != 0 && !className.empty() && !title.empty();
}

std::u16string entryPrefix(std::uint32_t processId) {
    const std::string digits = std::to_string(static_cast<std::int32_t>(processId)) + " ";
    return std::u16string(digits.begin(), digits.end());
}

std::size_t pathRoom(std::u16string_view prefix) {
    return prefix.size() < kEntryUnits ? kEntryUnits - prefix.size() : 0;
}

bool isTemporaryImage(std::u16string_view path) {
    constexpr std::u16string_view suffix = u".tmp";
    return path.size() >= suffix.size() && path.substr(path.size() - suffix.size()) == suffix;
}

std::vector<std::u16string> environmentEntries(const char16_t* block) {
    std::vector<std::u16string> entries;
    if (block == nullptr) return entries;
    for (std::u16string_view entry(block); !entry.empty(); entry = std::u16string_view(entry.data() + entry.size() + 1))
        entries.emplace_back(entry);
    return entries;
}

bool mayQueryName(std::uint32_t grantedAccess) { return grantedAccess != kHangingPipeAccess; }

bool isListedFile(std::u16string_view typeName, std::u16string_view objectName) {
    return typeName == u"File" && !objectName.empty();
}

}  // namespace tavik::native::process
