// The dialog natives through the real DLL's exports, run where Wine has a
// display: each dialog is worked from another thread through its windows and
// controls, as a user would, and what the native returns is checked against
// what was typed, chosen and pressed.
#include <windows.h>
#include <objbase.h>

#include <jni.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "common/win/WideText.h"
#include "tests/native/DialogTestSupport.h"
#include "tests/native/support/TestJni.h"
#include "tests/win/TestSupport.h"

namespace tavik::test::dlg {
namespace {

using testjni::TestJni;
using Texts = std::vector<std::u16string>;
using Paths = std::vector<std::optional<std::u16string>>;

constexpr jint kAllowMultiSelect = 0x200;  // FOS_ALLOWMULTISELECT
constexpr jint kFileMustExist = 0x1000;    // FOS_FILEMUSTEXIST
constexpr int kFileNameBox = 1152;
constexpr int kFileTypeList = 1136;

// ---- The file dialog.

struct FileRequest {
    HWND parent = nullptr;
    std::optional<std::u16string> title, okLabel, folder, fileName, defaultExtension;
    jint add = 0, remove = 0;
    bool save = false;
    std::optional<Texts> filterNames, filterPatterns;
    jint filterIndex = -1;
    std::optional<Texts> labels;
    std::optional<std::vector<bool>> states;
};

struct FileOutcome {
    std::optional<Paths> paths;
    std::optional<std::vector<bool>> states;
    bool driven = false;  // shown, worked and gone without being forced
};

jstring stringOrNull(TestJni& jni, const std::optional<std::u16string>& text) {
    return text ? jni.string(*text) : nullptr;
}
jobjectArray arrayOrNull(TestJni& jni, const std::optional<Texts>& texts) {
    return texts ? jni.stringArray(*texts) : nullptr;
}

// On the calling thread, initialised for COM the way the Java side does it.
FileOutcome showFileDialog(const FileRequest& request, DialogDriver::Script script) {
    const DialogNatives natives;
    TestJni jni;
    natives.initializeFileChooser(jni.env(), nullptr);
    const jbooleanArray states = request.states ? jni.booleans(*request.states) : nullptr;
    DialogDriver driver(::GetCurrentThreadId(), std::move(script));
    const jobjectArray result = natives.displayDialog(
        jni.env(), nullptr, asJava(request.parent), stringOrNull(jni, request.title),
        stringOrNull(jni, request.okLabel),
        stringOrNull(jni, request.folder), stringOrNull(jni, request.fileName), request.add, request.remove,
        request.save ? JNI_TRUE : JNI_FALSE, stringOrNull(jni, request.defaultExtension),
        arrayOrNull(jni, request.filterNames), arrayOrNull(jni, request.filterPatterns), request.filterIndex,
        arrayOrNull(jni, request.labels), states);
    FileOutcome outcome;
    outcome.driven = driver.finished();
    outcome.paths = jni.optionalStrings(result);
    outcome.states = jni.booleansOf(states);
    return outcome;
}

void typeName(HWND dialog, const std::wstring& name) {
    ::SendMessageW(::GetDlgItem(dialog, kFileNameBox), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
}

void cancel(HWND dialog) { press(::GetDlgItem(dialog, IDCANCEL)); }

class FileDialog : public ::testing::Test {
protected:
    FileDialog() {
        scratch.write("a.txt", "a");
        scratch.write("b.log", "b");
    }
    std::u16string folder() const { return scratch.path().u16string(); }
    std::u16string pathOf(const char* name) const { return (scratch.path() / name).u16string(); }

    const ScratchDir scratch;
};

TEST_F(FileDialog, OpenShowsTheRequestAndReturnsTheTypedFileWithTheBoxStatesLeft) {
    const OwnWindow parent(L"file dialog parent", 100, 100, 300, 200);
    FileRequest request;
    request.parent = parent.handle;
    request.title = u"Pick a file";
    request.okLabel = u"Take";
    request.folder = folder();
    request.filterNames = Texts{u"Text", u"Logs"};
    request.filterPatterns = Texts{u"*.txt", u"*.log"};
    request.filterIndex = 1;
    request.labels = Texts{u"Alpha", u"Beta"};
    request.states = std::vector<bool>{true, false};

    struct Seen {
        std::wstring title, okLabel, fileType;
        HWND owner = nullptr;
        bool group = false, alphaChecked = false, betaChecked = true;
    } seen;
    const FileOutcome outcome = showFileDialog(request, [&](HWND dialog) {
        seen.title = windowText(dialog);
        seen.owner = ::GetWindow(dialog, GW_OWNER);
        seen.okLabel = windowText(::GetDlgItem(dialog, IDOK));
        seen.fileType = windowText(::GetDlgItem(dialog, kFileTypeList));
        seen.group = findControl(dialog, L"Static", L"Options:") != nullptr;
        const HWND alpha = findControl(dialog, L"Button", L"Alpha");
        const HWND beta = findControl(dialog, L"Button", L"Beta");
        if (alpha == nullptr || beta == nullptr) return cancel(dialog);
        seen.alphaChecked = isChecked(alpha);
        seen.betaChecked = isChecked(beta);
        setCheck(alpha, false);
        setCheck(beta, true);
        typeName(dialog, L"a.txt");
        press(::GetDlgItem(dialog, IDOK));
    });

    EXPECT_TRUE(outcome.driven);
    EXPECT_EQ(seen.title, L"Pick a file");
    EXPECT_EQ(seen.owner, parent.handle);
    EXPECT_EQ(seen.okLabel, L"Take");
    EXPECT_EQ(seen.fileType, L"Logs");
    EXPECT_TRUE(seen.group);
    EXPECT_TRUE(seen.alphaChecked);
    EXPECT_FALSE(seen.betaChecked);
    EXPECT_EQ(outcome.paths, std::optional<Paths>(Paths{pathOf("a.txt")}))
        << "a bare name is taken in the folder given";
    EXPECT_EQ(outcome.states, std::optional<std::vector<bool>>({false, true}));
}

TEST_F(FileDialog, CancelReturnsNullAndLeavesTheStatesAsPassed) {
    FileRequest request;
    request.folder = folder();
    request.labels = Texts{u"Alpha", u"Beta"};
    request.states = std::vector<bool>{true, false};
    bool toggled = false;
    const FileOutcome outcome = showFileDialog(request, [&](HWND dialog) {
        const HWND alpha = findControl(dialog, L"Button", L"Alpha");
        const HWND beta = findControl(dialog, L"Button", L"Beta");
        if (alpha != nullptr && beta != nullptr) {
            setCheck(alpha, false);
            setCheck(beta, true);
            toggled = !isChecked(alpha) && isChecked(beta);
        }
        cancel(dialog);
    });
    EXPECT_TRUE(outcome.driven);
    EXPECT_TRUE(toggled) << "the user changed both boxes before cancelling";
    EXPECT_EQ(outcome.paths, std::nullopt);
    EXPECT_EQ(outcome.states, std::optional<std::vector<bool>>({true, false}));
}

TEST_F(FileDialog, FilterIndexSelectsTheFileTypeCountingFromZero) {
    struct Case {
        jint index;
        const wchar_t* shown;
    };
    const Case cases[] = {{-1, L"Text"}, {0, L"Text"}, {1, L"Logs"}, {2, L"Everything"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        FileRequest request;
        request.folder = folder();
        request.filterNames = Texts{u"Text", u"Logs", u"Everything"};
        request.filterPatterns = Texts{u"*.txt", u"*.log", u"*.*"};
        request.filterIndex = c.index;
        std::wstring shown;
        const FileOutcome outcome = showFileDialog(request, [&](HWND dialog) {
            shown = windowText(::GetDlgItem(dialog, kFileTypeList));
            cancel(dialog);
        });
        EXPECT_TRUE(outcome.driven);
        EXPECT_EQ(shown, c.shown);
    }
}

TEST_F(FileDialog, OneBoxStandsAloneMoreAreGroupedUnderOptions) {
    struct Case {
        Texts labels;
        bool grouped;
    };
    const Case cases[] = {{{u"Only"}, false}, {{u"First", u"Second"}, true}, {{u"A", u"B", u"C"}, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.labels.size());
        FileRequest request;
        request.folder = folder();
        request.labels = c.labels;
        request.states = std::vector<bool>(c.labels.size(), false);
        bool grouped = !c.grouped;
        std::size_t boxes = 0;
        const FileOutcome outcome = showFileDialog(request, [&](HWND dialog) {
            grouped = findControl(dialog, L"Static", L"Options:") != nullptr;
            for (const std::u16string& label : c.labels)
                if (findControl(dialog, L"Button", toWide(label)) != nullptr) ++boxes;
            cancel(dialog);
        });
        EXPECT_TRUE(outcome.driven);
        EXPECT_EQ(grouped, c.grouped);
        EXPECT_EQ(boxes, c.labels.size());
    }
}

TEST_F(FileDialog, AStateArrayShorterThanTheLabelsGetsBackOnlyWhatItHolds) {
    struct Case {
        const char* name;
        std::optional<std::vector<bool>> states;
        std::vector<bool> shownChecked;
        std::optional<std::vector<bool>> returned;
    };
    const Case cases[] = {
        {"one state for three boxes", std::vector<bool>{true}, {true, false, false}, std::vector<bool>{false}},
        {"no state array", std::nullopt, {false, false, false}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FileRequest request;
        request.folder = folder();
        request.labels = Texts{u"A", u"B", u"C"};
        request.states = c.states;
        std::vector<bool> shown;
        const FileOutcome outcome = showFileDialog(request, [&](HWND dialog) {
            for (const wchar_t* label : {L"A", L"B", L"C"}) {
                const HWND box = findControl(dialog, L"Button", label);
                shown.push_back(box != nullptr && isChecked(box));
                if (box != nullptr) setCheck(box, !isChecked(box));
            }
            typeName(dialog, L"a.txt");
            press(::GetDlgItem(dialog, IDOK));
        });
        EXPECT_TRUE(outcome.driven);
        EXPECT_EQ(shown, c.shownChecked) << "a box without a state starts clear";
        EXPECT_EQ(outcome.states, c.returned);
        EXPECT_EQ(outcome.paths, std::optional<Paths>(Paths{pathOf("a.txt")}));
    }
}

TEST_F(FileDialog, OptionBitsAreAddedAndRemoved) {
    struct Case {
        const char* name;
        jint add, remove;
        std::wstring typed;
        std::optional<Paths> want;
    };
    const Case cases[] = {
        {"several files once multiple selection is added", kAllowMultiSelect, 0, L"\"a.txt\" \"b.log\"",
         Paths{pathOf("a.txt"), pathOf("b.log")}},
        {"a new file once must-exist is removed", 0, kFileMustExist, L"new.txt", Paths{pathOf("new.txt")}},
        {"a new file refused while must-exist stays", 0, 0, L"new.txt", std::nullopt},
        {"removal wins over adding", kFileMustExist, kFileMustExist, L"new.txt", Paths{pathOf("new.txt")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FileRequest request;
        request.folder = folder();
        request.add = c.add;
        request.remove = c.remove;
        const FileOutcome outcome = showFileDialog(request, [&](HWND dialog) {
            typeName(dialog, c.typed);
            press(::GetDlgItem(dialog, IDOK));
            if (waitUntilGone(dialog, 3000)) return;
            // Refused: the dialog tells why in a box of its own; close both.
            for (const HWND window : visibleWindowsOf(::GetWindowThreadProcessId(dialog, nullptr)))
                if (window != dialog) ::PostMessageW(window, WM_COMMAND, IDOK, 0);
            ::Sleep(500);
            cancel(dialog);
        });
        EXPECT_TRUE(outcome.driven);
        EXPECT_EQ(outcome.paths, c.want);
    }
}

TEST_F(FileDialog, SaveReturnsTheNamedFileWithTheDefaultExtension) {
    FileRequest request;
    request.save = true;
    request.folder = folder();
    request.fileName = u"report";
    request.defaultExtension = u"txt";
    std::wstring initialName;
    const FileOutcome outcome = showFileDialog(request, [&](HWND dialog) {
        initialName = windowText(::GetDlgItem(dialog, kFileNameBox));
        press(::GetDlgItem(dialog, IDOK));
    });
    EXPECT_TRUE(outcome.driven);
    EXPECT_EQ(initialName, L"report");
    EXPECT_EQ(outcome.paths, std::optional<Paths>(Paths{pathOf("report.txt")}));
}

TEST(FileChooser, InitializeMakesTheThreadASingleThreadedApartment) {
    const DialogNatives natives;
    HRESULT before = E_FAIL;
    HRESULT after = E_FAIL;
    onNewThread([&] {
        before = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        if (SUCCEEDED(before)) ::CoUninitialize();
    });
    onNewThread([&] {
        TestJni jni;
        natives.initializeFileChooser(jni.env(), nullptr);
        after = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        if (SUCCEEDED(after)) ::CoUninitialize();
    });
    EXPECT_EQ(before, S_OK) << "a fresh thread is free to join either apartment";
    EXPECT_EQ(after, RPC_E_CHANGED_MODE);
}

TEST(FileChooser, AThreadWithoutComGetsNullAndNoDialog) {
    const DialogNatives natives;
    std::string result;
    bool sawDialog = true;
    onNewThread([&] {
        TestJni jni;
        DialogDriver driver(::GetCurrentThreadId(), [](HWND dialog) { cancel(dialog); });
        const jobjectArray chosen =
            natives.displayDialog(jni.env(), nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0, 0, JNI_FALSE, nullptr,
                                  nullptr, nullptr, -1, nullptr, nullptr);
        driver.finished();
        sawDialog = driver.sawDialog();
        result = jni.classNameOf(chosen);
    });
    EXPECT_EQ(result, "null");
    EXPECT_FALSE(sawDialog);
}

// ---- The task dialog.

constexpr jint kAllowCancellation = 0x0008;  // TDF_ALLOW_DIALOG_CANCELLATION
constexpr int kVerificationId = 0;

// The process's comctl32, loaded as a program with common controls does.
void loadCommonControls() { ASSERT_NE(::LoadLibraryW(L"comctl32.dll"), nullptr); }

struct TaskRequest {
    HWND parent = nullptr;
    jint flags = 0;
    LPCWSTR icon = IDI_INFORMATION;
    jint width = 0;
    std::optional<std::u16string> verification;
    Texts buttons{u"One", u"Two", u"Three"};
    jint defaultButton = 0;
};

jint showTaskDialog(const TaskRequest& request, bool& driven, DialogDriver::Script script) {
    const DialogNatives natives;
    TestJni jni;
    DialogDriver driver(::GetCurrentThreadId(), std::move(script));
    const jint result = natives.showTaskDialog(
        jni.env(), nullptr, asJava(request.parent), jni.string(u"Task title"), jni.string(u"The instruction"),
        jni.string(u"The content"), request.flags, static_cast<jint>(reinterpret_cast<std::intptr_t>(request.icon)),
        request.width, stringOrNull(jni, request.verification), jni.stringArray(request.buttons),
        request.defaultButton);
    driven = driver.finished();
    return result;
}

HWND verificationBox(HWND dialog, const std::u16string& text) {
    const HWND box = findControl(dialog, L"Button", toWide(text));
    return box != nullptr && ::GetDlgCtrlID(box) == kVerificationId ? box : nullptr;
}

HWND iconShown(HWND dialog) {
    for (const HWND control : controlsOf(dialog, L"Static"))
        if ((::GetWindowLongW(control, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            return reinterpret_cast<HWND>(::SendMessageW(control, STM_GETICON, 0, 0));
    return nullptr;
}

TEST(TaskDialog, ShowsTheRequestAndAnswersWithTheButtonCountedFromOne) {
    loadCommonControls();
    struct Case {
        const char* name;
        const wchar_t* pressed;
        bool check;
        LPCWSTR icon;
        jint defaultButton;
        jint want;
    };
    const Case cases[] = {
        {"second button", L"Two", false, IDI_INFORMATION, 0, 2},
        {"first button, box checked", L"One", true, IDI_WARNING, 2, -1},
        {"third button", L"Three", false, IDI_ERROR, 1, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TaskRequest request;
        request.icon = c.icon;
        request.defaultButton = c.defaultButton;
        request.verification = u"Remember this";
        struct Seen {
            std::wstring title;
            bool instruction = false, content = false;
            std::vector<std::wstring> buttons;
            LRESULT defaultId = 0;
            HWND icon = nullptr;
        } seen;
        bool driven = false;
        const jint result = showTaskDialog(request, driven, [&](HWND dialog) {
            seen.title = windowText(dialog);
            seen.instruction = findControl(dialog, L"Static", L"The instruction") != nullptr;
            seen.content = findControl(dialog, L"Static", L"The content") != nullptr;
            for (int id = 101; id <= 103; ++id) seen.buttons.push_back(windowText(::GetDlgItem(dialog, id)));
            seen.defaultId = LOWORD(::SendMessageW(dialog, DM_GETDEFID, 0, 0));
            seen.icon = iconShown(dialog);
            if (c.check) {
                if (const HWND box = verificationBox(dialog, u"Remember this")) setCheck(box, true);
            }
            const HWND button = findControl(dialog, L"Button", c.pressed);
            press(button != nullptr ? button : ::GetDlgItem(dialog, IDCANCEL));
        });
        EXPECT_TRUE(driven);
        EXPECT_EQ(result, c.want);
        EXPECT_EQ(seen.title, L"Task title");
        EXPECT_TRUE(seen.instruction);
        EXPECT_TRUE(seen.content);
        EXPECT_EQ(seen.buttons, (std::vector<std::wstring>{L"One", L"Two", L"Three"}));
        EXPECT_EQ(seen.defaultId, 101 + c.defaultButton);
        EXPECT_EQ(seen.icon, reinterpret_cast<HWND>(::LoadIconW(nullptr, c.icon)));
    }
}

TEST(TaskDialog, TheCloseBoxGives1000NegativeWithTheVerificationBoxChecked) {
    loadCommonControls();
    for (const bool check : {false, true}) {
        SCOPED_TRACE(check ? "box checked" : "box clear");
        TaskRequest request;
        request.flags = kAllowCancellation;
        request.verification = u"Do not ask again";
        bool checked = !check;
        bool driven = false;
        const jint result = showTaskDialog(request, driven, [&](HWND dialog) {
            if (const HWND box = verificationBox(dialog, u"Do not ask again")) {
                setCheck(box, check);
                checked = isChecked(box);
            }
            ::PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        });
        EXPECT_TRUE(driven);
        EXPECT_EQ(checked, check);
        EXPECT_EQ(result, check ? -1000 : 1000);
    }
}

TEST(TaskDialog, IsOwnedByItsParentAndCentredOnItUnlessItIsMinimised) {
    loadCommonControls();
    for (const bool minimised : {false, true}) {
        SCOPED_TRACE(minimised ? "parent minimised" : "parent shown");
        const OwnWindow parent(L"task dialog parent", 600, 400, 420, 320);
        const RECT parentRect{600, 400, 1020, 720};
        if (minimised) {
            ::ShowWindow(parent.handle, SW_MINIMIZE);
            pumpMessages();
        }
        TaskRequest request;
        request.parent = parent.handle;
        request.flags = kAllowCancellation;
        HWND owner = nullptr;
        POINT centre{};
        bool driven = false;
        const jint result = showTaskDialog(request, driven, [&](HWND dialog) {
            owner = ::GetWindow(dialog, GW_OWNER);
            RECT shown{};
            ::GetWindowRect(dialog, &shown);
            centre = {(shown.left + shown.right) / 2, (shown.top + shown.bottom) / 2};
            press(::GetDlgItem(dialog, 101));
        });
        EXPECT_TRUE(driven);
        EXPECT_EQ(result, 1);
        EXPECT_EQ(owner, parent.handle);
        EXPECT_EQ(::PtInRect(&parentRect, centre) != FALSE, !minimised)
            << "centre " << centre.x << "," << centre.y;
    }
}

TEST(TaskDialog, WidthIsGivenInDialogUnits) {
    loadCommonControls();
    std::vector<LONG> widths;
    for (const jint width : {300, 400}) {
        TaskRequest request;
        request.width = width;
        bool driven = false;
        showTaskDialog(request, driven, [&](HWND dialog) {
            RECT shown{};
            ::GetWindowRect(dialog, &shown);
            widths.push_back(shown.right - shown.left);
            press(::GetDlgItem(dialog, 101));
        });
        EXPECT_TRUE(driven);
    }
    ASSERT_EQ(widths.size(), 2u);
    const LONG baseUnits = LOWORD(::GetDialogBaseUnits());
    EXPECT_GT(widths[1] - widths[0], 100 * static_cast<LONG>(baseUnits) / 8)
        << "100 dialog units wider: " << widths[0] << " then " << widths[1];
}

TEST(TaskDialog, WithoutALoadedComctl32TheNativeAnswersZero) {
    const ChildResult child = runScenario(testExecutable(), "task-dialog-unloaded", {});
    if (child.exitCode == 77) GTEST_SKIP() << "the test program had comctl32 loaded before the call";
    EXPECT_EQ(child.exitCode, 0) << child.err;
    EXPECT_EQ(lines(child.out), std::vector<std::string>{"result 0"});
}

// ---- The object picker. Wine registers the picker but its InvokeDialog
// answers S_FALSE at once, so no choice can be made here; what is left to
// see is the way there and back.

TEST(ObjectPicker, WithoutAWindowOfThisProcessItSaysSoAndAnswersNull) {
    const ChildResult child = runScenario(testExecutable(), "picker-without-window", {});
    EXPECT_EQ(child.exitCode, 0) << child.err;
    EXPECT_EQ(lines(child.out), (std::vector<std::string>{"could not find window", "result null"}));
}

TEST(ObjectPicker, WithAWindowItAsksThePickerAndLeavesComAsItFoundIt) {
    const ChildResult child = runScenario(testExecutable(), "picker-with-window", {});
    EXPECT_EQ(child.exitCode, 0) << child.err;
    EXPECT_EQ(lines(child.out), (std::vector<std::string>{"result null", "apartment free"}))
        << "a refused dialog is no choice";
}

}  // namespace
}  // namespace tavik::test::dlg
