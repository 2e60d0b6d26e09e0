// The dialog natives' test program. Started with "--child <scenario>" it is
// a process of its own for what a test cannot undo in its own process:
//   picker-without-window   calls ObjectPicker.show0 with no window shown
//   picker-with-window      the same with a window of its own shown, then
//                           tells whether the thread is still free to join
//                           the multi-threaded apartment
//   task-dialog-unloaded    calls VistaTaskDialog.show0 before anything has
//                           loaded comctl32; exits 77 when something had
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/native/DialogTestSupport.h"
#include "tests/win/TestSupport.h"

namespace {

using tavik::test::dlg::DialogNatives;
using tavik::testjni::TestJni;

int pickWithoutWindow() {
    const DialogNatives natives;
    TestJni jni;
    const jobjectArray picked = natives.showObjectPicker(jni.env(), nullptr, JNI_FALSE, JNI_FALSE, JNI_TRUE, JNI_FALSE,
                                                         JNI_TRUE);
    std::printf("result %s\n", jni.classNameOf(picked).c_str());
    return 0;
}

int pickWithWindow() {
    const DialogNatives natives;
    TestJni jni;
    const tavik::test::dlg::OwnWindow window(L"picker owner", 100, 100, 300, 200);
    const jobjectArray picked = natives.showObjectPicker(jni.env(), nullptr, JNI_TRUE, JNI_TRUE, JNI_TRUE, JNI_TRUE,
                                                         JNI_FALSE);
    std::printf("result %s\n", jni.classNameOf(picked).c_str());
    const HRESULT joined = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (joined == S_OK) {
        std::printf("apartment free\n");
        ::CoUninitialize();
    } else {
        std::printf("apartment taken: %lx\n", static_cast<unsigned long>(joined));
    }
    return 0;
}

int showTaskDialogUnloaded() {
    if (::GetModuleHandleW(L"comctl32.dll") != nullptr) return 77;
    const DialogNatives natives;
    if (::GetModuleHandleW(L"comctl32.dll") != nullptr) return 77;
    TestJni jni;
    const jint result = natives.showTaskDialog(jni.env(), nullptr, 0, jni.string(u"title"), jni.string(u"instruction"),
                                               jni.string(u"content"), 0, 0, 0, nullptr,
                                               jni.stringArray({u"One", u"Two"}), 0);
    std::printf("result %d\n", static_cast<int>(result));
    return 0;
}

int runScenario(const std::u16string& name, const std::vector<std::u16string>&) {
    if (name == u"picker-without-window") return pickWithoutWindow();
    if (name == u"picker-with-window") return pickWithWindow();
    if (name == u"task-dialog-unloaded") return showTaskDialogUnloaded();
    return 2;
}

}  // namespace

int main(int argc, char** argv) { return tavik::test::runTestsOrChild(argc, argv, runScenario); }
