// A packed launcher finding and loading a Java runtime through its search
// sequence, against stand-in runtimes laid out beside it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/scenario/Scenario.h"
#include "tests/scenario/TestRuntime.h"

namespace tavik::scenario {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;

std::string project(const std::string& searchEntries, const std::string& javaSettings = "") {
    return "[application]\nexecutable_kind = \"console\"\n[java]\nsearch_sequence = [" + searchEntries + "]\n" +
           javaSettings;
}

bool loaded(const TestRuntime& runtime) {
    const auto calls = runtime.jvmCalls();
    return !calls.empty() && calls.front().rfind("loaded ", 0) == 0;
}

TEST(JvmSearch, RelativeEntryIsFoundBesideTheLauncher) {
    Scenario s;
    TestRuntime jre(s.dir() / "jre");
    jre.create();
    const RunResult r = s.run(s.pack(project("{ kind = \"A\", value = \"jre\" }")), directRun());
    EXPECT_TRUE(loaded(jre)) << r.log;
    EXPECT_EQ(jre.runCount(), 1u);
}

TEST(JvmSearch, LibraryOfTheOtherWordSizeDoesNotEndTheSearch) {
    Scenario s;
    TestRuntime foreign(s.dir() / "foreign");
    foreign.jvmArchitecture(otherArchitecture(architecture())).create();
    TestRuntime native(s.dir() / "native");
    native.create();
    const RunResult r = s.run(
        s.pack(project("{ kind = \"A\", value = \"foreign\" }, { kind = \"A\", value = \"native\" }")), directRun());
    EXPECT_EQ(foreign.runCount(), 1u) << "the version check accepted it";
    EXPECT_FALSE(loaded(foreign));
    EXPECT_TRUE(loaded(native)) << r.log;
}

TEST(JvmSearch, VersionBoundsSkipARuntimeWithoutLoadingIt) {
    Scenario s;
    TestRuntime old(s.dir() / "old");
    old.versionLine("java version \"1.8.0_45\"").create();
    TestRuntime recent(s.dir() / "recent");
    recent.create();
    const RunResult r = s.run(s.pack(project("{ kind = \"A\", value = \"old\" }, { kind = \"A\", value = \"recent\" }",
                                             "min_version = \"11\"\n")),
                              directRun());
    EXPECT_EQ(old.runCount(), 1u);
    EXPECT_THAT(old.jvmCalls(), IsEmpty());
    EXPECT_TRUE(loaded(recent)) << r.log;
}

TEST(JvmSearch, EnvironmentEntryMayUseForwardSlashes) {
    Scenario s;
    TestRuntime jdk(s.dir() / "jdk");
    jdk.create();
    RunOptions options = directRun();
    std::string value = windowsPath(jdk.home());
    for (char& c : value)
        if (c == '\\') c = '/';
    options.winEnv["SCENARIO_JAVA"] = value;
    const RunResult r = s.run(s.pack(project("{ kind = \"E\", value = \"SCENARIO_JAVA\" }")), options);
    EXPECT_TRUE(loaded(jdk)) << r.log;
}

// A runtime found through the registry that does not load ends with message 1005.
TEST(JvmSearch, UnloadableRegistryRuntimeShowsTheNoRuntimeMessage) {
    Scenario s;
    TestRuntime foreign(s.dir() / "registered");
    foreign.jvmArchitecture(otherArchitecture(architecture())).create();
    std::string keyName = windowsPath(foreign.javaExe());
    for (char& c : keyName)
        if (c == '\\') c = '/';
    const std::string key = "HKCU\\SOFTWARE\\norvale-systems\\tavik\\locatedjvms\\" + keyName;
    ASSERT_EQ(runWineTool({"reg", "add", key, "/f"}), 0);
    const RunResult r = s.run(s.pack(project("{ kind = \"Y\" }") + "[messages]\n1005 = \"registry runtime unusable\"\n"),
                              directRun());
    runWineTool({"reg", "delete", key, "/f"});
    EXPECT_EQ(foreign.runCount(), 1u) << r.log;
    EXPECT_FALSE(loaded(foreign));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(withoutCarriageReturns(r.err), StartsWith("registry runtime unusable\n"));
}

TEST(JvmSearch, NothingFoundShowsTheWordSizeMessage) {
    Scenario s;
    const RunResult r = s.run(s.pack(project("{ kind = \"A\", value = \"missing\" }") +
                                     "[messages]\n1016 = \"no {0}-bit Java\"\n"),
                              directRun());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(withoutCarriageReturns(r.err),
                StartsWith(std::string("no ") + (architecture() == "win64" ? "64" : "32") + "-bit Java\n"));
}

}  // namespace
}  // namespace tavik::scenario
