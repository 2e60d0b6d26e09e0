#pragma once
// What fake-jvm.cfg beside the recording jvm.dll asks of it, one directive a
// line ('#' starts a comment line):
//   fail-create [code]             JNI_CreateJavaVM returns code (default -1, JNI_ERR)
//   missing-class <class>          FindClass of it fails, NoClassDefFoundError pending
//   missing-method <class>.<name>  its method look-ups fail, NoSuchMethodError pending
//   throw <class>.<name> <text>    a call of it returns with an exception pending whose
//                                  toString() gives the text (UTF-8)
//   refuse-natives <class>         RegisterNatives for it returns JNI_ERR
//   main-reads-stdin               a static main reads standard input to its end first and
//                                  records the bytes: "stdin 30 0a EOF" (hex), or
//                                  "stdin ... error <code>" when a read fails otherwise
//   main-waits-for <file name>     the entry class's main returns only once that file
//                                  exists beside jvm.dll (checked every 50 ms, for 60 s
//                                  at most), so a launcher keeps running meanwhile
// Class names are written the JNI way: com/tavik/Controller.
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace tavik::testruntime {

inline constexpr const wchar_t* kVmConfigFileName = L"fake-jvm.cfg";

struct VmConfig {
    std::optional<long> failCreation;
    std::set<std::string> missingClasses;
    std::set<std::string> missingMethods;               // "<class>.<name>"
    std::map<std::string, std::string> throwingMethods;  // "<class>.<name>" to the exception's text
    std::set<std::string> refusedNatives;
    bool mainReadsStdin = false;
    std::optional<std::string> mainWaitsFor;  // a file name beside jvm.dll
};

struct ConfigReading {
    VmConfig config;
    std::string error;  // the first line it cannot use; empty when all were understood
};

ConfigReading readVmConfig(std::string_view text);

}  // namespace tavik::testruntime
