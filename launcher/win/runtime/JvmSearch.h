#pragma once
// Finding a Java runtime when none was handed to the launcher: a fixed order
// of sources, each candidate checked for its version and loaded at once; the
// first runtime whose VM library loads ends the search.
#include <windows.h>

#include <string>

namespace tavik::jvm {

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

// Walks the sources in their fixed order and loads the first candidate that
// passes; see JvmSearch.cpp for the order.
JvmSearchResult searchForJvm();

// The java.exe of the runtime in `directory`. With a JDK required (id 131)
// it is the directory's jre\bin\java.exe and the answer is whether
// lib\tools.jar exists; otherwise jre\bin\java.exe when that exists, else
// bin\java.exe, and the answer is true.
bool locateJavaExe(std::string& javaExe, const std::string& directory);

}  // namespace tavik::jvm
