#pragma once
// Support for the Windows-side tests: scratch directories, hand-made
// configuration blocks, PE copies of real executables, and child processes
// of the test program for everything that is decided once per process.
#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/support/BlockBuilder.h"

namespace tavik::test {

namespace fs = std::filesystem;

// A fresh directory under the system temporary path, removed with its contents.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const fs::path& path() const { return path_; }
    fs::path write(const std::string& relative, const std::string& content) const;

private:
    fs::path path_;
};

std::string readFile(const fs::path& path);
void writeFile(const fs::path& path, const std::string& content);
std::string utf8(const std::u16string& text);

using testsupport::BlockBuilder;

// The main of a Windows test program: "--child <name> arguments..." runs one
// child scenario in this process (for what is decided once per process),
// anything else runs the tests.
using ChildScenario = int (*)(const std::u16string& name, const std::vector<std::u16string>& arguments);
int runTestsOrChild(int argc, char** argv, ChildScenario scenario);

// One narrow record (id, text) of a configuration block.
std::string narrowRecord(std::int32_t id, const std::string& text);
// One archive entry: the size, then the bytes masked as the packer stores them.
std::string archiveEntry(const std::string& data);

// End of the raw data of the last section, read through the SDK's header structures.
std::uint64_t lastSectionEnd(const std::string& image);

// The executable cut after its last section (dropping a symbol table there)
// with `block` appended; returns the block's offset in the copy.
std::uint64_t writePackedCopy(const fs::path& executable, const fs::path& copy, const std::string& block);

fs::path testExecutable();

struct ChildResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// CreateProcessW for the tests' children, with the command line copied in place;
// tries again when Wine refuses a start under load. False leaves the error in GetLastError.
bool createProcessRetrying(const wchar_t* executable, std::wstring& commandLine, BOOL inheritHandles, DWORD flags,
                           wchar_t* environment, STARTUPINFOW& startup, PROCESS_INFORMATION& process);

// Runs `executable` with the arguments (quoted as needed), the environment
// of this process changed by `environment` (an empty value removes a
// variable), and standard output and error captured in files.
ChildResult runChild(const fs::path& executable, const std::vector<std::u16string>& arguments,
                     const std::map<std::u16string, std::u16string>& environment = {});

// The test program itself in child mode: "--child <scenario> <arguments...>".
ChildResult runScenario(const fs::path& executable, const std::string& scenario,
                        const std::vector<std::u16string>& arguments,
                        const std::map<std::u16string, std::u16string>& environment = {});

// Lines of a text, CR LF or LF ended.
std::vector<std::string> lines(const std::string& text);

}  // namespace tavik::test
