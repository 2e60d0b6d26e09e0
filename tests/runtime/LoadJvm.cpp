// loadjvm <path of jvm.dll>: loads a VM library by its full path, as the
// launcher does, and calls its JNI_CreateJavaVM with two options. Prints
// "JNI_CreateJavaVM returned <n>" and exits 0 once the call was made; exits 2
// when the library does not load, 3 when it lacks the entry.
#include <windows.h>

#include <jni.h>

#include <string>

#include "common/win/SystemLibrary.h"
#include "tests/runtime/RuntimeFiles.h"

namespace {

using namespace tavik::testruntime;

constexpr int kNotLoaded = 2;
constexpr int kNoEntry = 3;
constexpr int kUsage = 4;

using CreateJavaVMFn = jint(JNICALL*)(JavaVM**, void**, void*);

int loadAndCreate(const wchar_t* libraryPath) {
    // Never freed: a VM library stays for the life of the process, as in the launcher.
    const HMODULE library = ::LoadLibraryW(libraryPath);
    if (library == nullptr) {
        const DWORD error = ::GetLastError();
        writeStandardOutput("LoadLibraryW failed: " + std::to_string(error) + "\r\n");
        return kNotLoaded;
    }
    const auto create = tavik::findFunction<CreateJavaVMFn>(library, "JNI_CreateJavaVM");
    if (create == nullptr) {
        writeStandardOutput("no JNI_CreateJavaVM\r\n");
        return kNoEntry;
    }
    char classPath[] = "-Djava.class.path=probe.jar";
    char heap[] = "-Xmx64m";
    JavaVMOption options[] = {{classPath, nullptr}, {heap, nullptr}};
    JavaVMInitArgs args{};
    args.version = JNI_VERSION_1_2;
    args.nOptions = 2;
    args.options = options;
    args.ignoreUnrecognized = JNI_TRUE;
    JavaVM* vm = nullptr;
    void* env = nullptr;
    const jint result = create(&vm, &env, &args);
    writeStandardOutput("JNI_CreateJavaVM returned " + std::to_string(result) + "\r\n");
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        writeStandardError("usage: loadjvm path-of-jvm.dll\r\n");
        return kUsage;
    }
    return loadAndCreate(argv[1]);
}
