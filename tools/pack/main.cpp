// tavik-pack [--runtime-jar <jar>] <template.exe> <project.toml> <output.exe>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/pack/PackError.h"
#include "tools/pack/PackInput.h"
#include "tools/pack/Packer.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kUsage =
    "usage: tavik-pack [--runtime-jar <jar>] <template.exe> <project.toml> <output.exe>\n"
    "\n"
    "Appends the configuration block described by <project.toml> and the files it\n"
    "embeds to a copy of the launcher <template.exe>, written to <output.exe>.\n"
    "Relative paths in the project file are relative to its directory.\n"
    "\n"
    "Every packed executable also carries the launcher's Java runtime, by default\n"
    "../lib/tavik-runtime.jar beside this program; --runtime-jar names another.\n";

// The distribution's layout: bin/tavik-pack beside lib/tavik-runtime.jar.
fs::path defaultRuntimeJar(const char* programPath) {
    std::error_code error;
    const fs::path self = fs::canonical("/proc/self/exe", error);
    const fs::path program = error ? fs::absolute(programPath, error) : self;
    return program.parent_path().parent_path() / "lib" / tavik::pack::kRuntimeJarName;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.size() == 1 && (arguments[0] == "--help" || arguments[0] == "-h")) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    fs::path runtimeJar;
    if (arguments.size() == 5 && arguments[0] == "--runtime-jar") {
        runtimeJar = arguments[1];
        arguments.erase(arguments.begin(), arguments.begin() + 2);
    } else {
        runtimeJar = defaultRuntimeJar(argv[0]);
    }
    if (arguments.size() != 3) {
        std::fputs(kUsage, stderr);
        return 1;
    }
    const auto error = tavik::pack::packLauncher({arguments[0], arguments[1], arguments[2], runtimeJar});
    if (!error) return 0;
    std::fprintf(stderr, "%s\n", tavik::pack::describe(*error).c_str());
    return 1;
}
