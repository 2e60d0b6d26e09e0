// The application's native library directories in front of PATH and, when
// configured, among the DLL directories, as a copy of the test program sets
// them up from its own configuration block.
#include "launcher/win/vmstart/NativeLibraryPath.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/win/ChildOutput.h"
#include "tests/win/TestSupport.h"

namespace tavik::test {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

std::string record(std::int32_t id, const std::string& text) {
    return BlockBuilder().uint32(static_cast<std::uint32_t>(id)).narrow(text).text();
}

TEST(NativeLibraryPath, DirectoriesGoInFrontOfPathWhileItFits) {
    // With the separator added, `listed` ends 10 bytes short of the capacity.
    const std::string listed = "C:\\" + std::string(kNativeLibraryPathCapacity - 14, 'd');
    const std::string tooLong(kNativeLibraryPathCapacity + 5, 'd');
    struct Case {
        const char* name;
        std::string directories;
        std::optional<std::string> path;
        std::string want;
    };
    const Case cases[] = {
        {"directories then PATH", "C:\\App\\lib;C:\\App\\bin\\x64", "C:\\Windows", "C:\\App\\lib;C:\\App\\bin\\x64;C:\\Windows"},
        {"no second separator", "C:\\App\\lib;", "C:\\Windows", "C:\\App\\lib;C:\\Windows"},
        {"no directories keeps PATH alone", "", "C:\\Windows", "C:\\Windows"},
        {"unset PATH", "C:\\App\\lib", std::nullopt, "C:\\App\\lib;"},
        {"empty PATH", "C:\\App\\lib", "", "C:\\App\\lib;"},
        {"PATH filling the last byte but the terminator", listed, std::string(9, 'p'), listed + ";" + std::string(9, 'p')},
        {"PATH one byte too long is left out", listed, std::string(10, 'p'), listed + ";"},
        {"directories beyond the capacity stay whole", tooLong, "C:\\Windows", tooLong + ";"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(nativeLibraryPathValue(c.directories, c.path), c.want);
    }
}

struct NativePathRun {
    std::map<std::string, std::string> values;
    std::string log;
    std::string directory;  // the packed copy's directory, with "\"
};

// The packed copy and two libraries: one for the DLL-directory search in
// "lib", one for the PATH search in "bin\x64".
NativePathRun runNativePath(const ScratchDir& scratch, const std::string& records, std::int32_t recordCount) {
    const fs::path jvmDll = fs::path(TAVIK_TEST_RUNTIME_DIR) / "jvm.dll";
    fs::create_directories(scratch.path() / "lib");
    fs::create_directories(scratch.path() / "bin" / "x64");
    fs::copy_file(jvmDll, scratch.path() / "lib" / "probe-dirs.dll", fs::copy_options::overwrite_existing);
    fs::copy_file(jvmDll, scratch.path() / "bin" / "x64" / "probe-path.dll", fs::copy_options::overwrite_existing);
    const fs::path exe = scratch.path() / "native.exe";
    writePackedCopy(testExecutable(), exe,
                    BlockBuilder().header().uint32(static_cast<std::uint32_t>(recordCount)).raw(records).uint32(0).uint32(0).text());
    const ChildResult r = runScenario(exe, "native-path",
                                      {scratch.path().u16string(), u"C:\\old one;C:\\old two", u"probe-dirs.dll",
                                       u"probe-path.dll"},
                                      {{u"TAVIK_LOG", u"yes"}, {u"RUNWRIGHT_LOG", u""}});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    NativePathRun run{keyValues(r.out), {}, scratch.path().string() + "\\"};
    run.log = childLog(run.values);
    return run;
}

TEST(NativeLibraryPath, ConfiguredDirectoriesLeadPathAndJoinTheDllDirectoriesOnRequest) {
    const std::string configured = "lib;%TAVIK_EXEDIR%\\bin\\x64;";
    struct Case {
        const char* name;
        std::string records;
        std::int32_t recordCount;
        bool dllDirectories;
    };
    const Case cases[] = {
        {"PATH only", record(10004, configured), 1, false},
        {"DLL directories too", record(10004, configured) + record(154, "1"), 2, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir scratch;
        const NativePathRun run = runNativePath(scratch, c.records, c.recordCount);
        const std::string want = run.directory + "lib;" + run.directory + "bin\\x64;C:\\old one;C:\\old two";
        EXPECT_EQ(run.values.at("path"), want);
        EXPECT_EQ(run.values.at("crtPath"), want);
        EXPECT_EQ(run.values.at("throughSearch"), "1");
        EXPECT_THAT(run.log, HasSubstr("] native lib dir is " + configured + "\n"));
        EXPECT_THAT(run.log, HasSubstr("] Setting PATH (native libs) " + want + "\n"));
        if (c.dllDirectories) {
            EXPECT_EQ(run.values.at("fromDllDirectories"), "1");
            EXPECT_THAT(run.log, HasSubstr("] Adding DLL directory " + run.directory + "lib\n"));
            EXPECT_THAT(run.log, HasSubstr("] Adding DLL directory " + run.directory + "bin\\x64\n"));
        } else {
            EXPECT_EQ(run.values.at("fromDllDirectories"), "0");
            EXPECT_THAT(run.log, Not(HasSubstr("Adding DLL directory")));
        }
    }
}

TEST(NativeLibraryPath, WithoutDirectoriesPathIsSetToItself) {
    ScratchDir scratch;
    const NativePathRun run = runNativePath(scratch, record(154, "1"), 1);
    EXPECT_EQ(run.values.at("path"), "C:\\old one;C:\\old two");
    EXPECT_EQ(run.values.at("fromDllDirectories"), "0");
    EXPECT_EQ(run.values.at("throughSearch"), "0");
    EXPECT_THAT(run.log, HasSubstr("] native lib dir is \n"));
    EXPECT_THAT(run.log, HasSubstr("] Setting PATH (native libs) C:\\old one;C:\\old two\n"));
    EXPECT_THAT(run.log, Not(HasSubstr("Adding DLL directory")));
}

}  // namespace
}  // namespace tavik::test
