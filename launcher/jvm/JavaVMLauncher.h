#pragma once
// Starting the Java VM in the launcher's own process and calling the entry
// class: the launcher's system properties, the VM creation, the splash
// settings, the helper library's natives, the launcher's Unicode path as a
// property, and main with its argument list. The VM library's
// JNI_CreateJavaVM comes in as a parameter, so the same code runs against
// jvm.dll under Windows and libjvm.so on a build machine.
#include <jni.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavik::jvm {

using CreateJavaVMFunction = jint(JNICALL*)(JavaVM**, void**, void*);

// The java.library.path option, prefix included, and its terminator must fit
// in this many bytes; a PATH that does not leaves the value empty.
inline constexpr std::size_t kLibraryPathOptionCapacity = 12000;

inline constexpr char kPlainEntryClass[] = "com/tavik/runtime/WinLauncher";
inline constexpr char kInstallerEntryClass[] = "com/runwright/runtime/launcher/WinLauncher";

// What the shell knows when the launcher's properties are built.
struct PropertyInputs {
    std::optional<std::string> semaphoreName;  // set when a single-instance semaphore was created
    bool installerFlavour = false;
    bool serviceMode = false;                  // every start of a service executable but the run commands
    std::string launcherPath;                  // the launcher's ANSI-safe 8-bit path
    std::string tempDirectory;                 // may be empty
    std::int64_t unextractedPosition = 0;      // archive end; 0 when nothing was extracted
    std::string pathVariable;                  // PATH, "" when unset
    bool manPathSet = false;                   // MANPATH is set: no console code page property
    std::uint32_t consoleOutputCodePage = 0;   // 0 without a console
};

// The "-D" options that head the VM option list, in their fixed order.
std::vector<std::string> launcherProperties(const PropertyInputs& inputs);

// The values main's argument list is made of, as the shell read and expanded them.
struct MainArgumentInputs {
    bool guiProgram = false;                    // executable kind is 1
    bool moduleLaunch = false;                  // the main class goes after a "/"
    std::u16string mainClass;
    std::optional<std::u16string> firstPath;    // configured and expanded; none when not configured
    std::optional<std::u16string> secondPath;
    bool flag = false;
    std::u16string fixedArguments;              // expanded, split here with the launcher's rules
    bool javaArgumentsAreVmOptions = false;     // "-J" arguments went to the VM, not to main
    std::vector<std::u16string> launcherArguments;  // first: program path or service name
    // A path made full against the launcher directory (the shell's resolution).
    std::function<std::u16string(std::u16string_view)> fullPath;
};

// The five leading values, the first launcher argument, the fixed arguments,
// then the remaining launcher arguments without those meant for the VM.
std::vector<std::u16string> mainArguments(const MainArgumentInputs& inputs);

// The splash settings the Java side gets when the configuration asks for them.
struct SplashSettings {
    std::int32_t mode = 0;                // id 163
    std::array<std::string, 4> texts;     // ids 10111, 10114, 10118, 10121: ANSI bytes
    std::array<std::int32_t, 8> numbers{};  // ids 10109, 10110, 10113, 10115, 10116, 10117, 10120, 10122
};

// The helper library as the shell loaded it ("helper dll %p %s" is logged
// there, where the handle is known). An empty registerNatives means the
// library lacks that export. The call gets the main thread's JNIEnv; the
// shell adds the module handle and its error logger, and answers false when
// the export's result has a zero low byte.
struct HelperLibrary {
    std::function<bool(JNIEnv*)> registerNatives;
};
// None: the library did not load.
using HelperLibraryLoader = std::function<std::optional<HelperLibrary>()>;

struct JavaStartInputs {
    CreateJavaVMFunction createJavaVM = nullptr;
    PropertyInputs properties;
    // The complete VM option list around the launcher's properties (the
    // shell ends the launch itself when that fails).
    std::function<std::vector<std::string>(std::vector<std::string> properties)> buildOptions;
    std::optional<SplashSettings> splash;  // id 108 non-zero
    HelperLibraryLoader loadHelperLibrary;  // called in the installer flavour only
    std::u16string launcherPathWide;        // the launcher's long UTF-16 path
    MainArgumentInputs mainArguments;
};

struct JavaStartResult {
    bool success = false;
    // Set when the shell must end with this message (entry class or main missing).
    std::optional<std::int32_t> fatalMessageId;
};

// Creates the VM, calls the entry class's main and destroys the VM after it
// returned. Once per process: a VM cannot be created twice.
JavaStartResult startJavaApplication(const JavaStartInputs& inputs);

// Set right after the VM was created and never cleared: other threads may
// attach to the VM (as daemons) only while it is set.
bool javaVMCreated();
// The VM of this process; null until it was created.
JavaVM* javaVM();

}  // namespace tavik::jvm
