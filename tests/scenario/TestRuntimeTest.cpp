// The stand-in Java runtime under Wine: java.exe and javaw.exe answer as
// configured and record their runs, jvm.dll records its loading and the
// invocation call, unpack200.exe converts as the launcher calls it.
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
    EXPECT_EQ(r.out, "JNI_CreateJavaVM returned -1\r\n");
    EXPECT_THAT(runtime.jvmCalls(),
                ElementsAre("loaded " + windowsPath(runtime.jvmDll()), "JNI_CreateJavaVM version=0x00010002 options=2",
                            "option -Djava.class.path=probe.jar", "option -Xmx64m"));
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
