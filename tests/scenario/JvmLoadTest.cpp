// Finding and loading the VM library of a stand-in runtime, and the message
// the user sees when it cannot be loaded, by the kind of source that named it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/scenario/Scenario.h"
#include "tests/scenario/TestRuntime.h"

namespace tavik::scenario {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

std::string bitness() { return architecture() == "win64" ? "64" : "32"; }

std::string project(const std::string& java, const std::string& application = "") {
    return R"(
[application]
executable_kind = "console"
)" + application + R"(
[java]
)" + java + R"(
[messages]
1005 = "registry runtime unusable"
1016 = "no {0}-bit runtime"
1018 = "runtime of variable {0} unusable"
1020 = "runtime in {0} unusable"
)";
}

std::string firstLine(const std::string& text) {
    const std::string plain = withoutCarriageReturns(text);
    return plain.substr(0, plain.find('\n'));
}

TEST(JvmLoad, NoRuntimeAtAllNamesTheBitness) {
    Scenario s;
    const RunResult r = s.run(s.pack(project("")), directRun());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(firstLine(r.err), "no " + bitness() + "-bit runtime");
    EXPECT_TRUE(r.hasLine("ERROR: No JVM found"));
}

// A runtime whose library is of the other bitness passes the version check
// and fails to load; the message names the source that produced it.
TEST(JvmLoad, UnloadableRuntimeMessageFollowsItsSource) {
    struct Case {
        const char* name;
        std::string searchSequence;
        std::map<std::string, std::string> winEnv;
        std::string shown;
    };
    Scenario s;
    TestRuntime jre(s.dir() / "jre");
    jre.jvmArchitecture(otherArchitecture(architecture())).create();
    if (!fs::exists(runtimeBinary(otherArchitecture(architecture()), "jvm.dll")))
        GTEST_SKIP() << "no cross build of the other architecture";
    const Case cases[] = {
        {"directory entry", "{ kind = 'A', value = 'jre' }", {}, "runtime in jre unusable"},
        {"environment entry", "{ kind = 'E', value = 'TAVIK_TEST_JRE' }", {{"TAVIK_TEST_JRE", windowsPath(jre.home())}},
         "runtime of variable TAVIK_TEST_JRE unusable"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RunOptions options = directRun();
        options.winEnv = c.winEnv;
        const RunResult r = s.run(s.pack(project("search_sequence = [ " + c.searchSequence + " ]")), options);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(firstLine(r.err), c.shown);
        EXPECT_TRUE(r.hasLine("ERROR: Could not get DLL-Handle.")) << r.log;
        EXPECT_TRUE(r.hasLine("Failed with error code")) << r.log;
    }
}

TEST(JvmLoad, VmLibraryFoundInAnyKnownSubdirectoryStartsTheApplication) {
    Scenario s;
    TestRuntime jre(s.dir() / "jre");
    jre.vmDirectory("j9vm").create();
    const RunResult r = s.run(s.pack(project("search_sequence = [ { kind = 'A', value = 'jre' } ]")), directRun());
    EXPECT_EQ(r.exitCode, 0) << r.log;
    EXPECT_TRUE(r.hasLine("Loading of JVM-DLL successful")) << r.log;
    EXPECT_TRUE(r.hasLine("launch done"));
    // client and server first, each logged as missing.
    EXPECT_TRUE(r.hasLine("\\client\\jvm.dll (exists 0)"));
    EXPECT_TRUE(r.hasLine("\\server\\jvm.dll (exists 0)"));
    EXPECT_TRUE(r.hasLine("\\j9vm\\jvm.dll (exists 1)"));
    ASSERT_FALSE(jre.jvmCalls().empty());
    EXPECT_THAT(jre.jvmCalls()[0], StartsWith("loaded "));
}

TEST(JvmLoad, ConfiguredVmSubdirectoryIsTriedFirst) {
    Scenario s;
    TestRuntime jre(s.dir() / "jre");
    jre.vmDirectory("custom").create();
    const RunResult r = s.run(
        s.pack(project("search_sequence = [ { kind = 'A', value = 'jre' } ]\nvm_subdirectory = 'custom'")), directRun());
    EXPECT_TRUE(r.hasLine("Loading of JVM-DLL successful")) << r.log;
    EXPECT_FALSE(r.hasLine("\\client\\jvm.dll"));
    EXPECT_TRUE(r.hasLine("\\custom\\jvm.dll (exists 1)"));
}

// With id 154 the bin directory is a DLL directory while its library is
// tried, and is removed again when none loads.
TEST(JvmLoad, DllDirectoryFollowsTheSetting) {
    Scenario s;
    TestRuntime jre(s.dir() / "jre");
    jre.withoutJvmDll().create();
    const std::string search = "search_sequence = [ { kind = 'A', value = 'jre' } ]";
    const RunResult with = s.run(s.pack(project(search, "add_dll_directories = true")), directRun());
    EXPECT_TRUE(with.hasLine("Adding DLL directory")) << with.log;
    EXPECT_TRUE(with.hasLine("\\jre\\bin")) << with.log;
    EXPECT_TRUE(with.hasLine("Removing DLL directory"));
    EXPECT_EQ(firstLine(with.err), "runtime in jre unusable");

    const RunResult without = s.run(s.pack(project(search)), directRun());
    EXPECT_FALSE(without.hasLine("Adding DLL directory"));
    EXPECT_FALSE(without.hasLine("Removing DLL directory"));
}

}  // namespace
}  // namespace tavik::scenario
