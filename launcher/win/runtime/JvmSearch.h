#pragma once
// Finding a Java runtime when none was handed to the launcher: a fixed order
// of sources, each candidate checked for its version and handed to the
// loader at once; the first runtime whose VM library loads ends the search.
#include <windows.h>

#include <functional>
#include <string>

namespace tavik::runtime {

// The kind of source that produced the last accepted candidate; the loader
// picks its error message by it.
enum class JvmSource : int {
    None = 0,
    SearchPath = 1,   // "java.exe" found through the executable search path
    Directory = 2,    // a search entry, a runtime configuration file or a handed-in location
    Environment = 3,  // an environment variable naming a runtime directory
    Registry = 4,     // previous installations, the Java vendor keys, located runtimes
};

struct JvmSearchResult {
    HMODULE library = nullptr;  // the loaded VM library; none when the search was exhausted
    std::string javaExe;        // the last accepted candidate's java.exe
    std::string version;        // its version text
    // The directory as tested (Directory), the variable name (Environment),
    // the entry's value (SearchPath); left empty for Registry.
    std::string location;
    JvmSource source = JvmSource::None;
};

// Loads the VM library of an accepted candidate's java.exe; null when it
// does not load.
using RuntimeLoader = std::function<HMODULE(const std::string& javaExe)>;

// Walks the sources in their fixed order (see JvmSearch.cpp) and hands each
// candidate that passes its check to `load`; the first one that loads ends
// the search. Search entries are expanded with the launcher's temporary
// directory (no runtime is chosen yet).
JvmSearchResult searchForJvm(const RuntimeLoader& load, const std::string& launcherTempDirectory);

// The java.exe of the runtime in `directory`. With a JDK required (id 131)
// it is the directory's jre\bin\java.exe and the answer is whether
// lib\tools.jar exists; otherwise jre\bin\java.exe when that exists, else
// bin\java.exe, and the answer is true.
bool locateJavaExe(std::string& javaExe, const std::string& directory);

}  // namespace tavik::runtime
