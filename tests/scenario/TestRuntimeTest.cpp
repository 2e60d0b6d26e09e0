// The stand-in Java runtime under Wine: java.exe and javaw.exe answer as
// configured and record their runs, jvm.dll is a recording VM that answers
// the JNI calls of a launch and records them, unpack200.exe converts as the
// launcher calls it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <functional>
#include <optional>
#include <stdexcept>

#include "tests/scenario/Scenario.h"
#include "tests/scenario/TestRuntime.h"

namespace tavik::scenario {
namespace {

using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;

constexpr const char* kSecondLine = "Tavik test runtime (answers -version only)";

RunOptions withArguments(std::vector<std::string> arguments) {
    RunOptions options;
    options.arguments = std::move(arguments);
    options.log = false;
    return options;
}

// The machine type and the exported names of a PE image, read from the file.
struct PeExports {
    std::uint16_t machine = 0;
    std::vector<std::string> names;
};

PeExports readExports(const fs::path& path) {
    const std::string bytes = readFile(path);
    const auto u8 = [&](std::size_t at) -> std::uint32_t { return static_cast<unsigned char>(bytes.at(at)); };
    const auto u16 = [&](std::size_t at) { return u8(at) | u8(at + 1) << 8; };
    const auto u32 = [&](std::size_t at) { return u16(at) | u16(at + 2) << 16; };

    const std::uint32_t pe = u32(0x3C);
    if (bytes.compare(pe, 4, std::string("PE\0\0", 4)) != 0) throw std::runtime_error("no PE signature");
    const std::uint32_t sectionCount = u16(pe + 6);
    const std::uint32_t optionalHeader = pe + 24;
    const std::uint32_t sectionTable = optionalHeader + u16(pe + 20);
    const bool pe32Plus = u16(optionalHeader) == 0x20B;
    const auto fileOffset = [&](std::uint32_t rva) {
        for (std::uint32_t i = 0; i < sectionCount; ++i) {
            const std::uint32_t section = sectionTable + 40 * i;
            const std::uint32_t start = u32(section + 12);
            const std::uint32_t size = std::max(u32(section + 8), u32(section + 16));
            if (rva >= start && rva < start + size) return rva - start + u32(section + 20);
        }
        throw std::runtime_error("address outside every section");
    };

    PeExports result;
    result.machine = static_cast<std::uint16_t>(u16(pe + 4));
    const std::uint32_t exportRva = u32(optionalHeader + (pe32Plus ? 112 : 96));
    if (exportRva == 0) return result;
    const std::uint32_t directory = fileOffset(exportRva);
    const std::uint32_t nameTable = fileOffset(u32(directory + 32));
    for (std::uint32_t i = 0, count = u32(directory + 24); i < count; ++i) {
        const std::uint32_t name = fileOffset(u32(nameTable + 4 * i));
        result.names.push_back(bytes.substr(name, bytes.find('\0', name) - name));
    }
    return result;
}

std::uint16_t machineOf(const std::string& arch) { return arch == "win32" ? 0x14C : 0x8664; }

TEST(TestRuntime, JavaProgramsAnswerAsConfigured) {
    struct Case {
        const char* name;
        const char* program;
        std::string versionLine;
        int exitCode;
    };
    const Case cases[] = {
        {"modern vendor line", "java.exe", "openjdk version \"17.0.1\" 2021-10-19", 0},
        {"old vendor line, windowed twin", "javaw.exe", "java version \"1.8.0_45\"", 0},
        {"failing runtime", "java.exe", "openjdk version \"9-ea\"", 3},
        {"unparsable line", "java.exe", "Error: could not open jvm.cfg", 42},
    };
    Scenario s;
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestRuntime runtime(s.dir() / ("runtime" + std::to_string(index++)));
        runtime.versionLine(c.versionLine).exitCode(c.exitCode).create();
        const fs::path program = runtime.runtimeBin() / c.program;

        const RunResult r = s.run(program, withArguments({"-version"}));

        EXPECT_EQ(r.exitCode, c.exitCode);
        EXPECT_THAT(textLines(r.err), ElementsAre(c.versionLine, kSecondLine));
        EXPECT_EQ(r.out, "");
        const std::vector<RuntimeRun> runs = runtime.runs();
        ASSERT_EQ(runs.size(), 1u);
        EXPECT_EQ(runs[0].program, c.program);
        EXPECT_THAT(runs[0].commandLine, HasSubstr(windowsPath(program)));
        EXPECT_THAT(runs[0].commandLine, EndsWith(" -version"));
    }
}

TEST(TestRuntime, BrokenConfigurationIsAnErrorExitThatStillCounts) {
    struct Case {
        const char* name;
        std::optional<std::string> config;  // none: the file is missing
    };
    const Case cases[] = {
        {"missing file", std::nullopt},
        {"no exit code line", "openjdk version \"17\"\n"},
        {"exit code not a number", "openjdk version \"17\"\nzero\n"},
        {"sleep not a number", "openjdk version \"17\"\n0\nsoon\n"},
    };
    Scenario s;
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestRuntime runtime(s.dir() / ("runtime" + std::to_string(index++)));
        runtime.create();
        if (c.config)
            std::ofstream(runtime.configFile(), std::ios::binary) << *c.config;
        else
            fs::remove(runtime.configFile());

        const RunResult r = s.run(runtime.javaExe(), withArguments({"-version"}));

        EXPECT_EQ(r.exitCode, 1);
        EXPECT_THAT(r.err, StartsWith("fake-java.cfg"));
        EXPECT_THAT(r.err, ::testing::Not(HasSubstr("version \"")));
        EXPECT_EQ(runtime.runCount(), 1u);
    }
}

TEST(TestRuntime, RunsAccumulateAndFollowAReconfiguration) {
    Scenario s;
    TestRuntime runtime(s.dir() / "jre");
    runtime.versionLine("java version \"1.8.0_45\"").create();
    const RunResult first = s.run(runtime.javaExe(), withArguments({"-version"}));
    runtime.versionLine("openjdk version \"11.0.2\" 2019-01-15").exitCode(7);
    const RunResult second = s.run(runtime.javawExe(), withArguments({"-version"}));
    const RunResult third = s.run(runtime.javaExe(), withArguments({"-Xshare:off", "-version"}));

    EXPECT_EQ(first.exitCode, 0);
    EXPECT_EQ(textLines(first.err).at(0), "java version \"1.8.0_45\"");
    EXPECT_EQ(second.exitCode, 7);
    EXPECT_EQ(textLines(second.err).at(0), "openjdk version \"11.0.2\" 2019-01-15");
    EXPECT_EQ(third.exitCode, 7);
    const std::vector<RuntimeRun> runs = runtime.runs();
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0].program, "java.exe");
    EXPECT_EQ(runs[1].program, "javaw.exe");
    EXPECT_THAT(runs[2].commandLine, EndsWith(" -Xshare:off -version"));
}

TEST(TestRuntime, LayoutsPlaceEachPieceWhereALauncherLooks) {
    struct Case {
        const char* name;
        std::function<void(TestRuntime&)> configure;
        std::vector<std::string> present;
        std::vector<std::string> absent;
    };
    const Case cases[] = {
        {"JRE", [](TestRuntime&) {},
         {"bin/java.exe", "bin/javaw.exe", "bin/server/jvm.dll", "bin/unpack200.exe", "bin/fake-java.cfg"},
         {"lib/tools.jar", "jre", "bin/client"}},
        {"Java 8 JDK", [](TestRuntime& r) { r.layout(RuntimeLayout::Jdk8); },
         {"jre/bin/java.exe", "jre/bin/javaw.exe", "jre/bin/server/jvm.dll", "jre/bin/fake-java.cfg", "bin/java.exe",
          "bin/fake-java.cfg", "bin/unpack200.exe", "lib/tools.jar"},
         {"bin/server", "jre/lib/tools.jar"}},
        {"modern JDK with tools.jar", [](TestRuntime& r) { r.layout(RuntimeLayout::ModernJdk).toolsJar(true); },
         {"bin/java.exe", "bin/server/jvm.dll", "lib/tools.jar"}, {"jre"}},
        {"modern JDK, client VM, no extras",
         [](TestRuntime& r) { r.layout(RuntimeLayout::ModernJdk).vmDirectory("client").javaw(false).unpack200(false); },
         {"bin/java.exe", "bin/client/jvm.dll"}, {"bin/server", "bin/javaw.exe", "bin/unpack200.exe", "lib/tools.jar"}},
        {"custom VM directory", [](TestRuntime& r) { r.vmDirectory("j9vm"); }, {"bin/j9vm/jvm.dll"}, {"bin/server"}},
        {"no VM library", [](TestRuntime& r) { r.withoutJvmDll(); }, {"bin/java.exe"}, {"bin/server"}},
    };
    Scenario s;
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestRuntime runtime(s.dir() / ("runtime" + std::to_string(index++)));
        c.configure(runtime);
        runtime.create();
        for (const std::string& path : c.present) EXPECT_TRUE(fs::exists(runtime.home() / path)) << path;
        for (const std::string& path : c.absent) EXPECT_FALSE(fs::exists(runtime.home() / path)) << path;
    }
}

TEST(TestRuntime, JvmDllRecordsItsLoadingAndTheCreateCall) {
    Scenario s;
    TestRuntime runtime(s.dir() / "jre");
    runtime.vmDirectory("client").create();

    const RunResult r = s.run(runtimeBinary(architecture(), "loadjvm.exe"), withArguments({windowsPath(runtime.jvmDll())}));

    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_EQ(r.out, "JNI_CreateJavaVM returned 0\r\n");
    EXPECT_THAT(runtime.jvmCalls(),
                ElementsAre("loaded " + windowsPath(runtime.jvmDll()),
                            "JNI_CreateJavaVM version=0x00010002 options=2 ignoreUnrecognized=true",
                            StartsWith("JNI_CreateJavaVM at "), "option -Djava.class.path=probe.jar", "option -Xmx64m",
                            "JNI_CreateJavaVM returns 0"));
    const std::optional<long long> millis = runtime.vmCreationMillis();
    ASSERT_TRUE(millis.has_value());
    EXPECT_GE(*millis, 0);
    EXPECT_EQ(runtime.runCount(), 0u) << "loading the library runs no java.exe";
}

TEST(TestRuntime, JvmDllOfTheOtherBitnessDoesNotLoad) {
    Scenario s;
    TestRuntime runtime(s.dir() / "jre");
    runtime.jvmArchitecture(otherArchitecture(architecture())).create();
    ASSERT_EQ(readExports(runtime.jvmDll()).machine, machineOf(otherArchitecture(architecture())));
    ASSERT_EQ(readExports(runtime.javaExe()).machine, machineOf(architecture()));

    const RunResult r = s.run(runtimeBinary(architecture(), "loadjvm.exe"), withArguments({windowsPath(runtime.jvmDll())}));

    EXPECT_EQ(r.exitCode, 2) << r.out;
    EXPECT_EQ(r.out, "LoadLibraryW failed: 193\r\n") << "ERROR_BAD_EXE_FORMAT";
    EXPECT_THAT(runtime.jvmCalls(), IsEmpty());
}

TEST(TestRuntime, JvmDllExportsPlainNamesInBothBuilds) {
    for (const std::string arch : {"win64", "win32"}) {
        SCOPED_TRACE(arch);
        const PeExports dll = readExports(runtimeBinary(arch, "jvm.dll"));
        EXPECT_EQ(dll.machine, machineOf(arch));
        EXPECT_THAT(dll.names, ElementsAre("JNI_CreateJavaVM", "JNI_GetCreatedJavaVMs", "JNI_GetDefaultJavaVMInitArgs"));
    }
}

RunResult drive(Scenario& s, const TestRuntime& runtime, std::vector<std::string> script) {
    script.insert(script.begin(), windowsPath(runtime.jvmDll()));
    RunOptions options = withArguments(std::move(script));
    options.env["LC_ALL"] = "C.UTF-8";  // the non-ASCII arguments reach the probe intact
    return s.run(runtimeBinary(architecture(), "drivejvm.exe"), options);
}

bool hasRecord(const TestRuntime& runtime, const std::string& record) {
    const std::vector<std::string> calls = runtime.jvmCalls();
    return std::find(calls.begin(), calls.end(), record) != calls.end();
}

std::vector<JavaCall> callsOf(const TestRuntime& runtime, const std::string& method) {
    std::vector<JavaCall> found;
    for (const JavaCall& call : runtime.javaCalls())
        if (call.method == method) found.push_back(call);
    return found;
}

constexpr const char* kEntryClass = "com/tavik/runtime/WinLauncher";
constexpr const char* kInstallerEntryClass = "com/runwright/runtime/launcher/WinLauncher";
constexpr const char* kRegistryClass = "com/runwright/runtime/installer/platform/win32/Registry";
constexpr const char* kModulePath = "C:\\Programme\\\xC3\x84rger \xE6\x97\xA5\xE6\x9C\xAC\\app.exe";

TEST(RecordingVm, RecordsALaunchAsTheLauncherMakesIt) {
    Scenario s;
    TestRuntime runtime(s.dir() / "jre");
    runtime.create();
    const std::vector<std::string> arguments = {"true", "app.Main", "two words", "\xC3\xA9t\xC3\xA9", "-Dx=\"q\""};
    std::vector<std::string> script = {"launch", kEntryClass};
    script.insert(script.end(), arguments.begin(), arguments.end());

    const RunResult r = drive(s, runtime, script);

    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_THAT(textLines(r.out), ElementsAre("JNI_CreateJavaVM returned 0",
                                              "previous tavik.moduleName: C:\\app\\app.exe", "main returned",
                                              "DestroyJavaVM returned 0"));
    EXPECT_EQ(runtime.vmOptions(), (std::vector<std::string>{"-Dtavik.moduleName=C:\\app\\app.exe",
                                                             "-Djava.class.path=probe.jar", "-Xmx64m"}));
    EXPECT_EQ(runtime.mainArguments(), arguments);
    EXPECT_THAT(runtime.propertiesSet(), ElementsAre(std::pair<std::string, std::string>("tavik.moduleName", kModulePath)));
    const std::vector<JavaCall> splash = callsOf(runtime, std::string(kEntryClass) + ".initAwtSplashConfig");
    ASSERT_EQ(splash.size(), 1u);
    // The second flag is handed an int, as the launcher's configuration value is: shown as the number.
    EXPECT_THAT(splash[0].arguments,
                ElementsAre("true", "2", "\"splash.png\"", "10", "20", "\"\"", "30", "-40", "\"\xC3\x84rger\"", "50", "60",
                            "\"Lucida Sans\"", "70", "80"));
    EXPECT_TRUE(hasRecord(runtime, "FindClass java/lang/System"));
    EXPECT_TRUE(hasRecord(runtime, std::string("GetStaticMethodID ") + kEntryClass + ".main ([Ljava/lang/String;)V"));
    EXPECT_TRUE(callsOf(runtime, "com/runwright/runtime/installer/platform/win32/Common.initFromLauncher").empty());
    EXPECT_EQ(runtime.jvmCalls().back(), "DestroyJavaVM");
}

TEST(RecordingVm, InstallerLaunchRegistersNativesOrIsRefused) {
    struct Case {
        const char* name;
        bool refuse;
        std::string registered;
        std::vector<std::vector<std::string>> initFromLauncher;  // the arguments of each call
    };
    const Case cases[] = {
        {"registered", false, "RegisterNatives returned 0", {{"true"}}},
        {"refused", true, "RegisterNatives returned -1", {{"true"}, {"false"}}},
    };
    Scenario s;
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestRuntime runtime(s.dir() / ("jre" + std::to_string(index++)));
        if (c.refuse) runtime.refuseNatives(kRegistryClass);
        runtime.create();

        const RunResult r = drive(s, runtime, {"launch", kInstallerEntryClass, "x"});

        EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
        EXPECT_THAT(textLines(r.out), ::testing::Contains(c.registered));
        std::vector<std::vector<std::string>> initCalls;
        for (const JavaCall& call : callsOf(runtime, "com/runwright/runtime/installer/platform/win32/Common.initFromLauncher"))
            initCalls.push_back(call.arguments);
        EXPECT_EQ(initCalls, c.initFromLauncher);
        EXPECT_TRUE(hasRecord(runtime, std::string("RegisterNatives ") + kRegistryClass + " 2"));
        EXPECT_TRUE(hasRecord(runtime, "native deleteValue0 (ILjava/lang/String;Ljava/lang/String;I)V"));
        EXPECT_EQ(hasRecord(runtime, std::string("ExceptionClear java.lang.NoSuchMethodError: natives of ") + kRegistryClass),
                  c.refuse);
        EXPECT_EQ(runtime.mainArguments(), std::vector<std::string>{"x"});
    }
}

TEST(RecordingVm, ConfiguredFailuresReachTheCaller) {
    struct Case {
        const char* name;
        std::function<void(TestRuntime&)> configure;
        std::vector<std::string> script;
        int exitCode;
        std::string output;  // a line of the probe's standard output
        std::string record;  // a record of the VM
    };
    const std::string thrown = "java.lang.IllegalStateException: b\xC3\xB6se";
    const Case cases[] = {
        {"creation fails", [](TestRuntime& r) { r.failVmCreation(-4); }, {"launch", kEntryClass}, 5,
         "JNI_CreateJavaVM returned -4", "JNI_CreateJavaVM returns -4"},
        {"configuration line it cannot use",
         [](TestRuntime& r) { std::ofstream(r.vmConfigFile(), std::ios::binary) << "fail-creation\n"; },
         {"create"}, 5, "JNI_CreateJavaVM returned -6", "fake-jvm.cfg: cannot use line: fail-creation"},
        {"entry class missing", [](TestRuntime& r) { r.withoutClass(kEntryClass); }, {"launch", kEntryClass}, 10,
         "missing main class", std::string("ExceptionClear java.lang.NoClassDefFoundError: ") + kEntryClass},
        {"main missing", [](TestRuntime& r) { r.withoutMethod(std::string(kEntryClass) + ".main"); },
         {"launch", kEntryClass}, 11, "missing main method", "ExceptionClear java.lang.NoSuchMethodError: main"},
        {"main throws", [&](TestRuntime& r) { r.throwFrom(std::string(kEntryClass) + ".main", thrown); },
         {"launch", kEntryClass, "a"}, 1, "exception: " + thrown, "ExceptionDescribe " + thrown},
        {"Controller missing", [](TestRuntime& r) { r.withoutClass("com/tavik/Controller"); }, {"listener"}, 0,
         "no startupPerformed", "ExceptionClear java.lang.NoClassDefFoundError: com/tavik/Controller"},
    };
    Scenario s;
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestRuntime runtime(s.dir() / ("jre" + std::to_string(index++)));
        runtime.create();
        c.configure(runtime);

        const RunResult r = drive(s, runtime, c.script);

        EXPECT_EQ(r.exitCode, c.exitCode) << r.out << r.err;
        EXPECT_THAT(textLines(r.out), ::testing::Contains(c.output)) << r.out;
        EXPECT_TRUE(hasRecord(runtime, c.record)) << ::testing::PrintToString(runtime.jvmCalls());
    }
}

TEST(RecordingVm, ExceptionFromMainIsDescribedOnStandardError) {
    Scenario s;
    TestRuntime runtime(s.dir() / "jre");
    runtime.throwFrom(std::string(kEntryClass) + ".main", "java.lang.Error: boom").create();

    const RunResult r = drive(s, runtime, {"launch", kEntryClass});

    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(textLines(r.err), ElementsAre("Exception in thread \"main\" java.lang.Error: boom"));
    EXPECT_FALSE(hasRecord(runtime, "DestroyJavaVM")) << "a failed launch ends without destroying the VM";
    const std::vector<JavaCall> toString = callsOf(runtime, "java/lang/Throwable.toString");
    EXPECT_EQ(toString.size(), 1u) << "the text is taken after the VM described and cleared the exception";
}

TEST(RecordingVm, SecondThreadAttachesAsDaemonAndCallsBack) {
    Scenario s;
    TestRuntime runtime(s.dir() / "jre");
    runtime.create();

    const RunResult r = drive(s, runtime, {"listener"});

    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_THAT(textLines(r.out),
                ElementsAre("JNI_CreateJavaVM returned 0", "GetEnv before attaching: -2",
                            "GetEnv gives the attached JNIEnv: yes", "delivered", "DestroyJavaVM returned 0"));
    const std::vector<JavaCall> performed = callsOf(runtime, "com/tavik/Controller.startupPerformed");
    ASSERT_EQ(performed.size(), 2u);
    EXPECT_THAT(performed[0].arguments, ElementsAre("null"));
    EXPECT_THAT(performed[1].arguments, ElementsAre("\"--open \"a b.txt\" \xC3\xA9t\xC3\xA9\""));
    EXPECT_TRUE(hasRecord(runtime, "AttachCurrentThreadAsDaemon Thread-0"));
    EXPECT_TRUE(hasRecord(runtime, "DetachCurrentThread Thread-0"));
}

TEST(RecordingVm, UnimplementedFunctionEndsTheProcessWith99) {
    struct Case {
        int slot;
        const char* function;
    };
    const Case cases[] = {{0, "reserved"}, {5, "DefineClass"}, {7, "FromReflectedMethod"},
                          {229, "NewDirectByteBuffer"}, {233, "GetModule"}};
    Scenario s;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.function);
        TestRuntime runtime(s.dir() / ("jre" + std::to_string(c.slot)));
        runtime.create();

        const RunResult r = drive(s, runtime, {"unimplemented", std::to_string(c.slot)});

        EXPECT_EQ(r.exitCode, 99) << r.out;
        const std::string record = "unimplemented JNI function " + std::to_string(c.slot);
        EXPECT_EQ(runtime.jvmCalls().back(), record);
        EXPECT_THAT(r.err, HasSubstr(record));
    }
}

TEST(RecordingVm, ImplementedFunctionsSitInTheirOwnSlots) {
    Scenario s;
    TestRuntime runtime(s.dir() / "jre");
    runtime.create();
    // ExceptionCheck, slot 228: with nothing pending it answers and returns.
    const RunResult r = drive(s, runtime, {"unimplemented", "228"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_THAT(textLines(r.out), ::testing::Contains("slot 228 returned"));
}

TEST(RecordingVm, BrokenJniRuleEndsTheProcessWith98) {
    struct Case {
        const char* kind;
        std::string record;
    };
    const Case cases[] = {
        {"pending", "JNI misuse: FindClass with an exception pending: java.lang.NoClassDefFoundError: no/such/Type"},
        {"foreign-env", "JNI misuse: FindClass with another thread's JNIEnv"},
        {"deleted-ref", "JNI misuse: GetStringLength with a deleted reference"},
        {"string-receiver", "JNI misuse: CallObjectMethod with java/lang/String.toString on throwable "
                            "java.lang.NoClassDefFoundError: no/such/Type"},
    };
    Scenario s;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        TestRuntime runtime(s.dir() / (std::string("jre-") + c.kind));
        runtime.create();

        const RunResult r = drive(s, runtime, {"misuse", c.kind});

        EXPECT_EQ(r.exitCode, 98) << r.out;
        EXPECT_EQ(runtime.jvmCalls().back(), c.record);
    }
}

TEST(TestRuntime, Unpack200ConvertsAsCalled) {
    struct Case {
        const char* name;
        bool launcherForm;  // arguments alone, as the launcher starts it; else after the program name
        bool removePacked;
        bool packedExists;
        int exitCode;
    };
    const Case cases[] = {
        {"launcher's call", true, true, true, 0},
        {"shell call without -r", false, false, true, 0},
        {"packed file missing", true, true, false, 1},
    };
    const std::string packedBytes("packed rt\0\x01\xFF", 12);
    Scenario s;
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestRuntime runtime(s.dir() / ("Java Home " + std::to_string(index++)));
        runtime.create();
        const fs::path packed = runtime.home() / "lib" / "rt.jar.pack";
        const fs::path jar = runtime.home() / "lib" / "rt.jar";
        fs::create_directories(packed.parent_path());
        if (c.packedExists) std::ofstream(packed, std::ios::binary) << packedBytes;
        const std::string arguments = std::string(c.removePacked ? "-r " : "") + "\"" + windowsPath(packed) + "\" \"" +
                                      windowsPath(jar) + "\"";

        const RunResult r =
            c.launcherForm
                ? s.run(runtimeBinary(architecture(), "barestart.exe"),
                        withArguments({windowsPath(runtime.unpack200Exe()), arguments}))
                : s.run(runtime.unpack200Exe(), withArguments({windowsPath(packed), windowsPath(jar)}));

        EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
        const std::vector<std::string> runs = runtime.unpackRuns();
        ASSERT_EQ(runs.size(), 1u);
        if (c.launcherForm) {
            EXPECT_EQ(runs[0], arguments);
        }
        else {
            EXPECT_THAT(runs[0], HasSubstr(windowsPath(runtime.unpack200Exe())));
        }
        EXPECT_EQ(fs::exists(jar), c.exitCode == 0);
        if (c.exitCode == 0) {
            EXPECT_EQ(readFile(jar), packedBytes);
        }
        EXPECT_EQ(fs::exists(packed), c.packedExists && !c.removePacked);
    }
}

}  // namespace
}  // namespace tavik::scenario
