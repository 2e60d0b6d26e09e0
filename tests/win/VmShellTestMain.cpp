// The test program of the VM options source and the native library path.
// Started with "--child <scenario> ..." it runs one scenario instead: the
// configuration store and the process's PATH and DLL directories are settled
// once per process, so their tests watch child processes.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/win/WideText.h"
#include "launcher/win/image/ConfigLoad.h"
#include "launcher/win/report/Log.h"
#include "launcher/win/vmstart/NativeLibraryPath.h"
#include "tests/win/TestSupport.h"

namespace tavik::test {
namespace {

using Arguments = std::vector<std::u16string>;

void print(const std::string& key, const std::string& value) { std::printf("%s=%s\n", key.c_str(), value.c_str()); }

std::string pathVariable() {
    const DWORD length = ::GetEnvironmentVariableA("PATH", nullptr, 0);
    if (length == 0) return "(unset)";
    std::string value(length, '\0');
    value.resize(::GetEnvironmentVariableA("PATH", value.data(), length));
    return value;
}

// Whether a library of that name loads from the DLL directories alone.
bool loadsFromDllDirectories(const std::u16string& name) {
    return ::LoadLibraryExW(toWide(name).c_str(), nullptr, LOAD_LIBRARY_SEARCH_USER_DIRS) != nullptr;
}

// Whether it loads through the ordinary search, PATH included.
bool loadsThroughSearch(const std::u16string& name) { return ::LoadLibraryW(toWide(name).c_str()) != nullptr; }

// native-path <temp base> <PATH before> <library for the DLL directories> <library for PATH>
int nativePathScenario(const Arguments& arguments) {
    // Wine sets TMP, TEMP and PATH from its registry when a process starts.
    ::SetEnvironmentVariableW(L"TMP", toWide(arguments.at(0)).c_str());
    ::SetEnvironmentVariableW(L"TEMP", toWide(arguments.at(0)).c_str());
    ::SetEnvironmentVariableW(L"PATH", toWide(arguments.at(1)).c_str());
    image::readConfigBlock();
    vmstart::setupNativeLibraryPath("");
    print("path", pathVariable());
    const char* crtPath = std::getenv("PATH");
    print("crtPath", crtPath ? crtPath : "(unset)");
    print("fromDllDirectories", loadsFromDllDirectories(arguments.at(2)) ? "1" : "0");
    print("throughSearch", loadsThroughSearch(arguments.at(3)) ? "1" : "0");
    print("log", utf8(report::logFilePath().value_or(u"none")));
    return 0;
}

int runScenarioByName(const std::u16string& name, const Arguments& arguments) {
    if (name != u"native-path") {
        std::fprintf(stderr, "unknown scenario\n");
        return 125;
    }
    const int code = nativePathScenario(arguments);
    std::fflush(stdout);
    return code;
}

}  // namespace
}  // namespace tavik::test

int main(int argc, char** argv) { return tavik::test::runTestsOrChild(argc, argv, tavik::test::runScenarioByName); }
