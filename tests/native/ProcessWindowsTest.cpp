// The Misc natives that act on windows, run where Wine has a display: the
// windows are the children's and the test's own, looked at through
// EnumWindows and the window functions, never through the code under test.
#include <windows.h>

#include <jni.h>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/win/WideText.h"
#include "tests/native/ProcessTestSupport.h"
#include "tests/native/support/TestJni.h"

namespace tavik::test::proc {
namespace {

using testjni::TestJni;

constexpr jint kNotEnded = 0;
constexpr jint kDone = 1;
constexpr jint kWaitFailed = 2;
constexpr jint kTimedOut = 3;

jintArray idsOf(TestJni& jni, const std::vector<const RunningChild*>& children) {
    std::vector<std::int32_t> ids;
    for (const RunningChild* child : children) ids.push_back(static_cast<std::int32_t>(child->id()));
    return jni.ints(ids);
}

TEST(CloseRequests, AProcessWhoseWindowClosesEndsAndTheWaitSucceeds) {
    const Natives natives;
    TestJni jni;
    const RunningChild child("windows", {L"visible:closes", L"hidden:stays hidden"});
    ASSERT_TRUE(waitForVisibleWindows(child.id(), 1));
    EXPECT_EQ(natives.terminateProcesses(jni.env(), nullptr, idsOf(jni, {&child}), JNI_FALSE, 60000), kDone);
    EXPECT_TRUE(child.hasEnded());
    EXPECT_EQ(child.exitCode(), 0u) << "ended by its own message loop";
}

TEST(CloseRequests, AProcessThatIgnoresTheRequestTimesOut) {
    const Natives natives;
    TestJni jni;
    const RunningChild stubborn("windows", {L"--ignore-close", L"visible:stubborn"});
    const RunningChild willing("windows", {L"visible:willing"});
    ASSERT_TRUE(waitForVisibleWindows(stubborn.id(), 1));
    ASSERT_TRUE(waitForVisibleWindows(willing.id(), 1));
    EXPECT_EQ(natives.terminateProcesses(jni.env(), nullptr, idsOf(jni, {&stubborn, &willing}), JNI_FALSE, 1000),
              kTimedOut);
    EXPECT_FALSE(stubborn.hasEnded());
    EXPECT_TRUE(willing.hasEnded(10000)) << "the request went to every listed process";
}

TEST(CloseRequests, MoreProcessesThanOneWaitCanHoldFail) {
    const Natives natives;
    TestJni jni;
    // They ignore the request, so a wait in batches would run into the time-out instead.
    std::vector<std::unique_ptr<RunningChild>> children;
    std::vector<const RunningChild*> listed;
    for (int i = 0; i <= MAXIMUM_WAIT_OBJECTS; ++i) {
        children.push_back(std::make_unique<RunningChild>(
            "windows", std::vector<std::wstring>{L"--ignore-close", L"visible:crowd " + std::to_wstring(i)}));
        listed.push_back(children.back().get());
    }
    for (const RunningChild* child : listed) ASSERT_TRUE(waitForVisibleWindows(child->id(), 1));
    EXPECT_EQ(natives.terminateProcesses(jni.env(), nullptr, idsOf(jni, listed), JNI_FALSE, 60000), kWaitFailed);
    for (const RunningChild* child : listed) EXPECT_FALSE(child->hasEnded());
}

TEST(CloseRequests, OneListedProcessWithoutVisibleWindowFailsTheCall) {
    const Natives natives;
    TestJni jni;
    const RunningChild shown("windows", {L"visible:shown"});
    const RunningChild hidden("windows", {L"hidden:only hidden"});
    ASSERT_TRUE(waitForVisibleWindows(shown.id(), 1));
    EXPECT_EQ(natives.terminateProcesses(jni.env(), nullptr, idsOf(jni, {&shown, &hidden}), JNI_FALSE, 60000),
              kNotEnded);
    EXPECT_TRUE(shown.hasEnded(10000)) << "its window was asked all the same";
    EXPECT_FALSE(hidden.hasEnded());
}

jclass windowInfoClass(TestJni& jni) { return jni.env()->FindClass("com/runwright/api/windows/WindowInfo"); }

TEST(TopLevelWindows, ASlotPerVisibleUnownedWindowObjectsOnlyForTitledOnes) {
    const Natives natives;
    TestJni jni;
    const RunningChild child("windows", {L"visible:titled", L"visible:", L"owned:owned one", L"hidden:hidden one"});
    ASSERT_TRUE(waitForVisibleWindows(child.id(), 3));
    const HWND titled = windowTitled(child.id(), L"titled");
    ASSERT_NE(titled, nullptr);

    const std::optional<std::vector<jobject>> slots = jni.elementsOf(
        natives.getTopLevelWindows(jni.env(), nullptr, windowInfoClass(jni), static_cast<jint>(child.id())));
    ASSERT_TRUE(slots.has_value());
    ASSERT_EQ(slots->size(), 2u);
    EXPECT_EQ((*slots)[1], nullptr);
    const std::optional<TestJni::WindowInfo> info = jni.windowInfo((*slots)[0]);
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->handle, asJava(titled));
    EXPECT_EQ(info->style, static_cast<std::int32_t>(::GetWindowLongW(titled, GWL_STYLE)));
    EXPECT_NE(info->style & WS_VISIBLE, 0);
    EXPECT_EQ(info->className, std::optional<std::u16string>(toU16(kWindowClass)));
    EXPECT_EQ(info->title, std::optional<std::u16string>(u"titled"));
}

TEST(TopLevelWindows, AProcessWithoutVisibleWindowsGetsNull) {
    const Natives natives;
    TestJni jni;
    const RunningChild child("windows", {L"hidden:hidden one"});
    for (int attempt = 0; attempt < 200 && topLevelWindowsOf(child.id()).empty(); ++attempt) ::Sleep(100);
    ASSERT_FALSE(topLevelWindowsOf(child.id()).empty());
    EXPECT_EQ(jni.classNameOf(natives.getTopLevelWindows(jni.env(), nullptr, windowInfoClass(jni),
                                                         static_cast<jint>(child.id()))),
              "null");
}

// The last titled invisible window the system enumerates for the process;
// every window thread has one, its input method window.
std::wstring lastInvisibleTitle(DWORD processId) {
    std::wstring title;
    for (const HWND window : topLevelWindowsOf(processId))
        if (!::IsWindowVisible(window) && !windowTitle(window).empty()) title = windowTitle(window);
    return title;
}

TEST(WindowTitle, IsTheVisibleTitledWindowsElseTheLastInvisibleOnesElseEmpty) {
    const Natives natives;
    {
        SCOPED_TRACE("visible beats invisible");
        const RunningChild child("windows", {L"hidden:in the back", L"visible:in front", L"visible:"});
        ASSERT_TRUE(waitForVisibleWindows(child.id(), 2));
        TestJni jni;
        EXPECT_EQ(jni.text(natives.getWindowTitle(jni.env(), nullptr, static_cast<jint>(child.id()))),
                  std::optional<std::u16string>(u"in front"));
    }
    {
        SCOPED_TRACE("only invisible titles");
        const RunningChild child("windows", {L"hidden:in the back", L"visible:"});
        ASSERT_TRUE(waitForVisibleWindows(child.id(), 1));
        TestJni jni;
        const std::optional<std::u16string> title =
            jni.text(natives.getWindowTitle(jni.env(), nullptr, static_cast<jint>(child.id())));
        EXPECT_EQ(title, std::optional<std::u16string>(toU16(lastInvisibleTitle(child.id()))));
        EXPECT_NE(title, std::optional<std::u16string>(u""));
    }
    {
        SCOPED_TRACE("no window");
        const RunningChild child("idle");
        TestJni jni;
        EXPECT_EQ(jni.text(natives.getWindowTitle(jni.env(), nullptr, static_cast<jint>(child.id()))),
                  std::optional<std::u16string>(u""));
    }
}

TEST(Foreground, SetForegroundWindowRestoresAMinimisedWindowFirst) {
    const Natives natives;
    TestJni jni;
    const RunningChild child("windows", {L"visible:to the front"});
    ASSERT_TRUE(waitForVisibleWindows(child.id(), 1));
    const HWND window = windowTitled(child.id(), L"to the front");
    ASSERT_NE(window, nullptr);
    ::ShowWindow(window, SW_MINIMIZE);
    for (int attempt = 0; attempt < 100 && !::IsIconic(window); ++attempt) ::Sleep(50);
    ASSERT_TRUE(::IsIconic(window));

    natives.setForegroundWindow(jni.env(), nullptr, asJava(window));
    for (int attempt = 0; attempt < 100 && ::IsIconic(window); ++attempt) ::Sleep(50);
    EXPECT_FALSE(::IsIconic(window));
    EXPECT_EQ(::GetForegroundWindow(), window);
}

// Wine under a display without a window manager loses the foreground when it
// moves between processes, so the windows here are all the test's own.
TEST(Foreground, ToFrontActivatesEveryVisibleWindowOfThisProcessInTurn) {
    const Natives natives;
    TestJni jni;
    const OwnWindow first(L"own first");
    const OwnWindow hidden(L"own hidden", WS_OVERLAPPEDWINDOW);
    const OwnWindow last(L"own last");
    ASSERT_TRUE(::SetForegroundWindow(last.handle));
    pumpMessages();
    ASSERT_EQ(::GetForegroundWindow(), last.handle);
    std::vector<HWND> visible;
    for (const HWND window : topLevelWindowsOf(::GetCurrentProcessId()))
        if (::IsWindowVisible(window)) visible.push_back(window);
    ASSERT_EQ(visible.size(), 2u);
    ASSERT_EQ(visible.front(), last.handle) << "the foreground window comes first";

    natives.toFront(jni.env(), nullptr);
    pumpMessages();
    EXPECT_EQ(::GetForegroundWindow(), visible.back());
}

TEST(SettingChange, ReachesTopLevelWindowsAsAnEnvironmentChange) {
    const Natives natives;
    TestJni jni;
    const OwnWindow window(L"listening");
    const std::size_t before = settingChangesSeen().size();
    natives.broadcastSettingChange(jni.env(), nullptr);
    pumpMessages();
    const std::vector<std::wstring> seen(settingChangesSeen().begin() + static_cast<std::ptrdiff_t>(before),
                                         settingChangesSeen().end());
    EXPECT_EQ(seen, std::vector<std::wstring>{L"Environment"});
}

}  // namespace
}  // namespace tavik::test::proc
