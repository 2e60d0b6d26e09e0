// The launcher program with a stand-in runtime: the native library
// directories are in place before the runtime is searched for, and once its
// VM library is loaded the VM options are assembled from every source.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/win/ChildOutput.h"
#include "tests/win/TestSupport.h"

namespace tavik::test {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

using Records = std::vector<std::pair<std::int32_t, std::string>>;

std::string narrowRecord(std::int32_t id, const std::string& text) {
    return BlockBuilder().uint32(static_cast<std::uint32_t>(id)).narrow(text).text();
}

// A console-mode launcher of the plain flavour that finds the runtime in
// "jre" beside it.
fs::path packLauncher(const fs::path& exe, const Records& records) {
    std::string narrow = narrowRecord(107, "0") + narrowRecord(2001, "t") + narrowRecord(128, "Ajre");
    for (const auto& [id, text] : records) narrow += narrowRecord(id, text);
    writePackedCopy(fs::path(TAVIK_LAUNCHER_EXE), exe,
                    BlockBuilder()
                        .header()
                        .uint32(static_cast<std::uint32_t>(3 + records.size()))
                        .raw(narrow)
                        .uint32(3)
                        .uint32(1016).wide(u"No Java runtime found.")
                        .uint32(1006).wide(u"Missing {0}.")
                        .uint32(1008).wide(u"Variable {0} not set.")
                        .uint32(0)
                        .text());
    return exe;
}

void makeRuntime(const fs::path& home) {
    const fs::path programs = fs::path(TAVIK_TEST_RUNTIME_DIR);
    fs::create_directories(home / "bin" / "server");
    fs::copy_file(programs / "java.exe", home / "bin" / "java.exe", fs::copy_options::overwrite_existing);
    fs::copy_file(programs / "jvm.dll", home / "bin" / "server" / "jvm.dll", fs::copy_options::overwrite_existing);
    writeFile(home / "bin" / "fake-java.cfg", "openjdk version \"17.0.1\" 2021-10-19\n0\n");
}

struct Launch {
    ChildResult child;
    std::string log;
};

Launch launch(const fs::path& exe, const std::vector<std::u16string>& arguments, const fs::path& base) {
    fs::create_directories(base);
    Launch l;
    l.child = runChild(exe, arguments,
                       {{u"TAVIK_LOG", u"yes"}, {u"RUNWRIGHT_LOG", u""}, {u"TAVIK_JAVA_HOME", u""},
                        {u"RUNWRIGHT_JAVA_HOME", u""}, {u"TMP", base.u16string()}, {u"TEMP", base.u16string()}});
    l.log = withoutCarriageReturns(readFile(base / "rwt_nlog_1.log"));
    return l;
}

// Each fragment found on a log line after the one before.
void expectInOrder(const std::string& log, const std::vector<std::string>& fragments) {
    std::size_t from = 0;
    for (const std::string& fragment : fragments) {
        const std::size_t at = log.find(fragment, from);
        ASSERT_NE(at, std::string::npos) << "missing after offset " << from << ": " << fragment << "\n" << log;
        from = at + fragment.size();
    }
}

TEST(VmOptionsLaunch, OptionsFromEverySourceFollowTheLoadedRuntime) {
    ScratchDir scratch;
    makeRuntime(scratch.path() / "jre");
    scratch.write("lib/app.jar", "");
    scratch.write("conf/app.vmoptions", "-Dfrom.file=1\n");
    const fs::path exe = packLauncher(scratch.path() / "app.exe",
                                      {{10004, "native"},
                                       {123, "-Dconfigured=1 -include-options conf\\app.vmoptions"},
                                       {125, "1"},
                                       {10200, "2"},
                                       {10201, "9-11"},
                                       {10202, "-Dspecific=old"},
                                       {10203, "*17.*"},
                                       {10204, "-Dspecific=17"},
                                       {121, "A1lib\\app.jar"}});
    const Launch l = launch(exe, {u"/run", u"-J-Xss2m", u"plain"}, scratch.path() / "base");
    const std::string directory = scratch.path().string() + "\\";
    EXPECT_EQ(l.child.exitCode, 0);
    expectInOrder(l.log, {"] native lib dir is native\n",
                          "] Setting PATH (native libs) " + directory + "native;",
                          "Loading of JVM-DLL successful",
                          "] check 2 version specific vm option lines for 17.0.1\n",
                          "] option -Dconfigured=1\n",
                          "] option -Dfrom.file=1\n",
                          "] option -Dspecific=17\n",
                          "] option -Xss2m\n",
                          "] option -Djava.class.path=" + directory + "lib\\app.jar\n",
                          "] option -Drunwright.noRedir=true\n",
                          "] JVM created\n",
                          "] param 6: plain\n",
                          "] launch done\n"});
    EXPECT_THAT(l.log, Not(HasSubstr("option -Dspecific=old")));
    EXPECT_THAT(l.log, Not(HasSubstr("option -Xrs")));
    EXPECT_THAT(l.log, Not(HasSubstr("option plain")));
}

TEST(VmOptionsLaunch, MissingRequiredEntryEndsTheLaunchWithItsMessage) {
    struct Case {
        const char* name;
        std::string classPath;
        std::string shown;
    };
    const Case cases[] = {
        {"archive", "A0lib\\optional.jar;A1lib\\missing.jar", "Missing lib\\missing.jar."},
        {"environment variable", "E1TAVIK_UNSET_CLASSPATH", "Variable TAVIK_UNSET_CLASSPATH not set."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir scratch;
        makeRuntime(scratch.path() / "jre");
        const fs::path exe = packLauncher(scratch.path() / "app.exe", {{121, c.classPath}});
        const Launch l = launch(exe, {u"/run"}, scratch.path() / "base");
        EXPECT_EQ(l.child.exitCode, 1);
        EXPECT_EQ(firstLine(withoutCarriageReturns(l.child.err)), c.shown);
        EXPECT_THAT(l.log, HasSubstr("Loading of JVM-DLL successful"));
        EXPECT_THAT(l.log, Not(HasSubstr("option -Djava.class.path")));
        EXPECT_THAT(l.log, Not(HasSubstr("creating the Java VM")));
    }
}

}  // namespace
}  // namespace tavik::test
