#pragma once
// Loading the Java runtime's VM library into the launcher's own process and
// binding its invocation entry, and the runtime that was chosen.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "launcher/jvm/JavaVMLauncher.h"

namespace tavik::runtime {

// The runtime LoadDLL chose, for the stages that start the VM.
struct LoadedRuntime {
    std::string home;     // the java.exe's directory followed by "..", lower-cased
    std::string version;  // its version text
    jvm::CreateJavaVMFunction createJavaVM = nullptr;
};

// Whether a failure shows the user the message that fits the source of the runtime.
enum class OnFailure { Quiet, ShowMessage };
// What a handed-in location names.
enum class LocationKind { RuntimeDirectory, JavaExe };

// Checks the handed-in `location` or searches for a runtime (its entries
// expanded with the launcher's temporary directory), loads its VM library
// and binds "JNI_CreateJavaVM". None on failure, after the message that fits
// the source of the runtime with OnFailure::ShowMessage; the caller ends the
// process.
std::optional<LoadedRuntime> LoadDLL(OnFailure onFailure, const std::optional<std::string>& location,
                                     LocationKind locationKind, const std::string& launcherTempDirectory);

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

// The "JNI_CreateJavaVM" of `library`; null without a library or export.
jvm::CreateJavaVMFunction bindCreateJavaVM(HMODULE library);

}  // namespace tavik::runtime
