// The account natives' test program. Started with "--child <scenario> ..." it
// is the child process a test watches from outside: what a native prints to
// standard output, and Wine's trace of the calls it made. "-" stands for a
// null string.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/win/WideText.h"
#include "tests/native/AccountNativesApi.h"
#include "tests/win/TestSupport.h"

namespace tavik::test {
namespace {

using accounts::AccountNatives;

struct Argument {
    std::wstring text;
    bool null;
    const wchar_t* get() const { return null ? nullptr : text.c_str(); }
};

Argument argument(const std::vector<std::u16string>& arguments, std::size_t index) {
    const std::u16string& text = arguments.at(index);
    return {toWide(text), text == u"-"};
}

// lsa <account> <right> <add 0|1>
int rightScenario(const std::vector<std::u16string>& arguments) {
    AccountNatives natives;
    const bool set = natives.setLsaAccountRight(argument(arguments, 0).get(), argument(arguments, 1).get(),
                                                arguments.at(2) == u"1");
    std::printf("set:%d\n", set ? 1 : 0);
    return set ? 0 : 1;
}

// ace <path> <registry key 0|1> <account code> <account>: read access
int aceScenario(const std::vector<std::u16string>& arguments) {
    AccountNatives natives;
    const bool added = natives.addAce(argument(arguments, 0).get(), arguments.at(1) == u"1", true, false, false, false,
                                      std::stoi(utf8(arguments.at(2))), argument(arguments, 3).get());
    return added ? 0 : 1;
}

// profile <sid> <password>
int profileScenario(const std::vector<std::u16string>& arguments) {
    AccountNatives natives;
    const auto directory = natives.profileDirectory(argument(arguments, 0).get(), argument(arguments, 1).get());
    std::printf("result:%s\n", directory ? utf8(*directory).c_str() : "null");
    return 0;
}

int runScenarioByName(const std::u16string& name, const std::vector<std::u16string>& arguments) {
    if (name == u"lsa") return rightScenario(arguments);
    if (name == u"ace") return aceScenario(arguments);
    if (name == u"profile") return profileScenario(arguments);
    std::fprintf(stderr, "unknown scenario\n");
    return 125;
}

}  // namespace
}  // namespace tavik::test

int main(int argc, char** argv) { return tavik::test::runTestsOrChild(argc, argv, tavik::test::runScenarioByName); }
