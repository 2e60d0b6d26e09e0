// tavik-pack <template.exe> <project.toml> <output.exe>
#include <cstdio>
#include <cstring>

#include "tools/pack/PackError.h"
#include "tools/pack/Packer.h"

namespace {

constexpr const char* kUsage =
    "usage: tavik-pack <template.exe> <project.toml> <output.exe>\n"
    "\n"
    "Appends the configuration block described by <project.toml> and the files it\n"
    "embeds to a copy of the launcher <template.exe>, written to <output.exe>.\n"
    "Relative paths in the project file are relative to its directory.\n";

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc != 4) {
        std::fputs(kUsage, stderr);
        return 1;
    }
    const auto error = tavik::pack::packLauncher({argv[1], argv[2], argv[3]});
    if (!error) return 0;
    std::fprintf(stderr, "%s\n", tavik::pack::describe(*error).c_str());
    return 1;
}
