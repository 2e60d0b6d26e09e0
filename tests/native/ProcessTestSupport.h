#pragma once
// Support for the process, window and handle natives' tests: children of the
// test program to end, name and look at, and the system's own view of
// windows, files and the pending-rename list, never through the code under test.
#include <windows.h>

#include <jni.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "common/win/Handles.h"
#include "tests/native/support/TestJni.h"

namespace tavik::test::proc {

namespace fs = std::filesystem;

// The natives of Misc, Win32Exec and Win32Handle as a VM binding by name finds them in the real DLL.
struct Natives {
    using VoidOfNothing = void(JNICALL*)(JNIEnv*, jclass);
    using ArrayOfFlag = jobjectArray(JNICALL*)(JNIEnv*, jclass, jboolean);
    using ArrayOfNothing = jobjectArray(JNICALL*)(JNIEnv*, jclass);
    using LongOfNothing = jlong(JNICALL*)(JNIEnv*, jclass);
    using LongOfString = jlong(JNICALL*)(JNIEnv*, jclass, jstring);
    using BooleanOfStrings = jboolean(JNICALL*)(JNIEnv*, jclass, jstring, jstring);
    using Terminate = jint(JNICALL*)(JNIEnv*, jclass, jintArray, jboolean, jint);
    using StringOfInt = jstring(JNICALL*)(JNIEnv*, jclass, jint);
    using VoidOfLong = void(JNICALL*)(JNIEnv*, jclass, jlong);
    using Windows = jobjectArray(JNICALL*)(JNIEnv*, jclass, jclass, jint);
    using IntOfLong = jint(JNICALL*)(JNIEnv*, jclass, jlong);
    using IntOfStrings = jint(JNICALL*)(JNIEnv*, jclass, jstring, jstring);
    using BooleanOfInt = jboolean(JNICALL*)(JNIEnv*, jclass, jint);
    using StringOfString = jstring(JNICALL*)(JNIEnv*, jclass, jstring);

    testjni::NativeLibrary library{testjni::rwtnativePath()};
    const ArrayOfFlag getRunningModules = library.native<ArrayOfFlag>("Misc", "getRunningModules0");
    const ArrayOfNothing getEnvVarPairs = library.native<ArrayOfNothing>("Misc", "getEnvVarPairs0");
    const VoidOfNothing broadcastSettingChange = library.native<VoidOfNothing>("Misc", "broadcastSettingChange0");
    const LongOfNothing getPhysicalMemory = library.native<LongOfNothing>("Misc", "getPhysicalMemory0");
    const LongOfString getFreeDiskSpace = library.native<LongOfString>("Misc", "getFreeDiskSpace0");
    const BooleanOfStrings moveWithDelayUntilReboot = library.native<BooleanOfStrings>("Misc", "moveWithDelayUntilReboot0");
    const VoidOfNothing toFront = library.native<VoidOfNothing>("Misc", "toFront0");
    const Terminate terminateProcesses = library.native<Terminate>("Misc", "terminateProcesses0");
    const StringOfInt getWindowTitle = library.native<StringOfInt>("Misc", "getWindowTitle0");
    const VoidOfLong setForegroundWindow = library.native<VoidOfLong>("Misc", "setForegroundWindow0");
    const Windows getTopLevelWindows = library.native<Windows>("Misc", "getTopLevelWindows0");
    const IntOfLong getPidFromHandle = library.native<IntOfLong>("Misc", "getPidFromHandle0");
    const IntOfStrings launch = library.native<IntOfStrings>("Win32Exec", "launch0");
    const ArrayOfNothing list = library.native<ArrayOfNothing>("Win32Handle", "list0");
    const BooleanOfInt close = library.native<BooleanOfInt>("Win32Handle", "close0");
    const StringOfString getDeviceName = library.native<StringOfString>("Win32Handle", "getDeviceName0");
};

// Handles and window handles cross as jlong.
inline jlong asJava(const void* handle) { return static_cast<jlong>(reinterpret_cast<std::intptr_t>(handle)); }

// The class of every window the children and the tests make.
inline constexpr wchar_t kWindowClass[] = L"TavikProcessTest";

// A child of the test program running `scenario` ("--child <scenario> ...");
// ended at scope end if it still runs.
class RunningChild {
public:
    explicit RunningChild(const std::string& scenario, const std::vector<std::wstring>& arguments = {},
                          const fs::path& executable = {});
    ~RunningChild();
    RunningChild(RunningChild&&) = default;
    RunningChild& operator=(RunningChild&&) = default;

    DWORD id() const { return id_; }
    HANDLE handle() const { return process_.get(); }
    bool hasEnded(DWORD waitMillis = 0) const;
    DWORD exitCode() const;

private:
    UniqueHandle process_;
    DWORD id_ = 0;
};

// The top-level windows of a process in enumeration order, visible or not.
std::vector<HWND> topLevelWindowsOf(DWORD processId);
// Waits up to 20 s until the process shows `count` visible top-level windows.
bool waitForVisibleWindows(DWORD processId, std::size_t count);
std::wstring windowTitle(HWND window);
HWND windowTitled(DWORD processId, const std::wstring& title);

// A window of the test process itself, destroyed at scope end.
struct OwnWindow {
    HWND handle = nullptr;
    explicit OwnWindow(const wchar_t* title, DWORD style = WS_OVERLAPPEDWINDOW | WS_VISIBLE, HWND owner = nullptr);
    ~OwnWindow();
    OwnWindow(const OwnWindow&) = delete;
    OwnWindow& operator=(const OwnWindow&) = delete;
};
// Registers kWindowClass with a procedure that, when `closeEnds` is false,
// ignores WM_CLOSE, and records the text of every WM_SETTINGCHANGE.
void registerWindowClass(bool closeEnds);
const std::vector<std::wstring>& settingChangesSeen();
// Handles what is posted and sent to this thread's windows until none is left.
void pumpMessages();

// The pending-rename list of the session manager, raw: nullopt when there is none.
std::optional<std::vector<wchar_t>> pendingRenames();
// Puts the list back as it was: removed when it was missing.
void restorePendingRenames(const std::optional<std::vector<wchar_t>>& saved);
// The zero-terminated strings of a REG_MULTI_SZ.
std::vector<std::wstring> multiStrings(const std::vector<wchar_t>& raw);

// The environment block of this process, entry by entry.
std::vector<std::u16string> environmentOfThisProcess();

}  // namespace tavik::test::proc
