// The shell natives' test program. Started with "--child <scenario> ..." it
// makes one call whose traces Wine writes to the Unix standard error, where
// only the test run (not a Windows parent) can read them:
//   link <0|1> <link file> <target>   createWide0 with and without run as
//                                     administrator; prints "saved:<result>"
//   notify <deleted> <updated>        changeNotify0 twice; prints "notified:<result>"
//                                     for each
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/native/ShellTestSupport.h"
#include "tests/native/support/TestJni.h"
#include "tests/win/TestSupport.h"

namespace {

namespace shell = tavik::test::shell;

int saveLink(const std::vector<std::u16string>& arguments) {
    if (arguments.size() != 3) return 2;
    const shell::Natives natives;
    tavik::testjni::TestJni jni;
    natives.initialize(jni.env(), nullptr);
    const jboolean saved =
        natives.createWide(jni.env(), nullptr, jni.string(arguments[1]), jni.string(arguments[2]), nullptr, nullptr,
                           jni.string(u"--elevated"), arguments[0] == u"1" ? JNI_TRUE : JNI_FALSE, nullptr,
                           SW_SHOWNORMAL);
    natives.uninitialize(jni.env(), nullptr);
    std::printf("saved:%d\n", saved);
    return 0;
}

int notify(const std::vector<std::u16string>& arguments) {
    if (arguments.size() != 2) return 2;
    const shell::Natives natives;
    tavik::testjni::TestJni jni;
    const auto bytes = [&](const std::u16string& path) {
        return jni.bytes(shell::utf16Bytes(std::wstring(path.begin(), path.end())));
    };
    for (int call = 0; call < 2; ++call) {
        std::printf("notified:%d\n", natives.changeNotify(jni.env(), nullptr, bytes(arguments[0]), bytes(arguments[1])));
    }
    return 0;
}

int runScenario(const std::u16string& name, const std::vector<std::u16string>& arguments) {
    if (name == u"link") return saveLink(arguments);
    if (name == u"notify") return notify(arguments);
    return 2;
}

}  // namespace

int main(int argc, char** argv) { return tavik::test::runTestsOrChild(argc, argv, runScenario); }
