// Child processes and pipes, with this test program as the child.
#include "common/win/Process.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/win/Pipe.h"

namespace tavik {
namespace {

constexpr DWORD kChildEndMillis = 20000;

std::wstring selfPath() {
    std::wstring path(32768, L'\0');
    path.resize(::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return path;
}

std::wstring childCommand(const std::wstring& arguments) { return L"\"" + selfPath() + L"\" --child " + arguments; }

std::string narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

std::string readToEnd(HANDLE from) {
    std::string bytes;
    char chunk[256];
    DWORD read = 0;
    while (::ReadFile(from, chunk, sizeof chunk, &read, nullptr) && read != 0) bytes.append(chunk, read);
    return bytes;
}

TEST(ChildProcess, WaitReportsTheExitCodeOfAnEndedChild) {
    struct Case {
        const char* name;
        const wchar_t* arguments;
        std::uint32_t exitCode;
    };
    const Case cases[] = {
        {"success", L"exit 0", 0},
        {"failure code", L"exit 3", 3},
        // Only the end of the wait tells this one from a running child.
        {"the code that reads as still active", L"exit 259", STILL_ACTIVE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Result<ChildProcess> child = startProcess(nullptr, childCommand(c.arguments), ProcessOptions{});
        ASSERT_TRUE(child) << child.error().code;
        const Result<ProcessWait> ended = child->wait(kChildEndMillis);
        ASSERT_TRUE(ended) << ended.error().api;
        EXPECT_FALSE(ended->timedOut);
        EXPECT_EQ(ended->exitCode, c.exitCode);
    }
}

TEST(ChildProcess, SleepingChildTimesOutStillActiveUntilTerminated) {
    const Result<ChildProcess> child = startProcess(nullptr, childCommand(L"sleep 60000"), ProcessOptions{});
    ASSERT_TRUE(child) << child.error().code;

    const Result<ProcessWait> polled = child->wait(0);
    ASSERT_TRUE(polled);
    EXPECT_TRUE(polled->timedOut);
    EXPECT_EQ(polled->exitCode, STILL_ACTIVE);
    const Result<ProcessWait> waited = child->wait(300);
    ASSERT_TRUE(waited);
    EXPECT_TRUE(waited->timedOut);
    EXPECT_EQ(waited->exitCode, STILL_ACTIVE);

    ASSERT_TRUE(child->terminate(7));
    const Result<ProcessWait> ended = child->wait(INFINITE);
    ASSERT_TRUE(ended);
    EXPECT_FALSE(ended->timedOut);
    EXPECT_EQ(ended->exitCode, 7u);
}

TEST(StartProcess, RedirectsStandardErrorIntoAnInheritedFile) {
    wchar_t directory[MAX_PATH + 1];
    ASSERT_NE(::GetTempPathW(MAX_PATH + 1, directory), 0u);
    const std::wstring name = std::wstring(directory) + L"tavik-common-stderr-" +
                              std::to_wstring(::GetCurrentProcessId()) + L".txt";
    // Both forms of the call: the launcher starts children from 8-bit and from wide command lines.
    for (const bool wide : {true, false}) {
        SCOPED_TRACE(wide ? "wide" : "8-bit");
        SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        UniqueHandle file(::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file);
        ProcessOptions options;
        options.inheritHandles = true;
        options.standardHandles = StandardHandles{nullptr, nullptr, file.get()};
        options.showWindow = SW_HIDE;
        const std::wstring command = childCommand(L"stderr to-the-file");
        const Result<ChildProcess> child = wide ? startProcess(nullptr, command, options)
                                                : startProcess(nullptr, narrow(command), options);
        ASSERT_TRUE(child) << child.error().api << " " << child.error().code;
        const Result<ProcessWait> ended = child->wait(kChildEndMillis);
        ASSERT_TRUE(ended);
        EXPECT_EQ(ended->exitCode, 0u);

        ASSERT_NE(::SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
        EXPECT_EQ(readToEnd(file.get()), "to-the-file");
        file.reset();
        ::DeleteFileW(name.c_str());
    }
}

TEST(StartProcess, MissingProgramFailsNamingTheCallAndItsCode) {
    wchar_t directory[MAX_PATH + 1];
    ASSERT_NE(::GetTempPathW(MAX_PATH + 1, directory), 0u);
    const std::wstring missing = std::wstring(directory) + L"tavik-missing-program.exe";
    const Result<ChildProcess> wide = startProcess(missing.c_str(), missing, ProcessOptions{});
    ASSERT_FALSE(wide);
    EXPECT_STREQ(wide.error().api, "CreateProcessW");
    EXPECT_EQ(wide.error().code, static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));

    const Result<ChildProcess> narrowStart = startProcess(narrow(missing).c_str(), narrow(missing), ProcessOptions{});
    ASSERT_FALSE(narrowStart);
    EXPECT_STREQ(narrowStart.error().api, "CreateProcessA");
    EXPECT_EQ(narrowStart.error().code, static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
}

TEST(CreatePipe, OnlyTheNamedEndIsInheritable) {
    for (const PipeEnd inherited : {PipeEnd::Read, PipeEnd::Write}) {
        SCOPED_TRACE(inherited == PipeEnd::Read ? "read end inherited" : "write end inherited");
        const Result<Pipe> pipe = createPipe(inherited);
        ASSERT_TRUE(pipe) << pipe.error().api;
        DWORD readFlags = 0;
        DWORD writeFlags = 0;
        ASSERT_TRUE(::GetHandleInformation(pipe->read.get(), &readFlags));
        ASSERT_TRUE(::GetHandleInformation(pipe->write.get(), &writeFlags));
        EXPECT_EQ((readFlags & HANDLE_FLAG_INHERIT) != 0, inherited == PipeEnd::Read);
        EXPECT_EQ((writeFlags & HANDLE_FLAG_INHERIT) != 0, inherited == PipeEnd::Write);
    }
}

// The service's two pipes: a line to the child's input, the child's output back.
// A kept end that leaked into the child would keep its input from ending.
TEST(CreatePipe, ChildReadsTheInheritedEndToItsEndAndAnswersThroughTheOther) {
    Result<Pipe> input = createPipe(PipeEnd::Read);
    Result<Pipe> output = createPipe(PipeEnd::Write);
    ASSERT_TRUE(input);
    ASSERT_TRUE(output);
    ProcessOptions options;
    options.inheritHandles = true;
    options.standardHandles = StandardHandles{input->read.get(), output->write.get(), output->write.get()};
    const Result<ChildProcess> child = startProcess(nullptr, childCommand(L"copy-input"), options);
    ASSERT_TRUE(child) << child.error().code;
    input->read.reset();
    output->write.reset();

    const std::string line = "0\n";
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(input->write.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr));
    input->write.reset();

    const Result<ProcessWait> ended = child->wait(kChildEndMillis);
    ASSERT_TRUE(ended);
    if (ended->timedOut) child->terminate(1);
    ASSERT_FALSE(ended->timedOut) << "the child never saw its input end";
    EXPECT_EQ(ended->exitCode, 0u);
    EXPECT_EQ(readToEnd(output->read.get()), line);
}

}  // namespace
}  // namespace tavik
