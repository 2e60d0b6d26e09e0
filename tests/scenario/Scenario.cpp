#include "tests/scenario/Scenario.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace tavik::scenario {

namespace {

std::string testName() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return info ? std::string(info->test_suite_name()) + "." + info->name() : "no-test";
}

struct ChildResult {
    int exitCode = -1;
    bool timedOut = false;
};

// Runs argv with stdout/stderr into files and the given extra environment;
// the child leads its own process group so a hung Wine can be killed whole.
ChildResult spawnAndWait(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
                         const fs::path& outFile, const fs::path& errFile, int timeoutSeconds) {
    std::vector<std::string> envStrings;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        if (env.count(name) == 0) envStrings.push_back(entry);
    }
    for (const auto& [name, value] : env) envStrings.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (auto& s : envStrings) envp.push_back(s.data());
    envp.push_back(nullptr);
    std::vector<std::string> args = argv;
    std::vector<char*> argp;
    for (auto& s : args) argp.push_back(s.data());
    argp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, argp[0], &actions, &attributes, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ChildResult result;
    if (spawned != 0) return result;

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    int status = 0;
    for (;;) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (std::chrono::steady_clock::now() > deadline) {
            kill(-pid, SIGKILL);
            waitpid(pid, &status, 0);
            result.timedOut = true;
            return result;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

fs::path winBuildDir(const std::string& arch) { return arch == "win32" ? TAVIK_WIN32_BUILD : TAVIK_WIN64_BUILD; }

std::string stripBom(std::string text) {
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
    return text;
}

std::vector<fs::path> logFiles(const fs::path& dir) {
    std::vector<fs::path> files;
    if (!fs::is_directory(dir)) return files;
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.path().filename().string().rfind("rwt_nlog_", 0) == 0) files.push_back(entry.path());
    return files;
}

std::string shellCommand(const std::vector<std::string>& argv) {
    std::string command;
    for (const std::string& arg : argv) {
        std::string quoted = "'";
        for (const char c : arg) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        command += (command.empty() ? "" : " ") + quoted + "'";
    }
    return command;
}

}  // namespace

const std::string& architecture() {
    static const std::string arch = [] {
        const char* value = std::getenv("TAVIK_SCENARIO_ARCH");
        return std::string(value ? value : "win64");
    }();
    return arch;
}

std::string wineUnavailableReason(const std::string& arch) {
    const fs::path out = fs::temp_directory_path() / ("tavik-wine-probe-" + std::to_string(getpid()));
    const ChildResult probe = spawnAndWait({(sourceDir() / "scripts/wine-run").string(), arch, "cmd", "/c", "exit"},
                                           {}, out, out.string() + ".err", 120);
    std::string reason;
    if (probe.exitCode == 77) {
        reason = readFile(out);
        if (reason.rfind("SKIPPED: ", 0) == 0) reason.erase(0, 9);
    }
    else if (probe.exitCode != 0) reason = "Wine for " + arch + " failed to start (exit " + std::to_string(probe.exitCode) + ")";
    fs::remove(out);
    fs::remove(out.string() + ".err");
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r')) reason.pop_back();
    return reason;
}

int runWineTool(const std::vector<std::string>& arguments) {
    std::string ignored;
    return runWineTool(arguments, ignored);
}

int runWineTool(const std::vector<std::string>& arguments, std::string& output) {
    std::vector<std::string> argv = {(sourceDir() / "scripts/wine-run").string(), architecture()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    const fs::path out = fs::temp_directory_path() / ("tavik-wine-tool-" + std::to_string(getpid()));
    const ChildResult r = spawnAndWait(argv, {{"TAVIK_WINE_ROOT", TAVIK_WINE_ROOT}}, out, out.string() + ".err", 120);
    output = readFile(out);
    fs::remove(out);
    fs::remove(out.string() + ".err");
    return r.exitCode;
}

fs::path sourceDir() { return TAVIK_SOURCE_DIR; }
std::vector<std::string> entriesOf(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

bool anyEntryContains(const fs::path& dir, const std::string& part) {
    const auto names = entriesOf(dir);
    return std::any_of(names.begin(), names.end(), [&](const std::string& n) { return n.find(part) != std::string::npos; });
}

// The names scripts/wine-env.sh gives the prefixes.
fs::path winePrefix() { return fs::path(TAVIK_WINE_ROOT) / (architecture() == "win32" ? "prefix32" : "prefix64"); }
fs::path packerPath() { return TAVIK_PACKER; }
fs::path templatePath(const std::string& arch) { return winBuildDir(arch) / "launcher/win/launcher.exe"; }

std::string windowsPath(const fs::path& unixPath) {
    std::string text = "Z:" + fs::absolute(unixPath).lexically_normal().string();
    for (char& c : text)
        if (c == '/') c = '\\';
    return text;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

bool RunResult::hasLine(const std::string& fragment) const {
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);)
        if (line.find(fragment) != std::string::npos) return true;
    return false;
}

Scenario::Scenario() {
    dir_ = fs::path(TAVIK_SCENARIO_ROOT) / architecture() / testName();
    fs::remove_all(dir_);
    temp_ = dir_ / "tmp";
    fs::create_directories(temp_);
}

Scenario::~Scenario() = default;

fs::path Scenario::writeFile(const std::string& relative, const std::string& content) {
    const fs::path path = dir_ / relative;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
    return path;
}

int Scenario::packRaw(const std::string& projectToml, const fs::path& output, std::string& outputText) {
    const fs::path project = writeFile("project.toml", projectToml);
    const fs::path errFile = dir_ / "pack.err";
    const ChildResult r = spawnAndWait({packerPath().string(), "--runtime-jar", TAVIK_RUNTIME_JAR,
                                        templatePath(architecture()).string(), project.string(), output.string()},
                                       {}, dir_ / "pack.out", errFile, 60);
    outputText = readFile(errFile);
    return r.exitCode;
}

fs::path Scenario::pack(const std::string& projectToml, const std::string& exeName) {
    const fs::path exe = dir_ / exeName;
    std::string diagnostics;
    const int code = packRaw(projectToml, exe, diagnostics);
    EXPECT_EQ(code, 0) << diagnostics;
    return exe;
}

fs::path Scenario::withAppended(const std::string& bytes, const std::string& exeName) {
    const fs::path exe = dir_ / exeName;
    fs::copy_file(templatePath(architecture()), exe, fs::copy_options::overwrite_existing);
    std::ofstream(exe, std::ios::binary | std::ios::app) << bytes;
    return exe;
}

RunResult Scenario::run(const fs::path& exe, const RunOptions& options) {
    const std::string tmp = windowsPath(temp_);
    std::vector<std::string> argv = {(sourceDir() / "scripts/wine-run").string(), architecture(),
                                     (winBuildDir(architecture()) / "tests/support/envrun.exe").string(),
                                     "TMP=" + tmp, "TEMP=" + tmp};
    for (const auto& [name, value] : options.winEnv) argv.push_back(name + "=" + value);
    argv.push_back("--");
    argv.push_back(windowsPath(exe));
    for (const auto& a : options.arguments) argv.push_back(a);

    if (options.console) argv = {"/usr/bin/script", "-qec", shellCommand(argv), "/dev/null"};

    std::map<std::string, std::string> env = options.env;
    env.emplace("TAVIK_LOG", options.log ? "yes" : "");
    env.emplace("RUNWRIGHT_LOG", "");
    env.emplace("TAVIK_WINE_ROOT", TAVIK_WINE_ROOT);

    const fs::path logDir = options.logDir.empty() ? temp_ : options.logDir;
    std::vector<fs::path> logsBefore = logFiles(logDir);
    RunResult result;
    const fs::path outFile = dir_ / "run.out";
    const fs::path errFile = dir_ / "run.err";
    const ChildResult child = spawnAndWait(argv, env, outFile, errFile, options.timeoutSeconds);
    EXPECT_FALSE(child.timedOut) << exe << " did not end within " << options.timeoutSeconds << " s";
    result.exitCode = child.exitCode;
    result.out = readFile(outFile);
    result.err = readFile(errFile);
    for (const fs::path& file : logFiles(logDir))
        if (std::find(logsBefore.begin(), logsBefore.end(), file) == logsBefore.end()) result.logFile = file;
    if (!result.logFile.empty()) result.log = stripBom(readFile(result.logFile));
    return result;
}

}  // namespace tavik::scenario
