// A runtime shipped with packed class archives is unpacked before it is judged.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "tests/scenario/Scenario.h"
#include "tests/scenario/TestRuntime.h"

namespace tavik::scenario {
namespace {

const char* const kProject = R"(
[application]
executable_kind = "console"
[java]
search_sequence = [ { kind = 'A', value = 'jre' } ]
[messages]
1009 = "internal {0}"
1016 = "no runtime"
1020 = "runtime in {0} unusable"
)";

std::size_t count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

void write(const fs::path& path, const std::string& content) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

TEST(PackedRuntime, LibAndExtUnpackedInOneGoAndExistingArchivesLeftAlone) {
    Scenario s;
    TestRuntime jre(s.dir() / "jre");
    jre.create();
    write(jre.home() / "lib" / "rt.jar.pack", "rt");
    write(jre.home() / "lib" / "ext" / "localedata.jar.pack", "locale");
    write(jre.home() / "lib" / "jce.jar.pack", "packed jce");
    write(jre.home() / "lib" / "jce.jar", "jce");
    const RunResult r = s.run(s.pack(kProject), directRun());
    EXPECT_EQ(count(withoutCarriageReturns(r.out), "Preparing JRE ...\n"), 1u) << r.out;
    EXPECT_EQ(count(r.log, "Unpacking JRE done"), 1u);
    EXPECT_TRUE(fs::exists(jre.home() / "lib" / "rt.jar"));
    EXPECT_TRUE(fs::exists(jre.home() / "lib" / "ext" / "localedata.jar"));
    EXPECT_FALSE(fs::exists(jre.home() / "lib" / "rt.jar.pack"));
    EXPECT_TRUE(fs::exists(jre.home() / "lib" / "jce.jar.pack"));
    EXPECT_EQ(readFile(jre.home() / "lib" / "jce.jar"), "jce");
    EXPECT_EQ(jre.unpackRuns().size(), 2u);
    EXPECT_TRUE(r.hasLine("Loading of JVM-DLL successful")) << r.log;
}

TEST(PackedRuntime, MissingToolEndsTheLaunch) {
    Scenario s;
    TestRuntime jre(s.dir() / "jre");
    jre.unpack200(false).create();
    write(jre.home() / "lib" / "rt.jar.pack", "rt");
    const RunResult r = s.run(s.pack(kProject), directRun());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(withoutCarriageReturns(r.err).substr(0, 12), "internal 20\n");
    EXPECT_TRUE(r.hasLine("could not create unpack process"));
}

}  // namespace
}  // namespace tavik::scenario
