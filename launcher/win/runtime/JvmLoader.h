#pragma once
// Loading the Java runtime's VM library into the launcher's own process and
// binding its invocation entry, and the runtime that was chosen.
#include <windows.h>

#include <jni.h>

#include <optional>
#include <string>
#include <string_view>

namespace tavik::jvm {

using CreateJavaVMFunction = jint(JNICALL*)(JavaVM**, void**, void*);

// Checks the handed-in `location` (a java.exe when `locationIsJavaExe`, else a
// runtime directory) or searches for a runtime, loads its VM library and binds
// "JNI_CreateJavaVM". On failure with `fatal` set the user sees the message
// that fits the source of the runtime; the caller ends the process.
bool LoadDLL(bool fatal, const std::optional<std::string>& location, bool locationIsJavaExe);

// The VM library of the runtime of `javaExe`, or, for a JDK whose own bin
// holds none, of its jre subdirectory. Null when neither loads.
HMODULE loadJvmFromJavaExe(const std::string& javaExe);

// The VM library below the bin directory of `javaExe`. While trying, the bin
// directory is a DLL directory and ends PATH; both stay only on success.
HMODULE loadJvmFromBinDir(const std::string& javaExe);

// Loads "<binDir>\<name>\jvm.dll"; null when it does not load.
HMODULE tryJvmDll(const std::string& binDir, std::string_view name);

// Before Windows 8.1 a runtime may depend on the universal C runtime it
// carries; it is loaded early (the system's copy first) so the VM finds it.
void preloadUcrt(const std::string& binDir);

// Finds "JNI_CreateJavaVM" in `library` and keeps it for starting the VM.
bool bindCreateJavaVM(HMODULE library);

// The runtime LoadDLL chose, for the stages that start the VM.
struct LoadedRuntime {
    std::string home;     // the java.exe's directory followed by "..", lower-cased
    std::string version;  // its version text
    CreateJavaVMFunction createJavaVM = nullptr;
};
const LoadedRuntime& loadedRuntime();

}  // namespace tavik::jvm
