// The single-instance guard of a packed program, from the project file's
// [single_instance] table to the name the VM receives. Instances side by side
// are watched in tests/win (SingleInstanceTest.cpp).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "tests/scenario/Scenario.h"
#include "tests/scenario/TestRuntime.h"

namespace tavik::scenario {
namespace {

std::string project(const std::string& singleInstance) {
    return R"(
[application]
main_class = "com.example.Main"
executable_kind = "console"
[java]
search_sequence = [ { kind = "A", value = "jre" } ]
[single_instance]
)" + singleInstance;
}

// The lowered path with its backslashes and blanks turned into '_'.
std::string flattened(const std::string& windowsPath) {
    std::string name;
    for (const char c : windowsPath)
        name += c == '\\' || c == ' ' ? '_' : c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    return name;
}

std::string semaphoreProperty(const TestRuntime& jre) {
    for (const std::string& option : jre.vmOptions())
        if (option.rfind("-Dtavik.semaphoreName=", 0) == 0) return option.substr(22);
    return "(none)";
}

TEST(SingleInstance, TheFirstInstanceHoldsItsSemaphoreOnlyWhileItRuns) {
    Scenario s;
    TestRuntime jre(s.dir() / "jre");
    jre.create();
    const fs::path exe = s.pack(project("mode = 1\nglobal = true\n"), "Single App.exe");

    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        const RunResult r = s.run(exe, directRun());
        EXPECT_EQ(r.exitCode, 0) << r.log;
        EXPECT_TRUE(r.hasLine("single instance mode"));
        // The ended first run left its process id behind, but no semaphore: this run is first again.
        EXPECT_FALSE(r.hasLine("other pid")) << r.log;
        EXPECT_EQ(semaphoreProperty(jre), "Global\\" + flattened(windowsPath(exe)));
    }
    // The first instance's process id stays behind under its lowered path.
    std::string lowered = windowsPath(exe);
    for (char& c : lowered) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    std::string listing;
    EXPECT_EQ(runWineTool({"reg", "query", "HKCU\\SOFTWARE\\norvale-systems\\tavik\\pids"}, listing), 0);
    EXPECT_THAT(withoutCarriageReturns(listing), ::testing::HasSubstr("    " + lowered + "    REG_DWORD    0x")) << listing;
}

TEST(SingleInstance, WithoutSingleInstanceModeTheNameIsNumbered) {
    Scenario s;
    TestRuntime jre(s.dir() / "jre");
    jre.create();
    const fs::path exe = s.pack(project("mode = 0\n"));
    const RunResult r = s.run(exe, directRun());
    EXPECT_EQ(r.exitCode, 0) << r.log;
    EXPECT_FALSE(r.hasLine("single instance mode"));
    EXPECT_EQ(semaphoreProperty(jre), "Local\\" + flattened(windowsPath(exe)) + "0");
}

}  // namespace
}  // namespace tavik::scenario
