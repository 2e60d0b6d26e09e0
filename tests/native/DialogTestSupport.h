#pragma once
// Support for the dialog natives' tests: the natives as the real DLL exports
// them, and a driver that works a dialog the way a user would, from a thread
// of its own, through the windows and controls the system shows.
#include <windows.h>

#include <jni.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/win/Handles.h"
#include "tests/native/support/TestJni.h"

namespace tavik::test::dlg {

struct DialogNatives {
    using Initialize = void(JNICALL*)(JNIEnv*, jclass);
    using FileDialog = jobjectArray(JNICALL*)(JNIEnv*, jclass, jlong, jstring, jstring, jstring, jstring, jint, jint,
                                              jboolean, jstring, jobjectArray, jobjectArray, jint, jobjectArray,
                                              jbooleanArray);
    using TaskDialog = jint(JNICALL*)(JNIEnv*, jclass, jlong, jstring, jstring, jstring, jint, jint, jint, jstring,
                                      jobjectArray, jint);
    using Picker = jobjectArray(JNICALL*)(JNIEnv*, jclass, jboolean, jboolean, jboolean, jboolean, jboolean);

    testjni::NativeLibrary library{testjni::rwtnativePath()};
    const Initialize initializeFileChooser = library.native<Initialize>("VistaFileChooser", "initialize0");
    const FileDialog displayDialog = library.native<FileDialog>("VistaFileChooser", "displayDialog0");
    const TaskDialog showTaskDialog = library.native<TaskDialog>("VistaTaskDialog", "show0");
    const Picker showObjectPicker = library.native<Picker>("ObjectPicker", "show0");
};

inline jlong asJava(HWND window) { return static_cast<jlong>(reinterpret_cast<std::intptr_t>(window)); }

// ---- Windows and controls, as any other program of the session sees them.

std::wstring windowText(HWND window);
std::wstring classOf(HWND window);
// Every descendant, depth first.
std::vector<HWND> descendants(HWND window);
// The first visible descendant of this class and text; null when none.
HWND findControl(HWND dialog, const wchar_t* className, const std::wstring& text);
// The visible descendants of this class, in order.
std::vector<HWND> controlsOf(HWND dialog, const wchar_t* className);
// The visible top-level windows of a thread.
std::vector<HWND> visibleWindowsOf(DWORD threadId);
// Checks or clears a box and tells its parent, as a click would; a box
// already so is left alone.
void setCheck(HWND box, bool checked);
bool isChecked(HWND box);
// Posted, so that a dialog that opens another one on it does not hold up the driver.
void press(HWND button);
// Shows what a failing test met: the dialog's controls, one a line.
std::string describe(HWND dialog);

// A window of the test's own, destroyed at scope end.
struct OwnWindow {
    HWND handle = nullptr;
    OwnWindow(const wchar_t* title, int x, int y, int width, int height);
    ~OwnWindow();
    OwnWindow(const OwnWindow&) = delete;
    OwnWindow& operator=(const OwnWindow&) = delete;
};
void pumpMessages();
// Runs `body` on a thread of its own, fresh to COM, and waits for it.
void onNewThread(const std::function<void()>& body);
// Waits up to `millis` until the window is gone or hidden.
bool waitUntilGone(HWND window, DWORD millis);

// Works the first visible dialog window (class #32770) that `threadId` shows:
// waits up to 20 s for it, hands it to `script`, which acts on it and notes
// what it saw, and then sees that it goes. Whatever the script did, a dialog
// still shown 10 s later is closed by Cancel, then by WM_CLOSE, together with
// every other window the thread shows; one that outlives a minute ends the
// test program, so that no test waits on a dialog nobody closes. Make the
// driver before calling the native and call finished() when it returns.
class DialogDriver {
public:
    using Script = std::function<void(HWND dialog)>;
    DialogDriver(DWORD threadId, Script script);
    ~DialogDriver();
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;

    // Waits for the driver; false when no dialog appeared or it had to be closed.
    bool finished();
    bool sawDialog() const { return sawDialog_; }
    bool hadToClose() const { return hadToClose_; }

private:
    static DWORD WINAPI threadMain(void* driver);
    void run();

    DWORD threadId_;
    Script script_;
    UniqueHandle returned_;
    UniqueHandle thread_;
    bool sawDialog_ = false;
    bool hadToClose_ = false;
};

}  // namespace tavik::test::dlg
