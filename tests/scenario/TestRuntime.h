#pragma once
// A stand-in Java runtime laid out in a scenario folder, from the programs of
// tests/runtime in a cross build: java.exe and javaw.exe answer "-version" as
// configured here and record each run, jvm.dll is a recording VM (it records
// that it was loaded, the creation call and the JNI calls made on it, and can
// be told to fail), unpack200.exe copies the packed file into the jar and
// records its command line.
//
//   TestRuntime jre(s.dir() / "jre");
//   jre.versionLine("java version \"1.8.0_45\"").vmDirectory("client").create();
//   jre.throwFrom("com/tavik/runtime/WinLauncher.main", "java.lang.Error: boom");
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tavik::scenario {

namespace fs = std::filesystem;

enum class RuntimeLayout {
    Jre,        // bin\java.exe, bin\javaw.exe, bin\<vm>\jvm.dll
    Jdk8,       // the JRE under jre\, bin\java.exe and bin\javaw.exe beside it, lib\tools.jar
    ModernJdk,  // the JRE's layout; lib\tools.jar only on request
};

// One line of runs.log: the program's file name and its whole command line.
struct RuntimeRun {
    std::string program;
    std::string commandLine;
};

// A Java method called on the recording VM, with what it was handed: one line
// per argument ("true", "42", "null", "\"text\"", "java/lang/String[2]"; a
// jboolean other than 0 or 1 as its number) and, for an array, one per element
// (strings as their bare UTF-8 text). A line break inside a string splits it.
struct JavaCall {
    std::string method;     // "java/lang/System.setProperty"
    std::string signature;  // "(Ljava/lang/String;Ljava/lang/String;)Ljava/lang/String;"
    std::vector<std::string> arguments;
    std::vector<std::string> elements;  // "null element" stands for a null one
};

class TestRuntime {
public:
    explicit TestRuntime(fs::path home);

    // What java.exe and javaw.exe print first on standard error, verbatim.
    // These three also rewrite the configuration of a runtime already created.
    TestRuntime& versionLine(std::string line);
    TestRuntime& exitCode(int code);
    TestRuntime& sleepSeconds(int seconds);  // before exiting, to outlast a caller's time limit

    TestRuntime& layout(RuntimeLayout layout);
    // Subdirectory of the bin directory holding jvm.dll: "server" (default), "client", or any name.
    TestRuntime& vmDirectory(std::string name);
    TestRuntime& withoutJvmDll();
    // Architecture of the programs and the library ("win64", "win32"); default: the scenario's.
    TestRuntime& architecture(std::string arch);
    // The library alone from another build: a runtime whose jvm.dll does not load.
    TestRuntime& jvmArchitecture(std::string arch);
    TestRuntime& javaw(bool present);
    TestRuntime& unpack200(bool present);
    TestRuntime& toolsJar(bool present);  // default: present in Jdk8 only

    // What the recording VM is told through fake-jvm.cfg beside jvm.dll; these
    // also rewrite the file of a runtime already created. Classes are written
    // the JNI way, methods as "<class>.<name>".
    TestRuntime& failVmCreation(int code = -1);
    TestRuntime& withoutClass(std::string className);
    TestRuntime& withoutMethod(std::string method);
    // A call of the method returns with an exception pending whose toString() gives the text.
    TestRuntime& throwFrom(std::string method, std::string exceptionText);
    TestRuntime& refuseNatives(std::string className);

    // Lays the files out, over whatever the folder already holds.
    TestRuntime& create();

    const fs::path& home() const { return home_; }
    fs::path binDir() const;      // home\bin
    fs::path runtimeBin() const;  // the bin directory of the runtime proper: jre\bin in Jdk8
    fs::path javaExe() const;     // in runtimeBin()
    fs::path javawExe() const;
    fs::path jvmDll() const;
    // In every bin directory; this one, home\bin\unpack200.exe, is where a launcher looks for it.
    fs::path unpack200Exe() const;
    fs::path configFile() const;    // fake-java.cfg beside javaExe()
    fs::path vmConfigFile() const;  // fake-jvm.cfg beside jvmDll()

    // Every run of the runtime's java.exe and javaw.exe programs (bin and jre\bin).
    std::vector<RuntimeRun> runs() const;
    std::size_t runCount() const { return runs().size(); }
    // jvm-calls.log beside jvmDll(), one record a line: "loaded <path>",
    // "JNI_CreateJavaVM version=0x00010002 options=<n> ignoreUnrecognized=true",
    // "JNI_CreateJavaVM at <ms> ms" (since the process started), "option <text>"...
    // (ANSI, the bytes the VM was handed), "JNI_CreateJavaVM returns <n>", then
    // the JNI calls: "FindClass <class>", "GetStaticMethodID <class>.<name> <signature>"
    // (and GetMethodID), "call <class>.<name><signature>" followed by its "arg ..." and
    // "element ..." lines (UTF-8), "ExceptionDescribe <text>", "ExceptionClear <text>",
    // "RegisterNatives <class> <count>" with a "native <name> <signature>" line each,
    // "AttachCurrentThread[AsDaemon] <thread>", "DetachCurrentThread <thread>",
    // "DestroyJavaVM"; a fault ends it with "unimplemented JNI function <slot>" or
    // "JNI misuse: <what>".
    std::vector<std::string> jvmCalls() const;
    // The "option" lines of the creation call, without the prefix.
    std::vector<std::string> vmOptions() const;
    // Milliseconds from the start of the process to its JNI_CreateJavaVM call.
    std::optional<long long> vmCreationMillis() const;
    std::vector<JavaCall> javaCalls() const;
    // The String[] passed to the last static main called; nullopt when none was.
    std::optional<std::vector<std::string>> mainArguments() const;
    // Key and value of each System.setProperty call, in order, quotes removed.
    std::vector<std::pair<std::string, std::string>> propertiesSet() const;
    // Command lines of the runs of every unpack200.exe of the runtime, UTF-8.
    std::vector<std::string> unpackRuns() const;

private:
    std::vector<fs::path> binDirs() const;
    std::string configText() const;
    void writeConfig() const;
    TestRuntime& addVmDirective(std::string line);
    void writeVmConfig() const;

    fs::path home_;
    std::string versionLine_ = "openjdk version \"17.0.1\" 2021-10-19";
    int exitCode_ = 0;
    int sleepSeconds_ = 0;
    RuntimeLayout layout_ = RuntimeLayout::Jre;
    std::string vmDirectory_ = "server";
    bool jvmDll_ = true;
    std::string arch_;
    std::string jvmArch_;
    bool javaw_ = true;
    bool unpack200_ = true;
    std::optional<bool> toolsJar_;
    std::vector<std::string> vmDirectives_;
    bool created_ = false;
};

std::string otherArchitecture(const std::string& arch);
// A program or library of tests/runtime in the cross build of the architecture.
fs::path runtimeBinary(const std::string& arch, const std::string& fileName);
// The helper library the project ships, as its cross build made it.
fs::path shippedHelperLibrary(const std::string& arch);
// The lines of a text without their line ends (LF or CR LF).
std::vector<std::string> textLines(const std::string& text);
// The lines of a text file; none when it is missing.
std::vector<std::string> fileLines(const fs::path& path);

}  // namespace tavik::scenario
