// The Misc, Win32Exec and Win32Handle natives that need no window, called as
// a VM binding by name calls them: looked up in the real rwtnative.dll with
// the test JNI environment. What they did is read back through the system:
// child processes, the registry, files and the object manager.
#include <windows.h>
#include <psapi.h>

#include <jni.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "common/win/WideText.h"
#include "tests/native/ProcessTestSupport.h"
#include "tests/native/support/TestJni.h"
#include "tests/win/TestSupport.h"

namespace tavik::test::proc {
namespace {

using testjni::TestJni;

constexpr jint kNotEnded = 0;
constexpr jint kDone = 1;
constexpr DWORD kNoSuchProcess = 0x7FFFFFF0;

std::u16string u16(const std::wstring& text) { return toU16(text); }

TEST(ForcedEnd, TerminatesEveryListedProcessWithExitCodeZero) {
    const Natives natives;
    TestJni jni;
    const RunningChild first("idle");
    const RunningChild second("idle");
    const jint ids[] = {static_cast<jint>(first.id()), static_cast<jint>(second.id())};
    EXPECT_EQ(natives.terminateProcesses(jni.env(), nullptr, jni.ints({ids[0], ids[1]}), JNI_TRUE, 60000), kDone);
    ASSERT_TRUE(first.hasEnded(10000));
    ASSERT_TRUE(second.hasEnded(10000));
    EXPECT_EQ(first.exitCode(), 0u);
    EXPECT_EQ(second.exitCode(), 0u);
}

TEST(ForcedEnd, AProcessThatCannotBeOpenedFailsTheCallButNotTheOthers) {
    const Natives natives;
    TestJni jni;
    const RunningChild child("idle");
    EXPECT_EQ(natives.terminateProcesses(jni.env(), nullptr,
                                         jni.ints({static_cast<jint>(kNoSuchProcess), static_cast<jint>(child.id())}),
                                         JNI_TRUE, 0),
              kNotEnded);
    EXPECT_TRUE(child.hasEnded(10000));
}

TEST(EndWithoutForce, AProcessWithoutVisibleWindowIsNeitherAskedNorWaitedFor) {
    const Natives natives;
    TestJni jni;
    const RunningChild child("idle");
    // A wait would end only after the time-out, with 3, long past the test's own limit.
    EXPECT_EQ(natives.terminateProcesses(jni.env(), nullptr, jni.ints({static_cast<jint>(child.id())}), JNI_FALSE,
                                         static_cast<jint>(INFINITE)),
              kNotEnded);
    EXPECT_FALSE(child.hasEnded());
}

// Both names the natives ask for, the image's and the main module's, within the time.
bool imageNameKnown(DWORD processId, DWORD millis) {
    const UniqueHandle process(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
    for (DWORD waited = 0; process && waited <= millis; waited += 50) {
        wchar_t name[MAX_PATH];
        DWORD size = MAX_PATH;
        if (::QueryFullProcessImageNameW(process.get(), 0, name, &size) &&
            ::K32GetModuleFileNameExW(process.get(), nullptr, name, MAX_PATH) != 0)
            return true;
        ::Sleep(50);
    }
    return false;
}

TEST(RunningModules, ListAProcessRunningFromATemporaryFileByItsPath) {
    const Natives natives;
    const ScratchDir scratch;
    const fs::path copy = scratch.path() / "setup-probe.tmp";
    fs::copy_file(testExecutable(), copy);
    const RunningChild child("idle", {}, copy);
    // Until a new process has started running, Wine cannot name its image, and the list leaves it out.
    ASSERT_TRUE(imageNameKnown(child.id(), 20000));
    const std::u16string self = toU16(testExecutable().wstring());
    for (const jboolean withoutDebugPrivilege : {JNI_FALSE, JNI_TRUE}) {
        SCOPED_TRACE(static_cast<int>(withoutDebugPrivilege));
        TestJni jni;
        const std::optional<std::vector<std::u16string>> entries =
            jni.strings(natives.getRunningModules(jni.env(), nullptr, withoutDebugPrivilege));
        ASSERT_TRUE(entries.has_value());
        const auto has = [&](const std::u16string& entry) {
            return std::find(entries->begin(), entries->end(), entry) != entries->end();
        };
        EXPECT_TRUE(has(toU16(std::to_wstring(child.id())) + u" " + toU16(copy.wstring()))) << utf8(toU16(copy.wstring()));
        EXPECT_TRUE(has(toU16(std::to_wstring(::GetCurrentProcessId())) + u" " + self));
    }
}

TEST(EnvironmentPairs, AreThisProcesssBlockInOrder) {
    const Natives natives;
    ASSERT_TRUE(::SetEnvironmentVariableW(L"TAVIK_PROCESS_TEST", L"\u00e4=\u03a9 1"));
    TestJni jni;
    const std::optional<std::vector<std::u16string>> pairs = jni.strings(natives.getEnvVarPairs(jni.env(), nullptr));
    const std::vector<std::u16string> block = environmentOfThisProcess();
    ::SetEnvironmentVariableW(L"TAVIK_PROCESS_TEST", nullptr);
    ASSERT_TRUE(pairs.has_value());
    EXPECT_EQ(*pairs, block);
    EXPECT_NE(std::find(pairs->begin(), pairs->end(), u"TAVIK_PROCESS_TEST=\u00e4=\u03a9 1"), pairs->end());
}

TEST(SystemFigures, PhysicalMemoryIsTheSystemsTotal) {
    const Natives natives;
    TestJni jni;
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    ASSERT_TRUE(::GlobalMemoryStatusEx(&status));
    EXPECT_EQ(natives.getPhysicalMemory(jni.env(), nullptr), static_cast<jlong>(status.ullTotalPhys));
}

std::optional<wchar_t> unusedDriveLetter() {
    const DWORD drives = ::GetLogicalDrives();
    for (wchar_t letter = L'Y'; letter > L'D'; --letter)
        if ((drives & (1u << (letter - L'A'))) == 0) return letter;
    return std::nullopt;
}

TEST(SystemFigures, FreeDiskSpaceIsWhatTheCallerMayUseOrMinusOne) {
    const Natives natives;
    TestJni jni;
    const ScratchDir scratch;
    ULARGE_INTEGER available{}, total{}, free{};
    ASSERT_TRUE(::GetDiskFreeSpaceExW(scratch.path().c_str(), &available, &total, &free));
    const jlong got = natives.getFreeDiskSpace(jni.env(), nullptr, jni.string(u16(scratch.path().wstring())));
    // Other programs write to the same disk meanwhile: near, not equal.
    constexpr std::int64_t kSlack = 256ll << 20;
    EXPECT_LE(std::llabs(got - static_cast<std::int64_t>(available.QuadPart)), kSlack);
    EXPECT_GT(got, 0);

    const std::optional<wchar_t> missing = unusedDriveLetter();
    ASSERT_TRUE(missing.has_value());
    const std::wstring root = std::wstring(1, *missing) + L":\\";
    EXPECT_EQ(natives.getFreeDiskSpace(jni.env(), nullptr, jni.string(u16(root))), -1) << utf8(u16(root));
    EXPECT_EQ(natives.getFreeDiskSpace(jni.env(), nullptr, jni.string(u16(scratch.path().wstring() + L"\\no\\such"))), -1);
}

// The pending-rename list belongs to the whole prefix: put back as found.
class PendingRename : public ::testing::Test {
protected:
    void TearDown() override { restorePendingRenames(saved_); }
    const std::optional<std::vector<wchar_t>> saved_ = pendingRenames();
};

TEST_F(PendingRename, IsLeftInTheSessionManagersList) {
    const Natives natives;
    const ScratchDir scratch;
    const fs::path source = scratch.write("old.txt", "x");
    const fs::path target = scratch.path() / "new.txt";
    struct Case {
        const char* name;
        std::optional<std::wstring> target;
        std::wstring stored;  // the target as the list holds it
    };
    const Case cases[] = {
        {"move", target.wstring(), L"\\??\\" + target.wstring()},
        {"delete", std::nullopt, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        restorePendingRenames(saved_);
        TestJni jni;
        const jstring targetText = c.target ? jni.string(u16(*c.target)) : nullptr;
        ASSERT_EQ(natives.moveWithDelayUntilReboot(jni.env(), nullptr, jni.string(u16(source.wstring())), targetText),
                  JNI_TRUE);
        const std::optional<std::vector<wchar_t>> after = pendingRenames();
        ASSERT_TRUE(after.has_value());
        std::vector<std::wstring> want = saved_ ? multiStrings(*saved_) : std::vector<std::wstring>{};
        want.push_back(L"\\??\\" + source.wstring());
        want.push_back(c.stored);
        EXPECT_EQ(multiStrings(*after), want);
    }
}

TEST(ProcessHandle, GivesTheIdOfItsProcess) {
    const Natives natives;
    TestJni jni;
    const RunningChild child("idle");
    EXPECT_EQ(natives.getPidFromHandle(jni.env(), nullptr, asJava(child.handle())), static_cast<jint>(child.id()));
    EXPECT_EQ(natives.getPidFromHandle(jni.env(), nullptr, asJava(::GetCurrentProcess())),
              static_cast<jint>(::GetCurrentProcessId()));
    EXPECT_EQ(natives.getPidFromHandle(jni.env(), nullptr, 0), 0);
}

std::optional<std::string> waitForFile(const fs::path& file) {
    for (int attempt = 0; attempt < 300; ++attempt) {
        if (fs::exists(file)) return readFile(file);
        ::Sleep(100);
    }
    return std::nullopt;
}

TEST(Launch, StartsTheProgramWithItsCommandLine) {
    const Natives natives;
    const ScratchDir scratch;
    const std::wstring program = testExecutable().wstring();
    struct Case {
        const char* name;
        bool withApplicationName;
    };
    for (const Case c : {Case{"program named apart", true}, Case{"program from the command line", false}}) {
        SCOPED_TRACE(c.name);
        const fs::path written = scratch.path() / (std::string(c.name) + ".txt");
        const std::wstring commandLine = L"\"" + program + L"\" --child write-args \"" + written.wstring() +
                                         L"\" one \"two words\" \u00e4\u03a9";
        TestJni jni;
        const jstring application = c.withApplicationName ? jni.string(u16(program)) : nullptr;
        ASSERT_EQ(natives.launch(jni.env(), nullptr, application, jni.string(u16(commandLine))), 0);
        EXPECT_EQ(waitForFile(written), std::optional<std::string>("one\ntwo words\n\xc3\xa4\xce\xa9\n"));
    }
}

TEST(Launch, AMissingProgramGivesTheSystemsErrorCode) {
    const Natives natives;
    const ScratchDir scratch;
    TestJni jni;
    const std::wstring missing = (scratch.path() / "missing.exe").wstring();
    EXPECT_EQ(natives.launch(jni.env(), nullptr, jni.string(u16(missing)), jni.string(u16(L"\"" + missing + L"\""))),
              static_cast<jint>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(natives.launch(jni.env(), nullptr, nullptr, jni.string(u16(L"\"" + missing + L"\" x"))),
              static_cast<jint>(ERROR_FILE_NOT_FOUND));
}

struct HandleList {
    std::vector<std::int32_t> values;
    std::vector<std::u16string> names;
};

std::optional<HandleList> listHandles(const Natives& natives, TestJni& jni) {
    const jobject list = natives.list(jni.env(), nullptr);
    if (jni.classNameOf(list) != "[Ljava/lang/Object;") return std::nullopt;
    const std::optional<std::vector<jobject>> elements = jni.elementsOf(list);
    if (!elements || elements->size() != 2) return std::nullopt;
    HandleList handles{jni.intsOf((*elements)[0]).value_or(std::vector<std::int32_t>{}),
                       jni.strings((*elements)[1]).value_or(std::vector<std::u16string>{})};
    return handles;
}

UniqueHandle openAlone(const fs::path& file) {
    return UniqueHandle(
        ::CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

TEST(FileHandles, ListsAFileThisProcessHoldsOpenByNameAndClosesIt) {
    const Natives natives;
    const ScratchDir scratch;
    const fs::path file = scratch.write("held-open-by-the-test.txt", "x");
    UniqueHandle held = openAlone(file);
    ASSERT_TRUE(held);
    ASSERT_FALSE(openAlone(file)) << "held without sharing";

    TestJni jni;
    const std::optional<HandleList> handles = listHandles(natives, jni);
    ASSERT_TRUE(handles.has_value());
    ASSERT_EQ(handles->values.size(), handles->names.size());
    const auto at = std::find_if(handles->names.begin(), handles->names.end(), [](const std::u16string& name) {
        constexpr std::u16string_view suffix = u"\\held-open-by-the-test.txt";
        return name.size() > suffix.size() && name.substr(name.size() - suffix.size()) == suffix;
    });
    ASSERT_NE(at, handles->names.end());
    const std::int32_t value = handles->values[static_cast<std::size_t>(at - handles->names.begin())];
    EXPECT_EQ(value, static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(held.get())));
    for (const std::u16string& name : handles->names) EXPECT_FALSE(name.empty());

    EXPECT_EQ(natives.close(jni.env(), nullptr, value), JNI_TRUE);
    // Closed under the owner's feet: the owner must not close it again.
    const HANDLE closed = held.release();
    DWORD flags = 0;
    EXPECT_FALSE(::GetHandleInformation(closed, &flags));
    EXPECT_TRUE(openAlone(file)) << "nothing holds the file any more";
}

TEST(FileHandles, ClosingWhatIsNoHandleFails) {
    const Natives natives;
    TestJni jni;
    constexpr jint kFarBeyondTheHandlesInUse = 0x00FFFFFC;
    EXPECT_EQ(natives.close(jni.env(), nullptr, kFarBeyondTheHandlesInUse), JNI_FALSE);
}

TEST(DeviceName, OfADriveLetterIsTheDeviceOfItsVolume) {
    const Natives natives;
    TestJni jni;
    wchar_t device[MAX_PATH];
    ASSERT_NE(::QueryDosDeviceW(L"C:", device, MAX_PATH), 0u);
    EXPECT_EQ(jni.text(natives.getDeviceName(jni.env(), nullptr, jni.string(u"\\??\\C:"))),
              std::optional<std::u16string>(toU16(device)));
    EXPECT_EQ(jni.text(natives.getDeviceName(jni.env(), nullptr, jni.string(u"\\??\\TavikNoSuchLink"))), std::nullopt);
    EXPECT_EQ(jni.text(natives.getDeviceName(jni.env(), nullptr, nullptr)), std::nullopt);
}

}  // namespace
}  // namespace tavik::test::proc
