// The packed launcher as a Windows service under Wine's service control
// manager: the command words that install, start, stop, query and remove it,
// and the service process that runs the application as its supervised child.
// Every test installs services of its own names and removes them at the end.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <optional>
#include <thread>

#include "tests/scenario/Scenario.h"
#include "tests/scenario/TestRuntime.h"

namespace tavik::scenario {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr const char* kEntryMain = "com/tavik/runtime/WinLauncher.main";
constexpr int kStopped = 1;
constexpr int kRunning = 4;

std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

struct ToolRun {
    int exitCode = -1;
    std::string out;  // standard output and error, without carriage returns
};

// A Wine program (sc, reg) with its output in a file: the service manager may
// inherit the streams of the command that talks to it, and a pipe would then
// never end.
ToolRun wineTool(const Scenario& s, const std::vector<std::string>& arguments) {
    std::string command = "TAVIK_WINE_ROOT=" + shellQuoted(TAVIK_WINE_ROOT) + " " +
                          shellQuoted((sourceDir() / "scripts/wine-run").string()) + " " + architecture();
    for (const std::string& argument : arguments) command += " " + shellQuoted(argument);
    const fs::path out = s.dir() / "tool.out";
    command += " </dev/null >" + shellQuoted(out.string()) + " 2>&1";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, withoutCarriageReturns(readFile(out))};
}

struct ServiceStatus {
    int state = 0;
    long win32ExitCode = -1;
    long serviceExitCode = -1;
};

long fieldOf(const std::string& text, const std::string& name) {
    const auto at = text.find(name);
    if (at == std::string::npos) return -1;
    const auto colon = text.find(':', at);
    return std::strtol(text.c_str() + colon + 1, nullptr, 10);
}

// nullopt when the service does not exist.
std::optional<ServiceStatus> queryService(const Scenario& s, const std::string& name) {
    const ToolRun r = wineTool(s, {"sc", "query", name});
    if (r.exitCode != 0 || r.out.find("STATE") == std::string::npos) return std::nullopt;
    return ServiceStatus{static_cast<int>(fieldOf(r.out, "STATE")), fieldOf(r.out, "WIN32_EXIT_CODE"),
                         fieldOf(r.out, "SERVICE_EXIT_CODE")};
}

bool eventually(const std::function<bool()>& condition, int seconds = 30, int pollMillis = 200) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(pollMillis));
    }
    return condition();
}

// Wine's manager notices the end of a service process that did not report
// itself stopped only after a few quiet seconds: queries in quick succession
// put that off, so these come slowly.
bool reachesState(const Scenario& s, const std::string& name, int state, int seconds = 60) {
    return eventually([&] {
        const auto status = queryService(s, name);
        return status && status->state == state;
    }, seconds, 2000);
}

// Removes the service at the end of a test, whatever state it was left in.
class ServiceCleanup {
public:
    ServiceCleanup(const Scenario& s, std::vector<std::string> names) : s_(s), names_(std::move(names)) {}
    ~ServiceCleanup() {
        for (const std::string& name : names_) {
            if (!queryService(s_, name)) continue;
            wineTool(s_, {"sc", "stop", name});
            reachesState(s_, name, kStopped, 20);
            wineTool(s_, {"sc", "delete", name});
        }
    }
    ServiceCleanup(const ServiceCleanup&) = delete;
    ServiceCleanup& operator=(const ServiceCleanup&) = delete;

private:
    const Scenario& s_;
    std::vector<std::string> names_;
};

std::string project(const std::string& serviceName, const std::string& kind = "console",
                    const std::string& application = "") {
    return R"(
[application]
)" + application + R"(executable_kind = ")" + kind + R"("
main_class = "com.example.Main"
[java]
search_sequence = [ { kind = 'A', value = 'jre' } ]
[service]
name = ")" + serviceName + R"("
description = "Runs the test application"
dependencies = ["Tcpip", "Dnscache"]
)";
}

// The recording VM's main waits for the end of its standard input: the
// application runs until the service tells it to stop.
void mainReadsStdin(const TestRuntime& jre) {
    std::string config = readFile(jre.vmConfigFile());
    if (!config.empty() && config.back() != '\n') config += '\n';
    std::ofstream(jre.vmConfigFile(), std::ios::binary) << config << "main-reads-stdin\n";
}

// A Wine process shows its Windows command line as its own.
bool processRunning(const std::string& windowsPathText) {
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string cmdline = readFile(entry.path() / "cmdline");
        if (cmdline.find(windowsPathText) != std::string::npos) return true;
    }
    return false;
}

// Called, with its arguments recorded whole.
bool mainCalled(const TestRuntime& jre) {
    for (const JavaCall& call : jre.javaCalls())
        if (call.method == kEntryMain) return jre.mainArguments().has_value();
    return false;
}

std::vector<std::string> stdinRecords(const TestRuntime& jre) {
    std::vector<std::string> records;
    for (const std::string& line : jre.jvmCalls())
        if (line.rfind("stdin", 0) == 0) records.push_back(line);
    return records;
}

std::string serviceKey(const std::string& name) { return "HKLM\\System\\CurrentControlSet\\Services\\" + name; }

RunOptions command(std::vector<std::string> arguments) {
    RunOptions options;
    options.arguments = std::move(arguments);
    options.timeoutSeconds = 120;
    return options;
}

// ---- The command words.

TEST(ServiceCommands, InstallStatusStopAndUninstallOfAStoppedService) {
    Scenario s;
    const std::string name = "TavikCmdBasic";
    const ServiceCleanup cleanup(s, {name});
    TestRuntime(s.dir() / "jre").create();
    const fs::path exe = s.pack(project(name));

    RunResult r = s.run(exe, command({"/install"}));
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(withoutCarriageReturns(r.out), "Installed service '" + name + "'.\n");
    const ToolRun key = wineTool(s, {"reg", "query", serviceKey(name)});
    EXPECT_THAT(key.out, HasSubstr("DependOnService    REG_MULTI_SZ    Tcpip\\0Dnscache\n"));
    EXPECT_THAT(key.out, HasSubstr("Description    REG_SZ    Runs the test application\n"));
    EXPECT_THAT(key.out, HasSubstr("DisplayName    REG_SZ    " + name + "\n"));
    EXPECT_THAT(key.out, HasSubstr("ImagePath    REG_SZ    \"" + windowsPath(exe) + "\"\n"));
    EXPECT_THAT(key.out, HasSubstr("Start    REG_DWORD    0x3\n"));  // on demand
    EXPECT_THAT(key.out, HasSubstr("Type    REG_DWORD    0x10\n"));

    struct Step {
        std::vector<std::string> arguments;
        int exitCode;
        std::string out;
    };
    const Step steps[] = {
        {{"/status"}, 3, "Not running.\n"},
        {{"--stop"}, 0, "Service is already stopped.\n"},
        {{"/uninstall"}, 0, "Service is already stopped.\nUninstalled service '" + name + "'.\n"},
        {{"/status"}, 1, "Could not get status.\n"},
        {{"/uninstall"}, 1, "Could not delete service.\n"},
        {{"/stop"}, 1, "Could not stop service.\n"},
        {{"/start"}, 1, "Could not start service. Error code: 1060\n"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.arguments.front() + " then " + step.out);
        r = s.run(exe, command(step.arguments));
        EXPECT_EQ(r.exitCode, step.exitCode);
        EXPECT_EQ(withoutCarriageReturns(r.out), step.out);
        EXPECT_FALSE(r.hasLine("ERROR:")) << r.log;
    }
    EXPECT_FALSE(queryService(s, name));
}

TEST(ServiceCommands, StartTypeFollowsTheWordAndTheExecutableKind) {
    Scenario s;
    const std::string name = "TavikCmdKind";
    const std::string other = "TavikCmdOther";
    const ServiceCleanup cleanup(s, {name, other});
    TestRuntime(s.dir() / "jre").create();
    const fs::path serviceKind = s.pack(project(name, "service"), "service.exe");
    const fs::path consoleKind = s.pack(project(name), "console.exe");

    struct Case {
        fs::path exe;
        std::string word;
        bool automatic;
    };
    const Case cases[] = {
        {serviceKind, "/install", true},     {consoleKind, "/install", false},
        {consoleKind, "/install-auto", true}, {serviceKind, "/install-demand", false},
    };
    std::string replaced;  // installing again removes the service first, which stops it
    for (const Case& c : cases) {
        SCOPED_TRACE(c.exe.filename().string() + " " + c.word);
        RunResult r = s.run(c.exe, command({c.word}));
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(withoutCarriageReturns(r.out), replaced + "Installed service '" + name + "'.\n");
        replaced = "Service is already stopped.\n";
        EXPECT_THAT(wineTool(s, {"reg", "query", serviceKey(name)}).out,
                    HasSubstr(std::string("Start    REG_DWORD    ") + (c.automatic ? "0x2" : "0x3")));
        r = s.run(c.exe, command({"/status"}));
        EXPECT_EQ(r.exitCode, 3);
        EXPECT_EQ(withoutCarriageReturns(r.out), c.automatic ? "Not running.\nAuto-start.\n" : "Not running.\n");
    }

    // A name after the word replaces the configured one.
    RunResult r = s.run(consoleKind, command({"/install", other}));
    EXPECT_EQ(withoutCarriageReturns(r.out), "Installed service '" + other + "'.\n");
    EXPECT_THAT(wineTool(s, {"reg", "query", serviceKey(other)}).out, HasSubstr("DisplayName    REG_SZ    " + other));
    r = s.run(consoleKind, command({"/uninstall", other}));
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(withoutCarriageReturns(r.out), "Service is already stopped.\nUninstalled service '" + other + "'.\n");
    EXPECT_FALSE(queryService(s, other));
    EXPECT_TRUE(queryService(s, name));
}

TEST(ServiceCommands, StartArgumentsReachMainAndStopsEndTheApplication) {
    Scenario s;
    const std::string name = "TavikCmdRun";
    const ServiceCleanup cleanup(s, {name});
    TestRuntime jre(s.dir() / "jre");
    jre.create();
    mainReadsStdin(jre);
    const fs::path exe = s.pack(project(name));
    ASSERT_EQ(s.run(exe, command({"/install"})).exitCode, 0);

    RunResult r = s.run(exe, command({"/start", name, "a", "b c"}));
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(withoutCarriageReturns(r.out), "Starting service '" + name + "'.\n");
    ASSERT_TRUE(eventually([&] { return mainCalled(jre); })) << testing::PrintToString(jre.jvmCalls());
    const auto arguments = jre.mainArguments();
    ASSERT_TRUE(arguments);
    ASSERT_GE(arguments->size(), 3u);
    EXPECT_THAT(std::vector<std::string>(arguments->end() - 3, arguments->end()), ElementsAre(name, "a", "b c"));

    r = s.run(exe, command({"/status"}));
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(withoutCarriageReturns(r.out), "Running.\n");
    r = s.run(exe, command({"/start"}));
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(withoutCarriageReturns(r.out), "Service is already running.\n");

    // Installing over the running service stops it first.
    r = s.run(exe, command({"/install"}));
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(withoutCarriageReturns(r.out),
              "Stopping service '" + name + "'.\nService stopped\nInstalled service '" + name + "'.\n");
    EXPECT_THAT(stdinRecords(jre), ElementsAre("stdin 30 0a EOF"));

    ASSERT_EQ(s.run(exe, command({"/start"})).exitCode, 0);
    ASSERT_TRUE(eventually([&] { return s.run(exe, command({"/status"})).exitCode == 0; }));
    r = s.run(exe, command({"/stop"}));
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(withoutCarriageReturns(r.out), "Stopping service '" + name + "'.\nService stopped\n");
    EXPECT_THAT(stdinRecords(jre), ElementsAre("stdin 30 0a EOF", "stdin 30 0a EOF"));
    const auto status = queryService(s, name);
    ASSERT_TRUE(status);
    EXPECT_EQ(status->state, kStopped);

    r = s.run(exe, command({"/uninstall"}));
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(withoutCarriageReturns(r.out), "Service is already stopped.\nUninstalled service '" + name + "'.\n");
}

// ---- The service process. These services are registered by hand so that
// the service process starts with logging on and a temporary base of the
// test's own: the service manager starts the test's environment runner, which
// starts the launcher.

class ServiceHost {
public:
    ServiceHost(Scenario& s, std::string name) : s_(s), name_(std::move(name)), cleanup_(s, {name_}) {}

    // `commandLine`: how the runner starts the launcher, as a Windows command line.
    void create(const std::string& commandLine) {
        const std::string tmp = windowsPath(s_.tempDir());
        const std::string runner = windowsPath(fs::path(templatePath(architecture())).parent_path().parent_path().parent_path() /
                                               "tests/support/envrun.exe");
        const ToolRun r = wineTool(s_, {"sc", "create", name_, "binPath=",
                                        runner + " TAVIK_LOG=yes TMP=" + tmp + " TEMP=" + tmp + " -- " + commandLine});
        ASSERT_TRUE(queryService(s_, name_)) << r.out;
    }

    // Starts the service and waits until the service process is done; the
    // logs of the run are those of the service process and of its child.
    // Returns the first status after that: Wine's manager later puts its own
    // exit code in, and learns of a process that ended without reporting
    // itself stopped only after a while (or not at all while it is busy).
    std::optional<ServiceStatus> startAndWaitForTheEnd(const std::vector<std::string>& startArguments = {}) {
        clearLogs();
        std::vector<std::string> command = {"sc", "start", name_};
        command.insert(command.end(), startArguments.begin(), startArguments.end());
        wineTool(s_, command);
        EXPECT_TRUE(eventually([&] {
            const std::string log = hostLog();
            return log.find("] exiting\n") != std::string::npos ||
                   log.find("] StartServiceCtrlDispatcher returned\n") != std::string::npos;
        }, 60)) << hostLog();
        return queryService(s_, name_);
    }

    bool stopped() const {
        const auto status = queryService(s_, name_);
        return status && status->state == kStopped;
    }

    void clearLogs() const {
        for (const auto& entry : fs::directory_iterator(s_.tempDir()))
            if (entry.path().filename().string().rfind("rwt_nlog_", 0) == 0) fs::remove(entry.path());
    }

    // The log holding the fragment, without carriage returns; "" when none does.
    std::string logWith(const std::string& fragment) const {
        for (const auto& entry : fs::directory_iterator(s_.tempDir())) {
            if (entry.path().filename().string().rfind("rwt_nlog_", 0) != 0) continue;
            std::string text = withoutCarriageReturns(readFile(entry.path()));
            if (text.find(fragment) != std::string::npos) return text;
        }
        return "";
    }
    std::string hostLog() const { return logWith("] service main\n"); }
    std::string childLog() const { return logWith(" __rwt_restart\n"); }

    const std::string& name() const { return name_; }

private:
    Scenario& s_;
    std::string name_;
    ServiceCleanup cleanup_;
};

TEST(ServiceProcess, StopIsForwardedToTheChildAsOneLineThenEndOfInput) {
    Scenario s;
    ServiceHost service(s, "Tavik Host Stop");
    TestRuntime jre(s.dir() / "app dir" / "jre");
    jre.create();
    mainReadsStdin(jre);
    const fs::path exe = s.pack(project(service.name()), "app dir/svc.exe");
    service.create("\"" + windowsPath(exe) + "\" -own");

    service.clearLogs();
    wineTool(s, {"sc", "start", service.name(), "x y"});
    ASSERT_TRUE(eventually([&] { return mainCalled(jre); })) << service.hostLog() << service.childLog();
    ASSERT_TRUE(reachesState(s, service.name(), kRunning));
    EXPECT_THAT(service.childLog(), HasSubstr("command line \"" + windowsPath(exe) + "\" \"Tavik Host Stop\" -own \"x y\" __rwt_restart\n"));
    EXPECT_THAT(service.childLog(), HasSubstr("registering ConsoleCtrlHandler"));
    EXPECT_THAT(service.childLog(), HasSubstr("-Xrs"));

    wineTool(s, {"sc", "stop", service.name()});
    ASSERT_TRUE(reachesState(s, service.name(), kStopped));
    EXPECT_THAT(stdinRecords(jre), ElementsAre("stdin 30 0a EOF"));
    ASSERT_TRUE(eventually([&] { return service.hostLog().find("] exiting\n") != std::string::npos; }));
    const std::string host = service.hostLog();
    const char* const inOrder[] = {"service name is 'Tavik Host Stop'", "registering ConsoleCtrlHandler",
                                   "control handler request 1",         "sending shutdown1 0",
                                   "shutdown sent",                     "process terminated with exit code 0",
                                   "service stopped set"};
    std::size_t at = 0;
    for (const char* line : inOrder) {
        const auto found = host.find(line, at);
        EXPECT_NE(found, std::string::npos) << line << " after offset " << at << " in\n" << host;
        if (found != std::string::npos) at = found;
    }
    EXPECT_THAT(host, Not(HasSubstr("sending shutdown failed")));
    EXPECT_THAT(host, HasSubstr("consuming output done"));
}

TEST(ServiceProcess, ChildEndingOnItsOwnStopsTheServiceOnlyWhenItSucceeded) {
    Scenario s;
    ServiceHost service(s, "TavikHostEnd");
    TestRuntime jre(s.dir() / "jre");
    jre.create();
    const fs::path exe = s.pack(project(service.name()));
    service.create("\"" + windowsPath(exe) + "\"");

    auto status = service.startAndWaitForTheEnd();
    std::string host = service.hostLog();
    EXPECT_THAT(host, HasSubstr("process terminated with exit code 0\n")) << service.childLog();
    EXPECT_THAT(host, HasSubstr("service stopped set\n"));
    EXPECT_THAT(host, HasSubstr("exiting\n"));
    EXPECT_FALSE(service.childLog().empty());
    ASSERT_TRUE(status);
    EXPECT_EQ(status->state, kStopped);
    ASSERT_TRUE(reachesState(s, service.name(), kStopped));

    jre.throwFrom(kEntryMain, "java.lang.IllegalStateException: no");
    status = service.startAndWaitForTheEnd();
    host = service.hostLog();
    EXPECT_THAT(host, HasSubstr("process terminated with exit code 1\n")) << service.childLog();
    EXPECT_THAT(host, Not(HasSubstr("service stopped set")));
    EXPECT_THAT(host, HasSubstr("exiting\n"));
    // The process is gone while its last report still says running.
    EXPECT_TRUE(eventually([&] { return !processRunning(windowsPath(exe)); }, 20));
    ASSERT_TRUE(status);
    EXPECT_EQ(status->state, kRunning);
}

// The child cannot be started: from a path relative to the current directory
// of drive Z: (its root when the runner starts the service process), which the
// launcher leaves for its own directory before it starts the child; or from
// start arguments that would overrun the child's command line.
TEST(ServiceProcess, ChildThatCannotBeStartedStopsTheServiceWithItsOwnCode) {
    Scenario s;
    ServiceHost service(s, "TavikHostNoChild");
    TestRuntime(s.dir() / "jre").create();
    const fs::path exe = s.pack(project(service.name(), "console", "working_directory = \".\"\n"), "svc.exe");

    struct Case {
        const char* name;
        std::string commandLine;
        std::vector<std::string> startArguments;
        std::string logged;
    };
    const Case cases[] = {
        {"path relative to the working directory it had", "Z:" + windowsPath(exe).substr(3), {},
         "could not start process Z:" + windowsPath(exe).substr(3) + " TavikHostNoChild __rwt_restart (2)"},
        {"start argument too long", "\"" + windowsPath(exe) + "\"", {std::string(12000, 'a')},
         "child command line longer than 11999 characters"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        service.create(c.commandLine);
        const auto status = service.startAndWaitForTheEnd(c.startArguments);
        EXPECT_TRUE(reachesState(s, service.name(), kStopped));
        ASSERT_TRUE(status);
        EXPECT_EQ(status->state, kStopped);
        EXPECT_EQ(status->win32ExitCode, 1066);
        EXPECT_EQ(status->serviceExitCode, 5000);
        EXPECT_THAT(service.hostLog(), HasSubstr(c.logged));
        EXPECT_EQ(service.childLog(), "");
        wineTool(s, {"sc", "delete", service.name()});
    }
}

TEST(ServiceProcess, PriorityValueCountsOnlyWithFourBytes) {
    Scenario s;
    ServiceHost service(s, "TavikHostPriority");
    TestRuntime(s.dir() / "jre").create();
    const fs::path exe = s.pack(project(service.name()));
    service.create("\"" + windowsPath(exe) + "\"");
    const std::string key = "HKLM\\SOFTWARE\\norvale-systems\\tavik\\priority";

    struct Case {
        const char* type;
        const char* data;
        bool used;
    };
    const Case cases[] = {
        {"REG_DWORD", "16384", true},
        {"REG_BINARY", "00400000", true},  // the type is not looked at
        {"REG_BINARY", "0040000000000000", false},
        {"REG_BINARY", "0040", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.type) + " " + c.data);
        wineTool(s, {"reg", "add", key, "/v", service.name(), "/t", c.type, "/d", c.data, "/f"});
        service.startAndWaitForTheEnd();
        ASSERT_TRUE(reachesState(s, service.name(), kStopped));
        const std::string host = service.hostLog();
        EXPECT_THAT(host, HasSubstr("service main"));
        if (c.used)
            EXPECT_THAT(host, HasSubstr("using priority 16384\n"));
        else
            EXPECT_THAT(host, Not(HasSubstr("using priority")));
        EXPECT_FALSE(service.childLog().empty());  // started all the same
    }
    wineTool(s, {"reg", "delete", key, "/v", service.name(), "/f"});
}

}  // namespace
}  // namespace tavik::scenario
