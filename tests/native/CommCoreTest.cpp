// The pipe module with short retry pauses, so that the paths where every
// retry fails run in a moment; the natives pass the long ones. What it prints
// is read from a child process's standard output.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "common/win/WideText.h"
#include "native/comm/NamedPipe.h"
#include "tests/native/CommTestSupport.h"
#include "tests/win/TestSupport.h"

namespace tavik::test::comm {
namespace {

namespace pipe = tavik::native::comm;

TEST(PipeModule, AListenerThatCannotConnectGivesUpAfterItsRetriesWithTheCode) {
    const UniqueHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ASSERT_FALSE(::ConnectNamedPipe(event.get(), nullptr));
    const DWORD code = ::GetLastError();

    const ChildResult child = runScenario(testExecutable(), "listener-gives-up", {});
    EXPECT_EQ(child.exitCode, 0) << child.err;
    EXPECT_EQ(lines(child.out),
              (std::vector<std::string>{"could not connect named pipe " + std::to_string(code), "connected=0"}));
}

TEST(PipeModule, AClientNobodyServesGivesUpAfterItsRetriesWithTheCodeAndTheName) {
    const std::wstring name = uniquePipeName(L"nobody");
    ASSERT_FALSE(UniqueHandle(
        ::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr)));
    const DWORD code = ::GetLastError();

    const ChildResult child = runScenario(testExecutable(), "client-gives-up", {toU16(name)});
    EXPECT_EQ(child.exitCode, 0) << child.err;
    EXPECT_EQ(lines(child.out), (std::vector<std::string>{
                                    "could not open file " + std::to_string(code) + " " + utf8(toU16(name)),
                                    "opened=0"}));
}

TEST(PipeModule, AClientKeepsTryingUntilTheListenerAppears) {
    const std::wstring name = uniquePipeName(L"late");
    UniqueHandle listener;  // a new instance takes a client before ConnectNamedPipe
    std::thread lateListener([&] {
        ::Sleep(300);
        listener = rawListener(name);
    });
    const UniqueHandle client = pipe::connectClient(name.c_str(), {100, 20, 10, 10});
    lateListener.join();
    ASSERT_TRUE(listener);
    EXPECT_TRUE(client);
}

}  // namespace
}  // namespace tavik::test::comm
