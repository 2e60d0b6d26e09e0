#pragma once
// The decisions of the process, window and handle natives that need no
// system: what ending processes came to, which title a process shows, which
// windows and handles are listed, and how entries are spelled.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavik::native::process {

// What terminateProcesses0 answers; the Java side knows these numbers.
enum class EndStatus : std::int32_t {
    NotEnded = 0,    // a process could not be ended or closed, or had no visible window
    Done = 1,
    WaitFailed = 2,  // a process could not be opened for waiting, or the wait failed
    TimedOut = 3,
};

// The close requests of one round: which listed ids had a visible window.
class CloseRound {
public:
    explicit CloseRound(std::vector<std::int32_t> ids);

    // True when `processId` is listed; every entry of that id is then found.
    bool noteWindowOf(std::uint32_t processId);
    void notePostFailed() { postFailed_ = true; }

    // NotEnded when a post failed or an id met no visible window.
    EndStatus status() const;

private:
    std::vector<std::int32_t> ids_;
    std::vector<bool> found_;
    bool postFailed_ = false;
};

inline constexpr std::uint32_t kWaitAllSignalled = 0;  // WAIT_OBJECT_0
inline constexpr std::uint32_t kWaitTimeout = 258;     // WAIT_TIMEOUT

// Anything but all ended or the time-out is a failed wait.
EndStatus statusOfWait(std::uint32_t waitResult);

// The title getWindowTitle0 gives: the first visible titled window's, else
// the last titled invisible one's, else empty. Windows are offered in
// enumeration order.
class TitleSearch {
public:
    // False once the search is over: a visible window had a title.
    bool offer(bool visible, std::u16string title);
    const std::u16string& title() const { return title_; }

private:
    std::u16string title_;
};

// A top-level window as getTopLevelWindows0 looks at it.
struct WindowFacts {
    std::uint32_t processId = 0;
    bool owned = false;
    bool visible = false;
};
bool isListedWindow(const WindowFacts& window, std::uint32_t processId);
// Only a window with a class name, a title and a style gets an object; the
// others leave their slot empty.
bool isDescribed(std::int32_t style, std::u16string_view className, std::u16string_view title);

// A getRunningModules0 entry: "<id> <path>" with the id as a signed decimal,
// at most kEntryUnits units with the terminating zero.
inline constexpr std::size_t kEntryUnits = 4096;
std::u16string entryPrefix(std::uint32_t processId);
// Room for the path behind the prefix, terminator included; 0 when none.
std::size_t pathRoom(std::u16string_view prefix);
// An image ending in ".tmp" (this case only) is named by its main module instead.
bool isTemporaryImage(std::u16string_view path);

// The entries of an environment block: zero-terminated texts up to an empty one.
std::vector<std::u16string> environmentEntries(const char16_t* block);

// A handle of the system table as list0 judges it.
inline constexpr std::uint32_t kHangingPipeAccess = 0x0012019F;
// The name query of a handle with this access (a synchronous pipe) may never return.
bool mayQueryName(std::uint32_t grantedAccess);
bool isListedFile(std::u16string_view typeName, std::u16string_view objectName);

}  // namespace tavik::native::process
