// The tavik-pack program itself: arguments, exit codes and its one error line.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>

#include "tests/pack/FakePe.h"
#include "tests/pack/ScratchDir.h"

namespace tavik::pack {
namespace {

namespace fs = std::filesystem;
using test::ScratchDir;
using ::testing::HasSubstr;

struct ToolRun {
    int exitCode;
    std::string out;
    std::string err;
};

std::string quoted(const std::string& argument) { return "'" + argument + "'"; }

ToolRun runTool(const ScratchDir& dir, const std::vector<std::string>& arguments) {
    std::string command = quoted(TAVIK_PACK_TOOL);
    for (const std::string& argument : arguments) command += " " + quoted(argument);
    command += " >" + quoted((dir / "tool.out").string()) + " 2>" + quoted((dir / "tool.err").string());
    const int status = std::system(command.c_str());
    const auto text = [&](const char* name) {
        const auto bytes = test::readBytes(dir / name);
        fs::remove(dir / name);
        return std::string(bytes.begin(), bytes.end());
    };
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text("tool.out"), text("tool.err")};
}

TEST(PackTool, HelpAndWrongArgumentsShowUsage) {
    ScratchDir dir;
    const ToolRun help = runTool(dir, {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_THAT(help.out, HasSubstr("usage: tavik-pack [--runtime-jar <jar>] <template.exe> <project.toml> <output.exe>"));

    const ToolRun wrong = runTool(dir, {"only-one"});
    EXPECT_EQ(wrong.exitCode, 1);
    EXPECT_THAT(wrong.err, HasSubstr("usage: tavik-pack"));
}

TEST(PackTool, PacksAndReportsFailureWithExitCodeOne) {
    ScratchDir dir;
    const fs::path templatePath = dir.write("launcher.exe", test::FakePe{}.bytes());
    const fs::path project = dir.write("project.toml", "[application]\nmain_class = 'M'\nmodule = 1\n");
    const fs::path output = dir / "app.exe";
    const fs::path runtimeJar = dir.write("tavik-runtime.jar", "runtime");

    const ToolRun failed = runTool(dir, {"--runtime-jar", runtimeJar, templatePath, project, output});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_EQ(failed.err, "tavik-pack: " + project.string() + ":3: application.module: expected a boolean, found an integer\n");
    EXPECT_FALSE(fs::exists(output));

    dir.write("project.toml", "[application]\nmain_class = 'M'\nmodule = true\n");
    const ToolRun packed = runTool(dir, {"--runtime-jar", runtimeJar, templatePath, project, output});
    EXPECT_EQ(packed.exitCode, 0) << packed.err;
    EXPECT_EQ(packed.err, "");
    EXPECT_GT(fs::file_size(output), test::FakePe::kDefaultPayloadOffset);
}

// Without --runtime-jar the jar is looked up in the distribution's lib
// directory; outside a distribution that fails before any output exists.
TEST(PackTool, MissingRuntimeJarFailsWithoutOutput) {
    ScratchDir dir;
    const fs::path templatePath = dir.write("launcher.exe", test::FakePe{}.bytes());
    const fs::path project = dir.write("project.toml", "[application]\nmain_class = 'M'\n");
    const fs::path output = dir / "app.exe";

    const ToolRun defaulted = runTool(dir, {templatePath, project, output});
    EXPECT_EQ(defaulted.exitCode, 1);
    const fs::path expectedJar = fs::path(TAVIK_PACK_TOOL).parent_path().parent_path() / "lib/tavik-runtime.jar";
    EXPECT_EQ(defaulted.err, "tavik-pack: " + project.string() + ": runtime jar: file to embed not found: " +
                                 expectedJar.string() + "\n");

    const ToolRun named = runTool(dir, {"--runtime-jar", (dir / "absent.jar").string(), templatePath, project, output});
    EXPECT_EQ(named.exitCode, 1);
    EXPECT_THAT(named.err, HasSubstr("runtime jar: file to embed not found: " + (dir / "absent.jar").string()));
    EXPECT_FALSE(fs::exists(output));
}

}  // namespace
}  // namespace tavik::pack
