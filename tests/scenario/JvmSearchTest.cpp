// A packed launcher finding and loading a Java runtime through its search
// sequence, against stand-in runtimes laid out beside it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cctype>
#include <cstdio>
#include <sstream>

#include "tests/scenario/Scenario.h"
#include "tests/scenario/TestRuntime.h"

namespace tavik::scenario {
namespace {

using ::testing::Contains;
using ::testing::ContainsRegex;
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

// Id 130 opens the pre-release filter for every kind of candidate, here one
// named by an environment variable.
TEST(JvmSearch, PrereleaseRuntimePassesOnlyWhenAllowed) {
    const struct {
        const char* what;
        const char* javaSettings;
        bool loads;
    } cases[] = {
        {"allowed", "allow_prerelease = true\n", true},
        {"plain configuration", "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Scenario s;
        TestRuntime early(s.dir() / "early");
        early.versionLine("openjdk version \"17-ea\" 2021-03-18").create();
        RunOptions options = directRun();
        options.winEnv["SCENARIO_JAVA"] = windowsPath(early.home());
        const RunResult r = s.run(s.pack(project("{ kind = \"E\", value = \"SCENARIO_JAVA\" }", c.javaSettings) +
                                         "[messages]\n1016 = \"no {0}-bit Java\"\n"),
                                  options);
        EXPECT_EQ(loaded(early), c.loads) << r.log;
        EXPECT_EQ(r.hasLine("beta vm not allowed"), !c.loads) << r.log;
        if (!c.loads) {
            EXPECT_EQ(r.exitCode, 1);
            EXPECT_THAT(withoutCarriageReturns(r.err), StartsWith("no "));
        }
    }
}

// The key as every launcher of the user finds it: the lower-cased Windows
// path with forward slashes.
std::string cacheKeyName(const fs::path& javaExe) {
    std::string name = windowsPath(javaExe);
    for (char& c : name) c = c == '\\' ? '/' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name;
}

// The file's last-write time as the FILETIME bytes reg prints for a REG_BINARY.
std::string fileTimeHex(const fs::path& file) {
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0) return "";
    const unsigned long long ticks = (static_cast<unsigned long long>(info.st_mtim.tv_sec) + 11644473600ULL) * 10000000ULL +
                                     static_cast<unsigned long long>(info.st_mtim.tv_nsec) / 100;
    std::string hex;
    for (int byte = 0; byte < 8; ++byte) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02X", static_cast<unsigned>((ticks >> (8 * byte)) & 0xFF));
        hex += digits;
    }
    return hex;
}

TEST(JvmSearch, VersionCacheLivesUnderTheSharedKey) {
    Scenario s;
    TestRuntime jre(s.dir() / "jre");
    jre.create();
    const fs::path exe = s.pack(project("{ kind = \"A\", value = \"jre\" }"));
    const std::string root = "HKEY_CURRENT_USER\\SOFTWARE\\norvale-systems\\tavik\\jvms";
    const std::string key = root + "\\" + cacheKeyName(jre.javaExe());

    RunResult r = s.run(exe, directRun());
    ASSERT_TRUE(loaded(jre)) << r.log;
    std::string listing;
    ASSERT_EQ(runWineTool({"reg", "query", root}, listing), 0);
    EXPECT_THAT(withoutCarriageReturns(listing), HasSubstr(key + "\n"));
    std::string values;
    ASSERT_EQ(runWineTool({"reg", "query", key}, values), 0);
    values = withoutCarriageReturns(values);
    EXPECT_THAT(values, ContainsRegex("\n +LastWriteTime +REG_BINARY +" + fileTimeHex(jre.javaExe()) + "\n"));
    EXPECT_THAT(values, ContainsRegex("\n +Version +REG_SZ +17\\.0\\.1\n"));

    r = s.run(exe, directRun());
    EXPECT_EQ(jre.runCount(), 1u) << "a cache hit runs no java.exe\n" << r.log;
    EXPECT_TRUE(r.hasLine("got version from registry 17.0.1")) << r.log;

    fs::last_write_time(jre.javaExe(), fs::last_write_time(jre.javaExe()) + std::chrono::hours(1));
    r = s.run(exe, directRun());
    EXPECT_EQ(jre.runCount(), 2u) << "a changed java.exe runs again\n" << r.log;
    ASSERT_EQ(runWineTool({"reg", "query", key}, values), 0);
    EXPECT_THAT(withoutCarriageReturns(values), HasSubstr(fileTimeHex(jre.javaExe())));
    runWineTool({"reg", "delete", key, "/f"});
}

}  // namespace
}  // namespace tavik::scenario
