#include "tests/native/DialogTestSupport.h"

#include <cstdio>
#include <sstream>

#include "common/win/WideText.h"
#include "tests/win/TestSupport.h"

namespace tavik::test::dlg {
namespace {

constexpr DWORD kAppearMillis = 20000;
constexpr DWORD kGoMillis = 10000;
constexpr DWORD kSettleMillis = 500;
constexpr int kClosingRounds = 50;  // a second each

template <class Visit>
BOOL CALLBACK visitWindow(HWND window, LPARAM visit) {
    (*reinterpret_cast<Visit*>(visit))(window);
    return TRUE;
}

std::vector<HWND> dialogsOf(DWORD threadId) {
    std::vector<HWND> dialogs;
    for (const HWND window : visibleWindowsOf(threadId))
        if (classOf(window) == L"#32770") dialogs.push_back(window);
    return dialogs;
}

LRESULT CALLBACK ownWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefWindowProcW(window, message, wParam, lParam);
}

constexpr wchar_t kOwnWindowClass[] = L"TavikDialogTest";

DWORD WINAPI runBody(void* body) {
    (*static_cast<const std::function<void()>*>(body))();
    return 0;
}

}  // namespace

std::wstring windowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::wstring classOf(HWND window) {
    wchar_t name[256] = {};
    ::GetClassNameW(window, name, 256);
    return name;
}

std::vector<HWND> descendants(HWND window) {
    std::vector<HWND> found;
    auto note = [&](HWND child) { found.push_back(child); };
    ::EnumChildWindows(window, &visitWindow<decltype(note)>, reinterpret_cast<LPARAM>(&note));
    return found;
}

std::vector<HWND> controlsOf(HWND dialog, const wchar_t* className) {
    std::vector<HWND> controls;
    for (const HWND control : descendants(dialog))
        if (::IsWindowVisible(control) && classOf(control) == className) controls.push_back(control);
    return controls;
}

HWND findControl(HWND dialog, const wchar_t* className, const std::wstring& text) {
    for (const HWND control : controlsOf(dialog, className))
        if (windowText(control) == text) return control;
    return nullptr;
}

std::vector<HWND> visibleWindowsOf(DWORD threadId) {
    std::vector<HWND> found;
    auto note = [&](HWND window) {
        if (::IsWindowVisible(window)) found.push_back(window);
    };
    ::EnumThreadWindows(threadId, &visitWindow<decltype(note)>, reinterpret_cast<LPARAM>(&note));
    return found;
}

void setCheck(HWND box, bool checked) {
    if (isChecked(box) == checked) return;  // a click would toggle it
    ::SendMessageW(box, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    ::SendMessageW(::GetParent(box), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(box), BN_CLICKED),
                   reinterpret_cast<LPARAM>(box));
}

bool isChecked(HWND box) { return ::SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void press(HWND button) { ::PostMessageW(button, BM_CLICK, 0, 0); }

std::string describe(HWND dialog) {
    std::ostringstream out;
    out << "dialog \"" << utf8(toU16(windowText(dialog))) << "\"\n";
    for (const HWND control : descendants(dialog))
        out << "  " << utf8(toU16(classOf(control))) << " id " << ::GetDlgCtrlID(control)
            << (::IsWindowVisible(control) ? "" : " hidden") << " \"" << utf8(toU16(windowText(control))) << "\"\n";
    return out.str();
}

OwnWindow::OwnWindow(const wchar_t* title, int x, int y, int width, int height) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &ownWindowProcedure;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kOwnWindowClass;
    ::RegisterClassW(&windowClass);  // fails harmlessly once registered
    handle = ::CreateWindowExW(0, kOwnWindowClass, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, y, width, height,
                               nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    pumpMessages();
}

OwnWindow::~OwnWindow() {
    if (handle != nullptr) ::DestroyWindow(handle);
    pumpMessages();
}

void onNewThread(const std::function<void()>& body) {
    const UniqueHandle thread(
        ::CreateThread(nullptr, 0, &runBody, const_cast<std::function<void()>*>(&body), 0, nullptr));
    ::WaitForSingleObject(thread.get(), INFINITE);
}

bool waitUntilGone(HWND window, DWORD millis) {
    for (DWORD waited = 0; ::IsWindow(window) && ::IsWindowVisible(window) && waited < millis; waited += 50)
        ::Sleep(50);
    return !::IsWindow(window) || !::IsWindowVisible(window);
}

void pumpMessages() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

DialogDriver::DialogDriver(DWORD threadId, Script script)
    : threadId_(threadId), script_(std::move(script)), returned_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    thread_.reset(::CreateThread(nullptr, 0, &DialogDriver::threadMain, this, 0, nullptr));
}

DWORD WINAPI DialogDriver::threadMain(void* driver) {
    static_cast<DialogDriver*>(driver)->run();
    return 0;
}

DialogDriver::~DialogDriver() { finished(); }

bool DialogDriver::finished() {
    ::SetEvent(returned_.get());
    ::WaitForSingleObject(thread_.get(), INFINITE);
    return sawDialog_ && !hadToClose_;
}

void DialogDriver::run() {
    const DWORD start = ::GetTickCount();
    HWND dialog = nullptr;
    while (dialog == nullptr && ::GetTickCount() - start < kAppearMillis) {
        if (::WaitForSingleObject(returned_.get(), 50) == WAIT_OBJECT_0) return;
        const std::vector<HWND> dialogs = dialogsOf(threadId_);
        if (!dialogs.empty()) dialog = dialogs.front();
    }
    if (dialog != nullptr) {
        sawDialog_ = true;
        ::Sleep(kSettleMillis);  // the file dialog fills its view after it shows
        script_(dialog);
    }
    if (::WaitForSingleObject(returned_.get(), kGoMillis) == WAIT_OBJECT_0) return;
    hadToClose_ = true;
    for (int round = 0; round < kClosingRounds; ++round) {
        for (const HWND window : visibleWindowsOf(threadId_)) {
            ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
            ::PostMessageW(window, WM_CLOSE, 0, 0);
        }
        if (::WaitForSingleObject(returned_.get(), 1000) == WAIT_OBJECT_0) return;
    }
    std::fprintf(stderr, "a dialog outlived its driver by a minute: ending the tests\n");
    std::fflush(stderr);
    ::ExitProcess(3);
}

}  // namespace tavik::test::dlg
