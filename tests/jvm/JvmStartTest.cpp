// The VM start against the installed JDK. A process can create one VM only,
// so every case runs in a child: this program started again with
// "--jvm-case <name> <events file>". The Java side and the child's native
// side append their observations to the events file, one line each, in the
// order they happen; the parent reads them back.
#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "launcher/core/InstanceNames.h"
#include "launcher/jvm/JavaVMLauncher.h"
#include "launcher/jvm/StartupCallback.h"
#include "tests/unit/support/LogRecorder.h"

namespace tavik::jvm {
namespace {

namespace fs = std::filesystem;
using testing::AllOf;
using testing::Contains;
using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsSupersetOf;
using testing::Not;
using testing::UnorderedElementsAre;

std::string utf8(std::u16string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size()) c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

// ---- the child ----

// Both sides append to the events file; the Java side opens and closes it per line too.
void recordEvent(const std::string& eventsFile, const std::string& line) {
    std::ofstream out(eventsFile, std::ios::app | std::ios::binary);
    out << line << '\n';
}

const char16_t kLauncherPathWide[] = u"/opt/App \u00c4pp/app \U0001D11E.exe";
const char kLauncherPathNarrow[] = "/opt/App ?pp/app ?.exe";

JavaStartInputs baseInputs(CreateJavaVMFunction createJavaVM, const std::string& eventsFile,
                           const std::string& classPath) {
    JavaStartInputs inputs;
    inputs.createJavaVM = createJavaVM;
    inputs.properties.launcherPath = kLauncherPathNarrow;
    inputs.properties.tempDirectory = "/tmp/tvk1_dir5";
    inputs.properties.unextractedPosition = 4096;
    inputs.properties.pathVariable = "/usr/lib/app";
    inputs.properties.consoleOutputCodePage = 65001;
    inputs.buildOptions = [eventsFile, classPath](std::vector<std::string> options) {
        options.push_back("-Djava.class.path=" + classPath);
        options.push_back("-Djvmtest.events=" + eventsFile);
        options.push_back("-Xmx64m");
        return options;
    };
    inputs.launcherPathWide = kLauncherPathWide;
    MainArgumentInputs& main = inputs.mainArguments;
    main.mainClass = u"jvmtest.RecordLaunch";
    main.firstPath = u"$HOME/settings";
    main.secondPath = u"conf";
    main.flag = true;
    main.fixedArguments = u"--fixed 'two words'";
    main.javaArgumentsAreVmOptions = true;
    main.launcherArguments = {u"/opt/App/app.exe", u"-J-Xmx32m", u"plain", u"-Dsun.locale.formatasdefault=true",
                              u"\u00fcn\u00ef \U0001D11E"};
    main.fullPath = [](std::u16string_view path) { return u"/opt/App/" + std::u16string(path); };
    return inputs;
}

const std::string kAppClassPath = std::string(TAVIK_TEST_RUNTIME_JAR) + ":" + TAVIK_TEST_APP_JAR;

HelperLibraryLoader helperLoader(const std::string& eventsFile, const std::string& behaviour) {
    return [eventsFile, behaviour]() -> std::optional<HelperLibrary> {
        recordEvent(eventsFile, "helper load");
        if (behaviour == "unloadable") return std::nullopt;
        if (behaviour == "no-export") return HelperLibrary{};
        return HelperLibrary{[eventsFile, behaviour](JNIEnv* env) {
            const bool usable = env != nullptr && env->GetVersion() >= JNI_VERSION_1_2;
            recordEvent(eventsFile, std::string("registerNatives ") + (usable ? "with env" : "without env"));
            return behaviour == "registers";
        }};
    };
}

// Two notifications from a thread of its own, as the mailslot listener sends
// them, the first before the VM exists. Like the listener, the thread stays
// attached until the process ends: as a daemon it must not keep the VM from
// ending once main has returned.
void startNotifier() {
    std::thread([] {
        StartupCallback callback([] { std::this_thread::sleep_for(std::chrono::milliseconds(100)); });
        callback.deliver(instance::notificationMessage(u"--open \u00e4.txt"));
        callback.deliver(instance::notificationMessage(u""));
        for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
    }).detach();
}

// Configures the start of one case; false for an unknown name.
bool configureCase(const std::string& name, JavaStartInputs& inputs, const std::string& eventsFile) {
    if (name == "plain") {
        inputs.splash = SplashSettings{};
        return true;
    }
    if (name.rfind("installer-", 0) == 0) {
        inputs.properties.installerFlavour = true;
        inputs.loadHelperLibrary = helperLoader(eventsFile, name.substr(10));
        return true;
    }
    if (name == "missing-entry") {
        inputs.buildOptions = [eventsFile](std::vector<std::string> options) {
            options.push_back(std::string("-Djava.class.path=") + TAVIK_TEST_APP_JAR);
            options.push_back("-Djvmtest.events=" + eventsFile);
            return options;
        };
        return true;
    }
    if (name == "stand-in-entry") {
        inputs.buildOptions = [eventsFile](std::vector<std::string> options) {
            options.push_back(std::string("-Djava.class.path=") + TAVIK_TEST_ENTRY_JAR);
            options.push_back("-Djvmtest.events=" + eventsFile);
            return options;
        };
        SplashSettings splash;
        splash.mode = 2;
        splash.texts = {"Spl\xE4sh", "", "third", "fourth"};
        splash.numbers = {1, 2, 3, 4, 5, 6, 7, -8};
        inputs.splash = splash;
        return true;
    }
    if (name == "throws") {
        inputs.mainArguments.mainClass = u"jvmtest.Fail";
        return true;
    }
    if (name == "startup-notifications") {
        inputs.mainArguments.mainClass = u"jvmtest.AwaitStarts";
        startNotifier();
        return true;
    }
    return false;
}

int runCase(const std::string& name, const std::string& eventsFile) {
    // A VM that waits for a thread it should not wait for ends the case here.
    ::alarm(60);
    void* libjvm = ::dlopen(TAVIK_TEST_LIBJVM, RTLD_NOW);
    if (libjvm == nullptr) {
        std::fprintf(stderr, "cannot load %s: %s\n", TAVIK_TEST_LIBJVM, ::dlerror());
        return 3;
    }
    // Through void*: a data pointer is what dlsym hands out.
    const auto createJavaVM = reinterpret_cast<CreateJavaVMFunction>(::dlsym(libjvm, "JNI_CreateJavaVM"));
    if (createJavaVM == nullptr) {
        std::fprintf(stderr, "no JNI_CreateJavaVM in %s\n", TAVIK_TEST_LIBJVM);
        return 3;
    }
    JavaStartInputs inputs = baseInputs(createJavaVM, eventsFile, kAppClassPath);
    if (!configureCase(name, inputs, eventsFile)) {
        std::fprintf(stderr, "unknown case %s\n", name.c_str());
        return 2;
    }
    const JavaStartResult result = startJavaApplication(inputs);
    recordEvent(eventsFile, std::string("result ") + (result.success ? "success" : "failure") + " message " +
                                (result.fatalMessageId ? std::to_string(*result.fatalMessageId) : "none") +
                                " created " + (javaVMCreated() && javaVM() != nullptr ? "yes" : "no"));
    for (const testsupport::LoggedLine& line : testsupport::takeLoggedLines()) {
        recordEvent(eventsFile, std::string(line.error ? "error " : "log ") + utf8(line.text));
    }
    return 0;
}

// ---- the parent ----

struct CaseRun {
    int exitCode = -1;
    std::vector<std::string> events;  // Java and native observations, then the result and the log
    std::string errorOutput;

    std::vector<std::string> withPrefix(const std::string& prefix) const {
        std::vector<std::string> found;
        for (const std::string& line : events) {
            if (line.rfind(prefix, 0) == 0) found.push_back(line.substr(prefix.size()));
        }
        return found;
    }
    std::vector<std::string> log() const { return withPrefix("log "); }
    std::vector<std::string> errors() const { return withPrefix("error "); }
    std::string result() const {
        const auto found = withPrefix("result ");
        return found.empty() ? "" : found.front();
    }
    // Events before the result line: what happened while the VM ran.
    std::vector<std::string> whileRunning() const {
        std::vector<std::string> found;
        for (const std::string& line : events) {
            if (line.rfind("result ", 0) == 0) break;
            found.push_back(line);
        }
        return found;
    }
};

class ScratchDir {
public:
    ScratchDir() {
        std::string pattern = (fs::temp_directory_path() / "tavik-jvm-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~ScratchDir() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

CaseRun runInChild(const std::string& name) {
    const ScratchDir scratch;
    const std::string events = (scratch.path() / "events.txt").string();
    const std::string errors = (scratch.path() / "stderr.txt").string();
    const pid_t child = ::fork();
    if (child == 0) {
        if (std::freopen(errors.c_str(), "w", stderr) == nullptr) ::_exit(4);
        if (std::freopen("/dev/null", "w", stdout) == nullptr) ::_exit(4);
        const char* argv[] = {"jvm_start_tests", "--jvm-case", name.c_str(), events.c_str(), nullptr};
        ::execv("/proc/self/exe", const_cast<char* const*>(argv));
        ::_exit(5);
    }
    CaseRun run;
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child) return run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.events = lines(readFile(events));
    run.errorOutput = readFile(errors);
    return run;
}

const std::string kLauncherPathWideUtf8 = utf8(kLauncherPathWide);

TEST(JvmStart, PlainLauncherRunsTheApplicationAndWaitsForItsThreads) {
    const CaseRun run = runInChild("plain");
    ASSERT_EQ(run.exitCode, 0) << run.errorOutput;
    EXPECT_EQ(run.result(), "success message none created yes");
    EXPECT_THAT(run.whileRunning(),
                ElementsAre("gui false", "target jvmtest.RecordLaunch", "first $HOME/settings",
                            "second /opt/App/conf", "flag true", "token /opt/App/app.exe", "arg <--fixed>",
                            "arg <two words>", "arg <plain>", "arg <\xC3\xBCn\xC3\xAF \xF0\x9D\x84\x9E>",
                            "property tavik.moduleName=" + kLauncherPathWideUtf8,
                            "property sun.java.command=/opt/App ?pp/app ?.exe", "property tavik.isRunwright=null",
                            "property tavik.isService=null", "property tavik.tempDir=/tmp/tvk1_dir5",
                            "property tavik.unextractedPosition=4096", "property tavik.consoleCodepage=cp65001",
                            "main done", "non-daemon thread done"));
    // The entry class has no splash method: logged, and the launch went on.
    EXPECT_THAT(run.errors(), ElementsAre("could not find method for splash properties"));
    EXPECT_THAT(run.log(), IsSupersetOf({std::string("main class: com/tavik/runtime/WinLauncher"),
                                         "setting tavik.moduleName to " + kLauncherPathWideUtf8,
                                         std::string("param count: 10"), std::string("dest JVM"),
                                         std::string("launch done")}));
    EXPECT_THAT(run.log(), Not(Contains("load helper dll")));
}

TEST(JvmStart, InstallerFlavourHandsTheHelperLibraryToTheJavaSide) {
    struct Case {
        const char* name;
        std::vector<std::string> helperEvents;
        std::vector<std::string> errors;
    };
    const Case cases[] = {
        {"installer-registers", {"helper load", "initFromLauncher true", "registerNatives with env"}, {}},
        {"installer-refuses",
         {"helper load", "initFromLauncher true", "registerNatives with env", "initFromLauncher false"},
         {"registering helper dll failed"}},
        {"installer-no-export", {"helper load"}, {"did not find register natives in helper dll"}},
        {"installer-unloadable", {"helper load"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CaseRun run = runInChild(c.name);
        ASSERT_EQ(run.exitCode, 0) << run.errorOutput;
        EXPECT_EQ(run.result(), "success message none created yes");
        const std::vector<std::string> whileRunning = run.whileRunning();
        const auto appStart = std::find(whileRunning.begin(), whileRunning.end(), "gui false");
        EXPECT_EQ(std::vector<std::string>(whileRunning.begin(), appStart), c.helperEvents);
        EXPECT_THAT(whileRunning, Contains("property tavik.isRunwright=true"));
        EXPECT_EQ(run.errors(), c.errors);
        EXPECT_THAT(run.log(), Contains("main class: com/runwright/runtime/launcher/WinLauncher"));
        EXPECT_THAT(run.log(), Contains("load helper dll"));
    }
}

TEST(JvmStart, MissingEntryClassOrMainEndsWithItsMessage) {
    struct Case { const char* name; const char* result; const char* error; };
    const Case cases[] = {
        {"missing-entry", "failure message 1010 created yes", "could not find main class"},
        {"stand-in-entry", "failure message 1011 created yes", "could not find main method"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CaseRun run = runInChild(c.name);
        ASSERT_EQ(run.exitCode, 0) << run.errorOutput;
        EXPECT_EQ(run.result(), c.result);
        EXPECT_THAT(run.errors(), Contains(c.error));
        EXPECT_THAT(run.log(), AllOf(Not(Contains("calling main")), Not(Contains("dest JVM"))));
    }
}

TEST(JvmStart, SplashSettingsReachTheEntryClassInOrder) {
    const CaseRun run = runInChild("stand-in-entry");
    ASSERT_EQ(run.exitCode, 0) << run.errorOutput;
    EXPECT_THAT(run.whileRunning(),
                ElementsAre("splash true true [Spl\xC3\xA4sh] 1 2 [] 3 4 [third] 5 6 [fourth] 7 -8"));
}

TEST(JvmStart, ExceptionFromMainIsDescribedAndFailsTheStart) {
    const CaseRun run = runInChild("throws");
    ASSERT_EQ(run.exitCode, 0) << run.errorOutput;
    EXPECT_EQ(run.result(), "failure message none created yes");
    EXPECT_THAT(run.whileRunning(), ElementsAre("failing"));
    EXPECT_THAT(run.errors(),
                ElementsAre("an exception occurred",
                            "java.lang.IllegalStateException: application failed: \xC3\xBC" "berall \xF0\x9D\x84\x9E",
                            "could not call main"));
    EXPECT_THAT(run.log(), AllOf(Contains("main returned"), Not(Contains("dest JVM"))));
    EXPECT_THAT(run.errorOutput, HasSubstr("java.lang.IllegalStateException: application failed"));
    EXPECT_THAT(run.errorOutput, HasSubstr("at jvmtest.Fail.main"));
}

TEST(StartupCallback, NotificationsReachTheJavaSideAndDoNotKeepTheVmAlive) {
    const CaseRun run = runInChild("startup-notifications");
    ASSERT_EQ(run.exitCode, 0) << run.errorOutput;
    EXPECT_EQ(run.result(), "success message none created yes");
    const std::vector<std::string> whileRunning = run.whileRunning();
    ASSERT_FALSE(whileRunning.empty());
    // Both may arrive before the application listens; the Java side then hands them on in a burst.
    EXPECT_THAT(std::vector<std::string>(whileRunning.begin(), whileRunning.end() - 1),
                UnorderedElementsAre("start --open \xC3\xA4.txt", "start null"));
    EXPECT_EQ(whileRunning.back(), "both starts");
    EXPECT_THAT(run.log(), Not(Contains(HasSubstr("error mailslot"))));
}

}  // namespace
}  // namespace tavik::jvm

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--jvm-case") return tavik::jvm::runCase(argv[2], argv[3]);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
