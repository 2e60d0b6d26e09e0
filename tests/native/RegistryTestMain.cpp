// The registry natives' test program. Started with "--child <scenario> ..."
// it is the child process a test watches from outside: what a native prints
// to standard output, or that the shell started it.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/win/WideText.h"
#include "tests/win/TestSupport.h"

namespace tavik::test {
namespace registry {
int setLongNameScenario(const std::vector<std::u16string>& arguments);
}  // namespace registry

namespace {

int touchScenario(const std::vector<std::u16string>& arguments) {
    writeFile(fs::path(toWide(arguments.at(0))), "started");
    return 0;
}

int runScenarioByName(const std::u16string& name, const std::vector<std::u16string>& arguments) {
    if (name == u"set-long-name") return registry::setLongNameScenario(arguments);
    if (name == u"touch") return touchScenario(arguments);
    std::fprintf(stderr, "unknown scenario\n");
    return 125;
}

}  // namespace
}  // namespace tavik::test

int main(int argc, char** argv) { return tavik::test::runTestsOrChild(argc, argv, tavik::test::runScenarioByName); }
