#pragma once
// A stand-in Java runtime laid out in a scenario folder, from the programs of
// tests/runtime in a cross build: java.exe and javaw.exe answer "-version" as
// configured here and record each run, jvm.dll records that it was loaded and
// how JNI_CreateJavaVM was called (it creates no VM), unpack200.exe copies the
// packed file into the jar and records its command line.
//
//   TestRuntime jre(s.dir() / "jre");
//   jre.versionLine("java version \"1.8.0_45\"").vmDirectory("client").create();
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
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

    // Every run of the runtime's java.exe and javaw.exe programs (bin and jre\bin).
    std::vector<RuntimeRun> runs() const;
    std::size_t runCount() const { return runs().size(); }
    // jvm-calls.log beside jvmDll(): "loaded <path>", "JNI_CreateJavaVM version=0x... options=<n>",
    // "option <text>"..., in the ANSI code page like the options themselves.
    std::vector<std::string> jvmCalls() const;
    // Command lines of the runs of every unpack200.exe of the runtime, UTF-8.
    std::vector<std::string> unpackRuns() const;

private:
    std::vector<fs::path> binDirs() const;
    std::string configText() const;
    void writeConfig() const;

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
    bool created_ = false;
};

std::string otherArchitecture(const std::string& arch);
// A program or library of tests/runtime in the cross build of the architecture.
fs::path runtimeBinary(const std::string& arch, const std::string& fileName);
// The lines of a text without their line ends (LF or CR LF).
std::vector<std::string> textLines(const std::string& text);
// The lines of a text file; none when it is missing.
std::vector<std::string> fileLines(const fs::path& path);

}  // namespace tavik::scenario
