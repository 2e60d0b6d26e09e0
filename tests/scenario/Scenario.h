#pragma once
// End-to-end scenarios: pack a launcher with a project file, run it headless
// under Wine in a scratch directory of its own, and look at the exit code, the
// standard streams and the diagnostics log.
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/support/BlockBuilder.h"
#include "tests/support/TextLines.h"

namespace tavik::scenario {

namespace fs = std::filesystem;

// "win64" or "win32": the architecture this test program runs against.
const std::string& architecture();
// Why the architecture's Wine cannot run here, or "" when it can.
std::string wineUnavailableReason(const std::string& arch);

struct RunOptions {
    std::vector<std::string> arguments;         // appended to the command line as written
    std::map<std::string, std::string> env;     // Unix environment for Wine (LC_ALL, ...)
    std::map<std::string, std::string> winEnv;  // set inside Windows before the launcher starts
    bool log = true;                            // TAVIK_LOG=yes
    int timeoutSeconds = 60;
    bool console = false;  // run in a pseudo-terminal, so standard output is a console
    fs::path logDir;       // where the log is expected when not in the scenario's temporary base
};

// Runs the application in the launcher's own process ("/run"), the way a
// user starts it from a shortcut with the command word.
inline RunOptions directRun() {
    RunOptions options;
    options.arguments = {"/run"};
    return options;
}

struct RunResult {
    int exitCode = -1;
    std::string out;  // standard output, bytes as written
    std::string err;  // standard error, bytes as written
    std::string log;  // the diagnostics log, UTF-8 without its byte-order mark
    fs::path logFile;
    bool hasLine(const std::string& fragment) const;  // a log line containing the fragment
};

class Scenario {
public:
    Scenario();  // scratch directory named after the running test
    ~Scenario();

    const fs::path& dir() const { return dir_; }
    const fs::path& tempDir() const { return temp_; }  // the launcher's temporary base (TMP/TEMP)

    fs::path writeFile(const std::string& relative, const std::string& content);

    // Packs the launcher template of the architecture with the project text.
    // Relative paths inside the project are relative to the scenario directory.
    fs::path pack(const std::string& projectToml, const std::string& exeName = "app.exe");
    // Runs the packer; returns its exit code and fills `output` with its stderr.
    int packRaw(const std::string& projectToml, const fs::path& output, std::string& output_text);

    // A copy of the template with `bytes` appended after its last section.
    fs::path withAppended(const std::string& bytes, const std::string& exeName = "raw.exe");

    RunResult run(const fs::path& exe, const RunOptions& options = {});

private:
    fs::path dir_;
    fs::path temp_;
};

// Runs a Wine program of the scenario's architecture (reg, sc, ...) in the
// test run's prefix; returns its exit code.
int runWineTool(const std::vector<std::string>& arguments);
// The same, with the tool's standard output in `output`.
int runWineTool(const std::vector<std::string>& arguments, std::string& output);

// The Unix directory of the test run's Wine prefix of the scenario's architecture.
fs::path winePrefix();
fs::path templatePath(const std::string& arch);
fs::path packerPath();
fs::path sourceDir();
// The Windows form of a Unix path through Wine's Z: drive.
std::string windowsPath(const fs::path& unixPath);

// The names in a directory, sorted; whether one of them contains `part`.
std::vector<std::string> entriesOf(const fs::path& dir);
bool anyEntryContains(const fs::path& dir, const std::string& part);
std::string readFile(const fs::path& path);
using testsupport::withoutCarriageReturns;

using testsupport::BlockBuilder;

}  // namespace tavik::scenario
