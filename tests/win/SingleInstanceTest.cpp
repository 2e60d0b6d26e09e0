// The single-instance guard under Wine: its registry value, window activation
// and mailslot sender in this process, and whole instances as concurrent
// child processes: packed launchers (notify off) and packed copies of
// guardprobe (notify on), each with a recording jvm.dll whose main waits for
// a release file, so that a first instance keeps running while more start.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cwchar>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "common/win/Handles.h"
#include "common/win/WideText.h"
#include "launcher/core/InstanceNames.h"
#include "launcher/win/instance/SingleInstance.h"
#include "tests/support/TextLines.h"
#include "tests/win/TestSupport.h"

namespace tavik::test {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;

using Environment = std::map<std::wstring, std::wstring>;

// ---- In this process.

// Spelled out: every launcher of the user keeps its instances here.
constexpr wchar_t kInstanceKey[] = L"SOFTWARE\\norvale-systems\\tavik\\pids\\";

// A value under the instance key, removed again at the end.
class ScratchInstanceValue {
public:
    ScratchInstanceValue()
        : path_("c:\\tavik test\\" + std::to_string(::GetCurrentProcessId()) + "\\" + std::to_string(++counter_) +
                "\\app.exe") {}
    ~ScratchInstanceValue() {
        HKEY key = nullptr;
        if (::RegOpenKeyExW(HKEY_CURRENT_USER, kInstanceKey, 0, KEY_SET_VALUE,
                            &key) != ERROR_SUCCESS)
            return;
        ::RegDeleteValueW(key, fromAnsi(path_).c_str());
        ::RegCloseKey(key);
    }
    ScratchInstanceValue(const ScratchInstanceValue&) = delete;
    ScratchInstanceValue& operator=(const ScratchInstanceValue&) = delete;

    const std::string& path() const { return path_; }

    void setRaw(DWORD type, const std::string& bytes) const {
        UniqueHKey key;
        ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, kInstanceKey, 0, nullptr, 0,
                                    KEY_SET_VALUE, nullptr, key.put(), nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(::RegSetValueExW(key.get(), fromAnsi(path_).c_str(), 0, type,
                                   reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size())),
                  ERROR_SUCCESS);
    }

    // The value as the registry holds it: type and bytes, or none.
    std::optional<std::pair<DWORD, std::string>> stored() const {
        DWORD type = 0;
        std::string bytes(16, '\0');
        DWORD size = static_cast<DWORD>(bytes.size());
        if (::RegGetValueW(HKEY_CURRENT_USER, kInstanceKey, fromAnsi(path_).c_str(), RRF_RT_ANY, &type, bytes.data(),
                           &size) != ERROR_SUCCESS)
            return std::nullopt;
        bytes.resize(size);
        return std::make_pair(type, bytes);
    }

private:
    static inline int counter_ = 0;
    std::string path_;
};

TEST(InstanceRegistry, ReadsBackTheWrittenIdAndNothingButFourBytes) {
    const ScratchInstanceValue value;
    EXPECT_EQ(instance::readInstancePid(value.path()), 0u) << "no value yet";
    instance::writeInstancePid(value.path(), 4321);
    EXPECT_EQ(value.stored(), std::make_pair(DWORD{REG_DWORD}, std::string("\xE1\x10\x00\x00", 4)));
    EXPECT_EQ(instance::readInstancePid(value.path()), 4321u);
    instance::writeInstancePid(value.path(), 77);
    EXPECT_EQ(instance::readInstancePid(value.path()), 77u) << "the next first instance overwrites it";

    struct Case {
        const char* name;
        DWORD type;
        std::string bytes;
        std::uint32_t want;
    };
    const Case cases[] = {
        {"eight bytes", REG_QWORD, std::string("\x05\x00\x00\x00\x00\x00\x00\x00", 8), 0},
        {"two bytes", REG_BINARY, std::string("\x05\x00", 2), 0},
        {"empty", REG_BINARY, "", 0},
        {"four bytes of another type", REG_BINARY, std::string("\x05\x01\x00\x00", 4), 0x105},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        value.setRaw(c.type, c.bytes);
        EXPECT_EQ(instance::readInstancePid(value.path()), c.want);
    }
}

TEST(InstanceRegistry, PathsDifferingInCaseAreOneValue) {
    const ScratchInstanceValue value;
    instance::writeInstancePid(value.path(), 99);
    std::string upper = value.path();
    std::transform(upper.begin(), upper.end(), upper.begin(), [](char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; });
    // Registry value names ignore case, so the lowered path is only one of several spellings that meet here.
    EXPECT_EQ(instance::readInstancePid(upper), 99u);
}

struct TestWindow {
    HWND handle = nullptr;
    ~TestWindow() {
        if (handle != nullptr) ::DestroyWindow(handle);
    }
};

TestWindow createWindow(DWORD style) {
    static const ATOM windowClass = [] {
        WNDCLASSW description{};
        description.lpfnWndProc = &::DefWindowProcW;
        description.hInstance = ::GetModuleHandleW(nullptr);
        description.lpszClassName = L"TavikSingleInstanceTest";
        return ::RegisterClassW(&description);
    }();
    TestWindow window;
    window.handle = ::CreateWindowExW(0, MAKEINTATOM(windowClass), L"instance", style, 10, 10, 200, 100, nullptr,
                                      nullptr, ::GetModuleHandleW(nullptr), nullptr);
    return window;
}

TEST(WindowActivation, RestoresMinimisedVisibleWindowsOnlyWhenAsked) {
    const TestWindow shown = createWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    const TestWindow hidden = createWindow(WS_OVERLAPPEDWINDOW | WS_MINIMIZE);
    // This test runs in the prefix that sees the virtual display, where windows must work.
    ASSERT_NE(shown.handle, nullptr) << ::GetLastError();
    ASSERT_NE(hidden.handle, nullptr) << ::GetLastError();
    ::ShowWindow(shown.handle, SW_MINIMIZE);
    ASSERT_TRUE(::IsIconic(shown.handle));
    ASSERT_TRUE(::IsIconic(hidden.handle));

    instance::activateInstanceWindows(::GetCurrentProcessId() + 4, instance::MinimisedWindows::Restored);
    EXPECT_TRUE(::IsIconic(shown.handle)) << "another process's windows are left alone";
    instance::activateInstanceWindows(::GetCurrentProcessId(), instance::MinimisedWindows::Kept);
    EXPECT_TRUE(::IsIconic(shown.handle)) << "without the restore flag a minimised window stays so";
    instance::activateInstanceWindows(::GetCurrentProcessId(), instance::MinimisedWindows::Restored);
    EXPECT_FALSE(::IsIconic(shown.handle));
    EXPECT_TRUE(::IsIconic(hidden.handle)) << "invisible windows are not touched";
}

TEST(StartupNotification, SendsTheTailAsOneMessageWithoutTerminator) {
    struct Case {
        const char* name;
        std::u16string_view tail;
        std::u16string_view message;
    };
    const Case cases[] = {
        {"empty tail", u"", u"__rwt_empty_command_line"},
        {"quoted arguments", u"\"a b\" 'c'  d", u"\"a b\" 'c'  d"},
        {"non-ASCII", u"\u00e4\u03a9 x", u"\u00e4\u03a9 x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const UniqueHandle mailslot(::CreateMailslotW(
            toWide(instance::mailslotName(::GetCurrentProcessId())).c_str(), 65536, 0, nullptr));
        ASSERT_TRUE(mailslot) << ::GetLastError();
        instance::sendStartupNotification(::GetCurrentProcessId(), c.tail);
        DWORD nextSize = 0;
        DWORD count = 0;
        ASSERT_TRUE(::GetMailslotInfo(mailslot.get(), nullptr, &nextSize, &count, nullptr));
        EXPECT_EQ(count, 1u);
        ASSERT_EQ(nextSize, c.message.size() * 2);
        std::u16string received(nextSize / 2, u'\0');
        DWORD read = 0;
        ASSERT_TRUE(::ReadFile(mailslot.get(), received.data(), nextSize, &read, nullptr));
        EXPECT_EQ(received, c.message);
    }
}

// ---- Instances as child processes.

// The test composes the command line itself: its tail is what a second start sends.
class Process {
public:
    Process(const fs::path& exe, const std::wstring& arguments, const Environment& changes) {
        std::wstring commandLine = L"\"" + exe.wstring() + L"\"" + arguments;
        std::wstring block = environmentWith(changes);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started{};
        if (!createProcessRetrying(exe.c_str(), commandLine, FALSE, CREATE_UNICODE_ENVIRONMENT, block.data(), startup,
                                   started))
            throw std::runtime_error("CreateProcessW failed: " + std::to_string(::GetLastError()));
        process_.reset(started.hProcess);
        ::CloseHandle(started.hThread);
        id_ = started.dwProcessId;
    }
    ~Process() {
        if (running()) {
            ::TerminateProcess(process_.get(), 97);
            ::WaitForSingleObject(process_.get(), 10000);
        }
    }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    DWORD id() const { return id_; }
    bool running() const { return ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT; }
    // None when it is still running after the time.
    std::optional<DWORD> exitCode(std::chrono::seconds within = std::chrono::seconds(60)) const {
        const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(within).count();
        if (::WaitForSingleObject(process_.get(), static_cast<DWORD>(millis)) != WAIT_OBJECT_0) return std::nullopt;
        DWORD code = 0;
        ::GetExitCodeProcess(process_.get(), &code);
        return code;
    }

private:
    static std::wstring environmentWith(const Environment& changes) {
        std::map<std::wstring, std::wstring> variables;
        const wchar_t* strings = ::GetEnvironmentStringsW();
        for (const wchar_t* entry = strings; *entry != L'\0'; entry += std::wcslen(entry) + 1) {
            const std::wstring text = entry;
            const auto equals = text.find(L'=', 1);
            if (equals != std::wstring::npos) variables[text.substr(0, equals)] = text.substr(equals + 1);
        }
        ::FreeEnvironmentStringsW(const_cast<wchar_t*>(strings));
        for (const auto& [name, value] : changes) {
            if (value.empty())
                variables.erase(name);
            else
                variables[name] = value;
        }
        std::wstring block;
        for (const auto& [name, value] : variables) block += name + L"=" + value + L'\0';
        return block + L'\0';
    }

    UniqueHandle process_;
    DWORD id_ = 0;
};

bool waitFor(const std::function<bool()>& condition, int seconds = 60) {
    for (int poll = 0; poll < seconds * 20; ++poll) {
        if (condition()) return true;
        ::Sleep(50);
    }
    return condition();
}

std::vector<std::string> fileLines(const fs::path& path) { return lines(readFile(path)); }

bool contains(const std::vector<std::string>& all, const std::string& line) {
    return std::find(all.begin(), all.end(), line) != all.end();
}

// Each instance logs into a temporary base of its own.
std::string logIn(const fs::path& base) {
    std::string text;
    if (!fs::is_directory(base)) return text;
    for (const auto& entry : fs::directory_iterator(base))
        if (entry.path().filename().string().rfind("rwt_nlog_", 0) == 0) text += readFile(entry.path());
    return testsupport::withoutCarriageReturns(text);
}

constexpr char kPlainMain[] = "call com/tavik/runtime/WinLauncher.main([Ljava/lang/String;)V";
constexpr char kStartupPerformed[] = "call com/tavik/Controller.startupPerformed(Ljava/lang/String;)V";

// A stand-in runtime whose main runs until "release" appears beside jvm.dll.
struct Runtime {
    fs::path home;
    fs::path vmDirectory() const { return home / "bin" / "server"; }
    fs::path jvmDll() const { return vmDirectory() / "jvm.dll"; }
    std::vector<std::string> calls() const { return fileLines(vmDirectory() / "jvm-calls.log"); }
    bool mainRunning() const { return contains(calls(), kPlainMain); }
    void release() const { writeFile(vmDirectory() / "release", ""); }
    // The arguments of each startupPerformed call, in order.
    std::vector<std::string> notifications() const {
        std::vector<std::string> arguments;
        const std::vector<std::string> all = calls();
        for (std::size_t i = 0; i + 1 < all.size(); ++i)
            if (all[i] == kStartupPerformed) arguments.push_back(all[i + 1]);
        return arguments;
    }
    std::optional<std::string> semaphoreOption() const {
        for (const std::string& line : calls())
            if (line.rfind("option -Dtavik.semaphoreName=", 0) == 0) return line.substr(29);
        return std::nullopt;
    }
};

Runtime makeRuntime(const fs::path& home, const std::string& vmDirectives = "") {
    const fs::path programs = fs::path(TAVIK_TEST_RUNTIME_DIR);
    Runtime runtime{home};
    fs::create_directories(runtime.vmDirectory());
    fs::copy_file(programs / "java.exe", home / "bin" / "java.exe", fs::copy_options::overwrite_existing);
    fs::copy_file(programs / "jvm.dll", runtime.jvmDll(), fs::copy_options::overwrite_existing);
    writeFile(home / "bin" / "fake-java.cfg", "openjdk version \"17.0.1\" 2021-10-19\n0\n");
    writeFile(runtime.vmDirectory() / "fake-jvm.cfg", "main-waits-for release\n" + vmDirectives);
    return runtime;
}

std::string configBlock(const std::vector<std::pair<std::int32_t, std::string>>& records) {
    std::string narrow;
    for (const auto& [id, text] : records) narrow += narrowRecord(id, text);
    return BlockBuilder().header().uint32(static_cast<std::uint32_t>(records.size())).raw(narrow).uint32(0).uint32(0).text();
}

// The semaphore name the guard derives from the path an instance runs from.
std::string expectedSemaphore(const fs::path& exe, const std::string& suffix, const std::string& prefix = "Local\\") {
    std::string name = prefix;
    for (const char c : exe.string()) name += c == '\\' || c == ' ' ? '_' : c >= 'A' && c <= 'Z' ? c + 32 : c;
    return name + suffix;
}

std::wstring upperCased(std::wstring text) {
    std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return c >= L'a' && c <= L'z' ? c - 32 : c; });
    return text;
}

class GuardedInstances : public ::testing::Test {
protected:
    // An instance of `exe` using `runtime`, logging into a base of its own.
    std::unique_ptr<Process> start(const fs::path& exe, const Runtime& runtime, const std::wstring& arguments = L"",
                                   Environment extra = {}) {
        const fs::path base = scratch_.path() / ("base" + std::to_string(++instances_));
        fs::create_directories(base);
        bases_.push_back(base);
        Environment environment = {{L"TAVIK_LOG", L"yes"},         {L"RUNWRIGHT_LOG", L""},
                                   {L"TMP", base.wstring()},        {L"TEMP", base.wstring()},
                                   {L"TAVIK_JAVA_HOME", L""},       {L"RUNWRIGHT_JAVA_HOME", L""},
                                   {L"APP_JRE", runtime.home.wstring()},
                                   {L"TAVIK_PROBE_JVM", runtime.jvmDll().wstring()}};
        for (const auto& [name, value] : extra) environment[name] = value;
        return std::make_unique<Process>(exe, arguments, environment);
    }
    std::string log(std::size_t instance) const { return logIn(bases_.at(instance)); }

    ScratchDir scratch_;
    std::vector<fs::path> bases_;
    int instances_ = 0;
};

// ---- The notification half, through guardprobe.

class NotifyingInstances : public GuardedInstances {
protected:
    fs::path packProbe(const std::string& mode) {
        const fs::path exe = scratch_.path() / "app dir" / "probe.exe";
        fs::create_directories(exe.parent_path());
        writePackedCopy(fs::path(TAVIK_GUARD_PROBE_EXE), exe, configBlock({{107, "0"}, {2001, "t"}, {10005, mode}}));
        return exe;
    }
};

TEST_F(NotifyingInstances, SecondStartsEndAndHandTheirCommandLineTailsToTheFirst) {
    const fs::path exe = packProbe("1");
    const Runtime runtime = makeRuntime(scratch_.path() / "jre");
    const auto first = start(exe, runtime);
    ASSERT_TRUE(waitFor([&] { return runtime.mainRunning(); })) << log(0);

    const auto bare = start(exe, runtime);
    EXPECT_EQ(bare->exitCode(), 0u) << log(1);
    const auto withArguments = start(exe, runtime, LR"(   "quoted arg" 'single'  plain)");
    EXPECT_EQ(withArguments->exitCode(), 0u) << log(2);

    ASSERT_TRUE(waitFor([&] { return runtime.notifications().size() == 2; })) << log(0);
    EXPECT_THAT(runtime.notifications(), ::testing::ElementsAre("arg null", R"(arg ""quoted arg" 'single'  plain")"));
    EXPECT_THAT(runtime.calls(), Contains(HasSubstr("AttachCurrentThreadAsDaemon")));
    EXPECT_TRUE(first->running()) << "the first instance runs on untouched";
    EXPECT_THAT(log(1), HasSubstr("other pid " + std::to_string(first->id()) + "\n"));
    EXPECT_THAT(log(1), HasSubstr("exiting\n"));
    EXPECT_THAT(log(1), Not(HasSubstr("error mailslot")));
    EXPECT_THAT(log(0), HasSubstr("creating mailslot successful\n"));
    EXPECT_THAT(log(0), HasSubstr("listening to mailslot\n"));

    runtime.release();
    EXPECT_EQ(first->exitCode(), 0u) << log(0);
    EXPECT_THAT(runtime.semaphoreOption(), ::testing::Optional(expectedSemaphore(exe, "")));
}

TEST_F(NotifyingInstances, MessageSentBeforeTheVmExistsArrivesOnceItDoes) {
    const fs::path exe = packProbe("1");
    const Runtime runtime = makeRuntime(scratch_.path() / "jre");
    const fs::path createVm = scratch_.path() / "create-vm";
    const auto first = start(exe, runtime, L"", {{L"TAVIK_PROBE_VM_AFTER", createVm.wstring()}});
    ASSERT_TRUE(waitFor([&] { return log(0).find("listening to mailslot") != std::string::npos; })) << log(0);

    const auto second = start(exe, runtime, L" early");
    EXPECT_EQ(second->exitCode(), 0u) << log(1);
    EXPECT_TRUE(runtime.calls().empty()) << "no VM library loaded yet";

    writeFile(createVm, "");
    ASSERT_TRUE(waitFor([&] { return !runtime.notifications().empty(); })) << log(0);
    EXPECT_THAT(runtime.notifications(), ::testing::ElementsAre("arg \"early\""));
    const std::vector<std::string> calls = runtime.calls();
    const auto created = std::find(calls.begin(), calls.end(), "JNI_CreateJavaVM returns 0");
    const auto delivered = std::find(calls.begin(), calls.end(), kStartupPerformed);
    EXPECT_LT(created, delivered);
    runtime.release();
    EXPECT_EQ(first->exitCode(), 0u) << log(0);
}

TEST_F(NotifyingInstances, ACallbackThatFailsCostsOnlyItsOwnMessage) {
    const fs::path exe = packProbe("1");
    const Runtime throwing = makeRuntime(
        scratch_.path() / "jre", "throw com/tavik/Controller.startupPerformed java.lang.IllegalStateException: busy\n");
    const auto first = start(exe, throwing);
    ASSERT_TRUE(waitFor([&] { return throwing.mainRunning(); })) << log(0);
    EXPECT_EQ(start(exe, throwing, L" one")->exitCode(), 0u);
    EXPECT_EQ(start(exe, throwing, L" two")->exitCode(), 0u);
    ASSERT_TRUE(waitFor([&] { return throwing.notifications().size() == 2; })) << log(0);
    EXPECT_THAT(throwing.notifications(), ::testing::ElementsAre("arg \"one\"", "arg \"two\""));
    EXPECT_THAT(throwing.calls(), Contains("ExceptionDescribe java.lang.IllegalStateException: busy"));
    throwing.release();
    EXPECT_EQ(first->exitCode(), 0u) << log(0);
}

TEST_F(NotifyingInstances, WithoutTheControllerClassMessagesAreDropped) {
    const fs::path exe = packProbe("1");
    const Runtime runtime = makeRuntime(scratch_.path() / "jre", "missing-class com/tavik/Controller\n");
    const auto first = start(exe, runtime);
    ASSERT_TRUE(waitFor([&] { return runtime.mainRunning(); })) << log(0);
    EXPECT_EQ(start(exe, runtime, L" lost")->exitCode(), 0u);
    EXPECT_EQ(start(exe, runtime, L" lost too")->exitCode(), 0u);
    ASSERT_TRUE(waitFor([&] {
        const std::string text = log(0);
        std::size_t count = 0;
        for (std::size_t at = text.find("error mailslot methods "); at != std::string::npos;
             at = text.find("error mailslot methods ", at + 1))
            ++count;
        return count == 2;  // looked up again for the second message
    })) << log(0);
    EXPECT_TRUE(runtime.notifications().empty());
    EXPECT_TRUE(first->running());
    runtime.release();
    EXPECT_EQ(first->exitCode(), 0u) << log(0);
}

// ---- The launcher itself: its pipeline runs the guard without notification.

class LauncherInstances : public GuardedInstances {
protected:
    // A console-mode launcher of the plain flavour whose runtime is named by APP_JRE.
    fs::path packLauncher(const fs::path& exe, const std::string& mode, const std::string& globalNamespace = "0") {
        fs::create_directories(exe.parent_path());
        writePackedCopy(fs::path(TAVIK_LAUNCHER_EXE), exe,
                        configBlock({{107, "0"}, {2001, "t"}, {128, "EAPP_JRE"}, {10005, mode}, {10007, "1"},
                                     {158, globalNamespace}}));
        return exe;
    }
};

TEST_F(LauncherInstances, SecondStartThroughAnyCaseOfThePathEndsWhileTheFirstRuns) {
    const fs::path exe = packLauncher(scratch_.path() / "App Dir" / "App.exe", "1");
    const Runtime runtime = makeRuntime(scratch_.path() / "jre");
    const auto first = start(exe, runtime, L" /run");
    ASSERT_TRUE(waitFor([&] { return runtime.mainRunning(); })) << log(0);

    const auto second = start(fs::path(upperCased(exe.wstring())), runtime, L" /run");
    EXPECT_EQ(second->exitCode(), 0u) << log(1);
    EXPECT_THAT(log(1), HasSubstr("single instance mode\n"));
    EXPECT_THAT(log(1), HasSubstr("other pid " + std::to_string(first->id()) + "\n"));
    EXPECT_THAT(log(1), HasSubstr("exiting\n"));
    EXPECT_THAT(log(1), Not(HasSubstr("mailslot"))) << "the launcher's own guard never notifies";
    EXPECT_THAT(log(1), Not(HasSubstr("Creating JVM")));

    // A copy elsewhere is another executable with a semaphore of its own.
    const fs::path copy = packLauncher(scratch_.path() / "other" / "App.exe", "1");
    const Runtime otherRuntime = makeRuntime(scratch_.path() / "other jre");
    const auto elsewhere = start(copy, otherRuntime, L" /run");
    EXPECT_TRUE(waitFor([&] { return otherRuntime.mainRunning(); })) << log(2);

    EXPECT_TRUE(first->running());
    EXPECT_THAT(log(0), Not(HasSubstr("mailslot")));
    runtime.release();
    otherRuntime.release();
    EXPECT_EQ(first->exitCode(), 0u) << log(0);
    EXPECT_EQ(elsewhere->exitCode(), 0u) << log(2);
    EXPECT_THAT(runtime.semaphoreOption(), ::testing::Optional(expectedSemaphore(exe, "")));
}

TEST_F(LauncherInstances, MultiInstanceModeNumbersConcurrentInstancesFromZero) {
    const fs::path exe = packLauncher(scratch_.path() / "multi" / "app.exe", "0");
    std::vector<Runtime> runtimes;
    std::vector<std::unique_ptr<Process>> instances;
    for (int i = 0; i < 3; ++i) {
        runtimes.push_back(makeRuntime(scratch_.path() / ("jre" + std::to_string(i))));
        instances.push_back(start(exe, runtimes.back(), L" /run"));
        // One after the other, so that the numbers follow the order of the starts.
        ASSERT_TRUE(waitFor([&] { return runtimes.back().mainRunning(); })) << log(static_cast<std::size_t>(i));
    }
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(instances[static_cast<std::size_t>(i)]->running());
        EXPECT_THAT(runtimes[static_cast<std::size_t>(i)].semaphoreOption(),
                    ::testing::Optional(expectedSemaphore(exe, std::to_string(i))));
        EXPECT_THAT(log(static_cast<std::size_t>(i)), Not(HasSubstr("single instance mode")));
    }
    for (const Runtime& runtime : runtimes) runtime.release();
    for (const auto& instance : instances) EXPECT_EQ(instance->exitCode(), 0u);
}

TEST_F(LauncherInstances, GlobalNamespaceWhenConfigured) {
    const fs::path exe = packLauncher(scratch_.path() / "global" / "app.exe", "0", "1");
    const Runtime runtime = makeRuntime(scratch_.path() / "jre");
    runtime.release();
    EXPECT_EQ(start(exe, runtime, L" /run")->exitCode(), 0u) << log(0);
    EXPECT_THAT(runtime.semaphoreOption(), ::testing::Optional(expectedSemaphore(exe, "0", "Global\\")));
}

}  // namespace
}  // namespace tavik::test
