// Whole packed executables starting the recording VM: the option list and
// main's arguments from every source, the service and run modes, and how a
// failed creation, a missing entry class and an exception in main end.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "tests/scenario/Scenario.h"
#include "tests/scenario/TestRuntime.h"

namespace tavik::scenario {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::Not;

std::string project(const std::string& application, const std::string& rest = "",
                    const std::string& mainClass = "com.example.Main") {
    return R"(
[application]
main_class = ")" + mainClass + R"("
executable_kind = "console"
)" + application + R"(
[java]
search_sequence = [ { kind = "A", value = "jre" } ]
)" + rest + R"(
[messages]
1006 = "missing entry {0}"
1010 = "entry class missing"
1011 = "main method missing"
)";
}

// The value of "-D<name>=" among the options; empty when absent.
std::string propertyOf(const std::vector<std::string>& options, const std::string& name) {
    const std::string prefix = "-D" + name + "=";
    for (const std::string& option : options)
        if (option.rfind(prefix, 0) == 0) return option.substr(prefix.size());
    return {};
}

// The options after the launcher's own properties (which end with the
// library path and the console code page).
std::vector<std::string> optionsAfterProperties(const std::vector<std::string>& options) {
    auto at = std::find_if(options.begin(), options.end(),
                           [](const std::string& option) { return option.rfind("-Dtavik.consoleCodepage=", 0) == 0; });
    return at == options.end() ? options : std::vector<std::string>(at + 1, options.end());
}

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// Options with the scenario's directory and the launcher's temporary
// directory written as <dir> and <tmp>.
std::vector<std::string> placeholders(std::vector<std::string> options, const std::string& dir,
                                      const std::string& tmp) {
    for (std::string& option : options) option = replaceAll(replaceAll(option, tmp, "<tmp>"), dir, "<dir>");
    return options;
}

TEST(JavaStart, EverySourceReachesTheVmAndMainInOrder) {
    Scenario s;
    TestRuntime jre(s.dir() / "jre");
    jre.create();
    s.writeFile("lib/app.jar", "");
    s.writeFile("classes/.keep", "");
    s.writeFile("libs/scanned.jar", "");
    s.writeFile("u.jar", "u");
    s.writeFile("app.vmoptions", "# comment\n\n  -Xmx64m  \n-include-options conf\\more.vmoptions\n-classpath/p pre.jar\n");
    s.writeFile("conf/more.vmoptions", "-Dfrom.include=1\n-classpath/a first.jar\n-classpath/a post.jar\n");
    const std::string application = R"(
vm_options = '-Dconfigured=1 --add-opens java.base/java.lang=ALL-UNNAMED'
java_options_from_command_line = true
read_default_vmoptions = true
arguments = 'fixed1 "fixed two"'
class_path = [ { kind = "archive", path = "lib\\app.jar", required = true },
               { kind = "directory", path = "classes" },
               { kind = "env", path = "EXTRA_CP" },
               { kind = "scan", path = "libs" } ]
)";
    const std::string rest = R"(version_options = [ { condition = "9-11", option = "-Dspecific=old" },
                    { condition = "*17.*", option = "-Dspecific=17" } ]
[files]
embed = [ { source = "u.jar", name = "user\\u.jar" } ]
)";
    RunOptions options = directRun();
    options.arguments.insert(options.arguments.end(),
                             {"-J-Xss2m", "plain", "-Dsun.locale.formatasdefault=false", "two words"});
    options.winEnv["EXTRA_CP"] = "\"X:\\extra.jar\"";
    options.env["LC_ALL"] = "de_CH.UTF-8";
    const fs::path exe = s.pack(project(application, rest));
    const RunResult r = s.run(exe, options);

    EXPECT_EQ(r.exitCode, 0) << r.log;
    const std::vector<std::string> vmOptions = jre.vmOptions();
    const std::string dir = windowsPath(s.dir());
    const std::string tmp = propertyOf(vmOptions, "tavik.tempDir");
    ASSERT_FALSE(tmp.empty());
    EXPECT_THAT(placeholders(optionsAfterProperties(vmOptions), dir, tmp),
                ElementsAreArray({"-Dconfigured=1",
                                  "--add-opens=java.base/java.lang=ALL-UNNAMED",
                                  "-Dspecific=17",
                                  "-Xss2m",
                                  "-Dsun.locale.formatasdefault=false",
                                  "-Duser.language=de",
                                  "-Duser.country=CH",
                                  "-Xmx64m",
                                  "-Dfrom.include=1",
                                  "-Djava.class.path=pre.jar;<tmp>\\tavik-runtime.jar;<tmp>\\user\\u.jar;"
                                  "<dir>\\lib\\app.jar;<dir>\\classes;X:\\extra.jar;<dir>\\libs\\scanned.jar;post.jar",
                                  "-Drunwright.noRedir=true"}));
    EXPECT_EQ(jre.mainArguments(),
              (std::vector<std::string>{"false", "com.example.Main", "", "", "false", windowsPath(exe), "fixed1",
                                        "fixed two", "plain", "two words"}));
    EXPECT_THAT(jre.jvmCalls(), Contains("FindClass com/tavik/runtime/WinLauncher"));
    EXPECT_EQ(jre.jvmCalls().back(), "DestroyJavaVM");
    EXPECT_TRUE(r.hasLine("launch done"));
}

// The launcher's properties head the list in their fixed order; with MANPATH
// set the console code page is left out. The exact Unicode path replaces the
// 8-bit module name once the VM runs.
TEST(JavaStart, LauncherPropertiesLeadTheOptions) {
    Scenario s;
    TestRuntime jre(s.dir() / "jre");
    jre.create();
    RunOptions options = directRun();
    options.winEnv["MANPATH"] = "x";
    const fs::path exe = s.pack(project("vm_options = '-Dconfigured=1'"));
    const RunResult r = s.run(exe, options);

    EXPECT_EQ(r.exitCode, 0) << r.log;
    const std::vector<std::string> vmOptions = jre.vmOptions();
    ASSERT_GE(vmOptions.size(), 7u);
    const std::string exePath = windowsPath(exe);
    // Not in single-instance mode: the first numbered semaphore of the lowered path.
    std::string semaphore = "-Dtavik.semaphoreName=Local\\";
    for (const char c : exePath)
        semaphore += c == '\\' || c == ' ' ? '_' : c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    EXPECT_EQ(vmOptions[0], semaphore + "0");
    EXPECT_EQ(vmOptions[1], "-Dtavik.moduleName=" + exePath);
    EXPECT_EQ(vmOptions[2], "-Dsun.java.command=" + exePath);
    EXPECT_THAT(vmOptions[3], ::testing::MatchesRegex("-Dtavik\\.tempDir=.*\\\\tvk.*\\.tmp_dir[0-9]+"));
    // Every embedded file was extracted: the archive ends where the file does.
    EXPECT_EQ(vmOptions[4], "-Dtavik.unextractedPosition=" + std::to_string(fs::file_size(exe)));
    EXPECT_THAT(vmOptions[5], ::testing::StartsWith("-Djava.library.path="));
    EXPECT_THAT(vmOptions[5], HasSubstr("system32"));
    EXPECT_EQ(vmOptions[6], "-Dconfigured=1");
    EXPECT_THAT(jre.propertiesSet(),
                ElementsAreArray({std::pair<std::string, std::string>("tavik.moduleName", exePath)}));
}

// Mode flags: the run command asks for no output redirection; the service
// child (started with the marker) runs as a service: "-Xrs", once, and the
// service name in place of the program path.
TEST(JavaStart, RunAndServiceModesAddTheirOptions) {
    struct Case {
        const char* name;
        std::string application;
        std::vector<std::string> arguments;
        std::vector<std::string> expectedTail;
        std::string argumentAfterFlags;
    };
    const Case cases[] = {
        {"run", "", {"/run"}, {"-Djava.class.path=<tmp>\\tavik-runtime.jar", "-Drunwright.noRedir=true"}, "<exe>"},
        {"run with redirection", "", {"/run-redirect"}, {"-Djava.class.path=<tmp>\\tavik-runtime.jar"}, "<exe>"},
        {"service child", "", {"My Service", "-x", "__rwt_restart"},
         {"-Djava.class.path=<tmp>\\tavik-runtime.jar", "-Xrs"}, "My Service"},
        {"service child with -Xrs configured", "vm_options = '-Xrs'", {"MySvc", "__rwt_restart"},
         {"-Xrs", "-Djava.class.path=<tmp>\\tavik-runtime.jar"}, "MySvc"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scenario s;
        TestRuntime jre(s.dir() / "jre");
        jre.create();
        RunOptions options;
        options.arguments = c.arguments;
        const fs::path exe = s.pack(project(c.application));
        const RunResult r = s.run(exe, options);

        EXPECT_EQ(r.exitCode, 0) << r.log;
        const std::vector<std::string> vmOptions = jre.vmOptions();
        const bool service = c.argumentAfterFlags != "<exe>";
        EXPECT_EQ(propertyOf(vmOptions, "tavik.isService"), service ? "true" : "");
        const std::string tmp = propertyOf(vmOptions, "tavik.tempDir");
        EXPECT_EQ(placeholders(optionsAfterProperties(vmOptions), windowsPath(s.dir()), tmp), c.expectedTail);
        const auto mainArguments = jre.mainArguments();
        ASSERT_TRUE(mainArguments.has_value());
        ASSERT_GE(mainArguments->size(), 6u);
        EXPECT_EQ((*mainArguments)[5], service ? c.argumentAfterFlags : windowsPath(exe));
        EXPECT_EQ(r.hasLine("registering ConsoleCtrlHandler"), service);
    }
}

// A module launch: the launcher's jars join the module path, and the main
// module is added and its package opened to the runtime module.
TEST(JavaStart, ModuleLaunchPutsTheLauncherJarsOnTheModulePath) {
    Scenario s;
    TestRuntime jre(s.dir() / "jre");
    jre.create();
    s.writeFile("mods/app.jar", "");
    const std::string application = R"(
module = true
module_path = [ { kind = "scan", path = "mods", required = true } ]
)";
    const RunResult r = s.run(s.pack(project(application, "", "app.mod/com.example.Main")), directRun());

    EXPECT_EQ(r.exitCode, 0) << r.log;
    const std::vector<std::string> vmOptions = jre.vmOptions();
    const std::string tmp = propertyOf(vmOptions, "tavik.tempDir");
    EXPECT_THAT(placeholders(optionsAfterProperties(vmOptions), windowsPath(s.dir()), tmp),
                ElementsAreArray({"-Djava.class.path=", "--module-path=<dir>\\mods;<tmp>\\tavik-runtime.jar",
                                  "--add-opens=app.mod/com.example=com.tavik.runtime",
                                  "--add-modules=app.mod,com.tavik.runtime", "-Drunwright.noRedir=true"}));
    const auto mainArguments = jre.mainArguments();
    ASSERT_TRUE(mainArguments.has_value());
    ASSERT_GE(mainArguments->size(), 2u);
    EXPECT_EQ((*mainArguments)[1], "/app.mod/com.example.Main");
}

// The installer flavour loads the helper library from the installation
// directory and lets it register its natives; a refusal is logged, the
// helper's own report included, and the start goes on.
TEST(JavaStart, InstallerFlavourRegistersTheHelperNatives) {
    struct Case {
        const char* name;
        bool refuse;
        std::vector<std::vector<std::string>> initFromLauncher;
    };
    const Case cases[] = {
        {"registered", false, {{"true"}}},
        {"refused", true, {{"true"}, {"false"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scenario s;
        TestRuntime jre(s.dir() / "jre");
        jre.create();
        const fs::path helperDir = s.dir() / "inst" / ".runwright";
        fs::create_directories(helperDir);
        fs::copy_file(runtimeBinary(architecture(), "rwtnative.dll"), helperDir / "rwtnative.dll");
        if (c.refuse) s.writeFile("inst/.runwright/refuse", "");
        const RunResult r = s.run(s.pack(project("flavour = 'installer'\ninstallation_root = 'inst'")), directRun());

        EXPECT_EQ(r.exitCode, 0) << r.log;
        EXPECT_EQ(propertyOf(jre.vmOptions(), "tavik.isRunwright"), "true");
        EXPECT_TRUE(r.hasLine("helper dll ")) << r.log;
        EXPECT_THAT(r.log, HasSubstr("inst\\.runwright\\rwtnative.dll"));
        std::vector<std::vector<std::string>> initCalls;
        for (const JavaCall& call : jre.javaCalls())
            if (call.method == "com/runwright/runtime/installer/platform/win32/Common.initFromLauncher")
                initCalls.push_back(call.arguments);
        EXPECT_EQ(initCalls, c.initFromLauncher);
        const auto calls = jre.jvmCalls();
        EXPECT_EQ(std::count(calls.begin(), calls.end(),
                             "RegisterNatives com/runwright/runtime/installer/platform/win32/Registry 1"),
                  c.refuse ? 0 : 1);
        EXPECT_EQ(r.hasLine("ERROR: helper refuses 1 of its natives"), c.refuse);
        EXPECT_EQ(r.hasLine("ERROR: registering helper dll failed"), c.refuse);
        EXPECT_THAT(calls, Contains("FindClass com/runwright/runtime/launcher/WinLauncher"));
        EXPECT_TRUE(r.hasLine("launch done"));
    }
}

// The shipped helper library where the installer flavour looks for it binds
// all fifteen classes, each with its whole table, before the application starts.
TEST(JavaStart, InstallerFlavourLoadsTheShippedHelperLibrary) {
    Scenario s;
    TestRuntime jre(s.dir() / "jre");
    jre.create();
    const fs::path helperDir = s.dir() / "inst" / ".runwright";
    fs::create_directories(helperDir);
    fs::copy_file(shippedHelperLibrary(architecture()), helperDir / "rwtnative.dll");
    const RunResult r = s.run(s.pack(project("flavour = 'installer'\ninstallation_root = 'inst'")), directRun());

    EXPECT_EQ(r.exitCode, 0) << r.log;
    EXPECT_FALSE(r.hasLine("ERROR: registering helper dll failed")) << r.log;
    std::vector<std::string> registrations;
    for (const std::string& call : jre.jvmCalls())
        if (call.rfind("RegisterNatives ", 0) == 0) registrations.push_back(call);
    const std::string package = "RegisterNatives com/runwright/runtime/installer/platform/win32/";
    EXPECT_THAT(registrations,
                ElementsAre(package + "ACLHandling 1", package + "FileVersion 1", package + "FolderInfo 7",
                            package + "Misc 13", package + "ObjectPicker 1", package + "ShellLink 4",
                            package + "VistaFileChooser 2", package + "VistaTaskDialog 1",
                            package + "Win32CommunicationBackend 10", package + "Win32Proxy 4",
                            package + "Win32UserInfo 10", package + "Registry 11", package + "Win32Exec 1",
                            package + "Win32Handle 3", package + "Win32Services 10"));
    EXPECT_THAT(jre.jvmCalls(), Contains("native getValue0 (ILjava/lang/String;Ljava/lang/String;I)Ljava/lang/Object;"));
    EXPECT_TRUE(r.hasLine("launch done"));
}

// A long option file is neither cut nor reordered on its way to the VM.
TEST(JavaStart, TenThousandOptionsReachTheVmWhole) {
    Scenario s;
    TestRuntime jre(s.dir() / "jre");
    jre.create();
    std::vector<std::string> expected;
    std::string file;
    for (int i = 1; i <= 10000; ++i) {
        expected.push_back("-Dmany." + std::to_string(i) + "=" + std::string(static_cast<std::size_t>(i % 50), 'v'));
        file += expected.back() + "\r\n";
    }
    s.writeFile("app.vmoptions", file);
    const RunResult r = s.run(s.pack(project("read_default_vmoptions = true")), directRun());

    EXPECT_EQ(r.exitCode, 0);
    std::vector<std::string> received;
    for (const std::string& option : jre.vmOptions())
        if (option.rfind("-Dmany.", 0) == 0) received.push_back(option);
    EXPECT_EQ(received, expected);
}

// How a start that cannot reach or finish main ends.
TEST(JavaStart, FailuresEndWithExitCodeOne) {
    struct Case {
        const char* name;
        std::function<void(TestRuntime&)> configure;
        std::string logLine;
        std::string errorText;
    };
    const Case cases[] = {
        {"creation fails", [](TestRuntime& jre) { jre.failVmCreation(); }, "ERROR: could not initialize JVM", ""},
        {"entry class missing", [](TestRuntime& jre) { jre.withoutClass("com/tavik/runtime/WinLauncher"); },
         "ERROR: could not find main class", "entry class missing"},
        {"main missing", [](TestRuntime& jre) { jre.withoutMethod("com/tavik/runtime/WinLauncher.main"); },
         "ERROR: could not find main method", "main method missing"},
        {"main throws",
         [](TestRuntime& jre) { jre.throwFrom("com/tavik/runtime/WinLauncher.main", "java.lang.IllegalStateException: boom"); },
         "ERROR: could not call main", "Exception in thread \"main\" java.lang.IllegalStateException: boom"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scenario s;
        TestRuntime jre(s.dir() / "jre");
        jre.create();
        c.configure(jre);
        const RunResult r = s.run(s.pack(project("")), directRun());

        EXPECT_EQ(r.exitCode, 1) << r.log;
        EXPECT_TRUE(r.hasLine(c.logLine)) << r.log;
        EXPECT_THAT(withoutCarriageReturns(r.err), HasSubstr(c.errorText));
        EXPECT_FALSE(r.hasLine("launch done"));
        EXPECT_FALSE(anyEntryContains(s.tempDir(), "_dir")) << "the error path removes the temporary directory";
    }
}

}  // namespace
}  // namespace tavik::scenario
