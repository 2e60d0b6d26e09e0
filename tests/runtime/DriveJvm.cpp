// drivejvm <path of jvm.dll> <script> [arguments]: loads a VM library by its
// full path and makes the JNI calls of one script on it, reporting on standard
// output what the VM answered.
//   create                       JNI_CreateJavaVM with three options, then DestroyJavaVM
//   launch <entry class> <arg>…  a launch: splash settings, the helper library's
//                                natives (installer entry class only), the module
//                                name property, main with the arguments, the check
//                                for an exception from main, DestroyJavaVM
//   listener                     a second thread attaches as a daemon and calls
//                                Controller.startupPerformed with null and a text
//   unimplemented <slot>         calls that slot of the JNI function table
//   misuse <kind>                breaks a JNI rule: pending, foreign-env, deleted-ref,
//                                string-receiver
// Exit codes: 0 done, 1 exception from main, 2 library not loaded, 3 no
// JNI_CreateJavaVM, 4 usage, 5 creation failed, 10 no main class, 11 no main
// method; whatever the VM ends the process with otherwise.
#include <windows.h>

#include <jni.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/win/SystemLibrary.h"
#include "tests/runtime/RuntimeFiles.h"

namespace {

using namespace tavik::testruntime;

constexpr int kExceptionFromMain = 1;
constexpr int kNotLoaded = 2;
constexpr int kNoEntry = 3;
constexpr int kUsage = 4;
constexpr int kNotCreated = 5;
constexpr int kNoMainClass = 10;
constexpr int kNoMainMethod = 11;

constexpr const char* kSplashSignature =
    "(ZZLjava/lang/String;IILjava/lang/String;IILjava/lang/String;IILjava/lang/String;II)V";
constexpr const char* kCommonClass = "com/runwright/runtime/installer/platform/win32/Common";
constexpr const char* kRegistryClass = "com/runwright/runtime/installer/platform/win32/Registry";

using CreateJavaVMFn = jint(JNICALL*)(JavaVM**, void**, void*);

void say(const std::string& line) { writeStandardOutput(line + "\r\n"); }

struct RunningVm {
    JavaVM* vm = nullptr;
    JNIEnv* env = nullptr;
};

// Never freed: a VM library stays for the life of the process, as in the launcher.
CreateJavaVMFn loadCreateFunction(const wchar_t* libraryPath, int& failure) {
    const HMODULE library = ::LoadLibraryW(libraryPath);
    if (library == nullptr) {
        const DWORD error = ::GetLastError();
        say("LoadLibraryW failed: " + std::to_string(error));
        failure = kNotLoaded;
        return nullptr;
    }
    const auto create = tavik::findFunction<CreateJavaVMFn>(library, "JNI_CreateJavaVM");
    if (create == nullptr) {
        say("no JNI_CreateJavaVM");
        failure = kNoEntry;
    }
    return create;
}

jint createVm(CreateJavaVMFn create, RunningVm& running) {
    char moduleName[] = "-Dtavik.moduleName=C:\\app\\app.exe";
    char classPath[] = "-Djava.class.path=probe.jar";
    char heap[] = "-Xmx64m";
    JavaVMOption options[] = {{moduleName, nullptr}, {classPath, nullptr}, {heap, nullptr}};
    JavaVMInitArgs args{};
    args.version = JNI_VERSION_1_2;
    args.nOptions = 3;
    args.options = options;
    args.ignoreUnrecognized = JNI_TRUE;
    void* env = nullptr;
    const jint result = create(&running.vm, &env, &args);
    running.env = static_cast<JNIEnv*>(env);
    say("JNI_CreateJavaVM returned " + std::to_string(result));
    return result;
}

std::string textOf(JNIEnv* env, jstring text) {
    if (text == nullptr) return "null";
    const char* chars = env->GetStringUTFChars(text, nullptr);
    std::string copy = chars != nullptr ? chars : "(no characters)";
    if (chars != nullptr) env->ReleaseStringUTFChars(text, chars);
    return copy;
}

jstring javaString(JNIEnv* env, const std::wstring& text) {
    return env->NewString(reinterpret_cast<const jchar*>(text.data()), static_cast<jsize>(text.size()));
}

// A look-up that failed left its error pending; the launcher logs and goes on.
bool missing(JNIEnv* env, const void* found, const std::string& what) {
    if (found != nullptr) return false;
    env->ExceptionClear();
    say("missing " + what);
    return true;
}

void passSplashSettings(JNIEnv* env) {
    const jclass launcher = env->FindClass("com/tavik/runtime/WinLauncher");
    if (missing(env, launcher, "splash class")) return;
    const jmethodID init = env->GetStaticMethodID(launcher, "initAwtSplashConfig", kSplashSignature);
    if (missing(env, init, "splash method")) return;
    // Modified UTF-8, as the VM takes narrow strings: A with diaeresis in two bytes.
    const jstring texts[] = {env->NewStringUTF("splash.png"), env->NewStringUTF(""), env->NewStringUTF("\xC3\x84rger"),
                             env->NewStringUTF("Lucida Sans")};
    env->CallStaticVoidMethod(launcher, init, JNI_TRUE, 2, texts[0], 10, 20, texts[1], 30, -40, texts[2], 50, 60,
                              texts[3], 70, 80);
    for (const jstring text : texts) env->DeleteLocalRef(text);
    env->DeleteLocalRef(launcher);
}

// Never called: the recording VM runs no Java code.
void JNICALL dummyNative(JNIEnv*, jclass) {}

bool initFromLauncher(JNIEnv* env, bool registered) {
    const jclass common = env->FindClass(kCommonClass);
    if (missing(env, common, "Common class")) return false;
    const jmethodID init = env->GetStaticMethodID(common, "initFromLauncher", "(Z)V");
    if (missing(env, init, "initFromLauncher")) return false;
    env->CallStaticVoidMethod(common, init, registered ? JNI_TRUE : JNI_FALSE);
    env->DeleteLocalRef(common);
    return true;
}

void registerHelperNatives(JNIEnv* env) {
    if (!initFromLauncher(env, true)) return;
    const jclass registry = env->FindClass(kRegistryClass);
    if (missing(env, registry, "Registry class")) return;
    char changeNotify[] = "changeNotifyAssociations0";
    char deleteValue[] = "deleteValue0";
    char noArguments[] = "()V";
    char deleteSignature[] = "(ILjava/lang/String;Ljava/lang/String;I)V";
    const JNINativeMethod natives[] = {{changeNotify, noArguments, reinterpret_cast<void*>(&dummyNative)},
                                       {deleteValue, deleteSignature, reinterpret_cast<void*>(&dummyNative)}};
    const jint status = env->RegisterNatives(registry, natives, 2);
    say("RegisterNatives returned " + std::to_string(status));
    env->DeleteLocalRef(registry);
    if (status == JNI_OK) return;
    env->ExceptionClear();
    initFromLauncher(env, false);
}

void publishModuleName(JNIEnv* env) {
    const jclass system = env->FindClass("java/lang/System");
    if (missing(env, system, "System class")) return;
    const jmethodID setProperty =
        env->GetStaticMethodID(system, "setProperty", "(Ljava/lang/String;Ljava/lang/String;)Ljava/lang/String;");
    if (missing(env, setProperty, "setProperty")) return;
    const jstring key = env->NewStringUTF("tavik.moduleName");
    const jstring path = javaString(env, L"C:\\Programme\\\u00C4rger \u65E5\u672C\\app.exe");
    const auto previous = static_cast<jstring>(env->CallStaticObjectMethod(system, setProperty, key, path));
    say("previous tavik.moduleName: " + textOf(env, previous));
    for (const jobject local : {static_cast<jobject>(previous), static_cast<jobject>(key), static_cast<jobject>(path),
                                static_cast<jobject>(system)})
        env->DeleteLocalRef(local);
}

// As the launcher reports an exception from main: the VM describes it, then
// Throwable.toString gives the text for the log.
bool noExceptionFrom(JNIEnv* env) {
    const jthrowable exception = env->ExceptionOccurred();
    if (exception == nullptr) return true;
    env->ExceptionDescribe();
    env->ExceptionClear();
    const jclass throwable = env->FindClass("java/lang/Throwable");
    const jmethodID toString = env->GetMethodID(throwable, "toString", "()Ljava/lang/String;");
    const auto text = static_cast<jstring>(env->CallObjectMethod(exception, toString));
    say("exception: " + textOf(env, text));
    env->DeleteLocalRef(text);
    env->DeleteLocalRef(throwable);
    env->DeleteLocalRef(exception);
    return false;
}

int callMain(JNIEnv* env, const char* entryClass, const std::vector<std::wstring>& arguments) {
    const jclass entry = env->FindClass(entryClass);
    if (missing(env, entry, "main class")) return kNoMainClass;
    const jmethodID main = env->GetStaticMethodID(entry, "main", "([Ljava/lang/String;)V");
    if (missing(env, main, "main method")) return kNoMainMethod;
    const jclass stringClass = env->FindClass("java/lang/String");
    const jobjectArray array = env->NewObjectArray(static_cast<jsize>(arguments.size()), stringClass, nullptr);
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const jstring item = javaString(env, arguments[i]);
        env->SetObjectArrayElement(array, static_cast<jsize>(i), item);
        env->DeleteLocalRef(item);
    }
    env->CallStaticVoidMethod(entry, main, array);
    say("main returned");
    return noExceptionFrom(env) ? 0 : kExceptionFromMain;
}

int launch(const RunningVm& running, const std::string& entryClass, const std::vector<std::wstring>& arguments) {
    passSplashSettings(running.env);
    if (entryClass.rfind("com/runwright/", 0) == 0) registerHelperNatives(running.env);
    publishModuleName(running.env);
    const int mainResult = callMain(running.env, entryClass.c_str(), arguments);
    if (mainResult != 0) return mainResult;
    say("DestroyJavaVM returned " + std::to_string(running.vm->DestroyJavaVM()));
    return 0;
}

struct ListenerWork {
    JavaVM* vm;
    std::string report;
};

DWORD WINAPI listen(void* parameter) {
    auto& work = *static_cast<ListenerWork*>(parameter);
    void* unattached = nullptr;
    work.report += "GetEnv before attaching: " + std::to_string(work.vm->GetEnv(&unattached, JNI_VERSION_1_2)) + "\r\n";
    JNIEnv* env = nullptr;
    if (work.vm->AttachCurrentThreadAsDaemon(reinterpret_cast<void**>(&env), nullptr) != JNI_OK) {
        work.report += "not attached\r\n";
        return 0;
    }
    void* known = nullptr;
    work.vm->GetEnv(&known, JNI_VERSION_1_2);
    work.report += std::string("GetEnv gives the attached JNIEnv: ") + (known == env ? "yes" : "no") + "\r\n";
    const jclass controller = env->FindClass("com/tavik/Controller");
    const jmethodID performed =
        controller != nullptr ? env->GetStaticMethodID(controller, "startupPerformed", "(Ljava/lang/String;)V") : nullptr;
    if (performed == nullptr) {
        env->ExceptionClear();
        work.report += "no startupPerformed\r\n";
    } else {
        env->CallStaticVoidMethod(controller, performed, nullptr);
        const jstring tail = javaString(env, L"--open \"a b.txt\" \u00E9t\u00E9");
        env->CallStaticVoidMethod(controller, performed, tail);
        env->DeleteLocalRef(tail);
        work.report += "delivered\r\n";
    }
    work.vm->DetachCurrentThread();
    return 0;
}

int listener(const RunningVm& running) {
    ListenerWork work{running.vm, {}};
    const HANDLE thread = ::CreateThread(nullptr, 0, &listen, &work, 0, nullptr);
    if (thread == nullptr) return kUsage;
    ::WaitForSingleObject(thread, INFINITE);
    ::CloseHandle(thread);
    writeStandardOutput(work.report);
    say("DestroyJavaVM returned " + std::to_string(running.vm->DestroyJavaVM()));
    return 0;
}

int callSlot(const RunningVm& running, int slot) {
    using Slot = void(JNICALL*)(JNIEnv*);
    Slot function = nullptr;
    // The table is an array of function pointers; the slot is the JNI function's index.
    std::memcpy(&function, reinterpret_cast<const char*>(running.env->functions) + sizeof(void*) * slot, sizeof function);
    function(running.env);
    say("slot " + std::to_string(slot) + " returned");
    return 0;
}

DWORD WINAPI useForeignEnv(void* env) {
    static_cast<JNIEnv*>(env)->FindClass("java/lang/String");
    return 0;
}

int misuse(const RunningVm& running, const std::string& kind) {
    JNIEnv* env = running.env;
    if (kind == "pending") {
        env->FindClass("no/such/Type");
        env->FindClass("java/lang/String");
    } else if (kind == "foreign-env") {
        const HANDLE thread = ::CreateThread(nullptr, 0, &useForeignEnv, env, 0, nullptr);
        ::WaitForSingleObject(thread, INFINITE);
        ::CloseHandle(thread);
    } else if (kind == "deleted-ref") {
        const jstring text = env->NewStringUTF("gone");
        env->DeleteLocalRef(text);
        env->GetStringLength(text);
    } else if (kind == "string-receiver") {
        // String.toString called on an exception object.
        env->FindClass("no/such/Type");
        const jthrowable exception = env->ExceptionOccurred();
        env->ExceptionClear();
        const jclass stringClass = env->FindClass("java/lang/String");
        const jmethodID toString = env->GetMethodID(stringClass, "toString", "()Ljava/lang/String;");
        env->CallObjectMethod(exception, toString);
    } else {
        return kUsage;
    }
    say("misuse " + kind + " went through");
    return 0;
}

std::string narrow(const wchar_t* text) { return toUtf8(text); }

int drive(const std::vector<std::wstring>& arguments) {
    int failure = 0;
    const CreateJavaVMFn create = loadCreateFunction(arguments[0].c_str(), failure);
    if (create == nullptr) return failure;
    RunningVm running;
    if (createVm(create, running) != JNI_OK) return kNotCreated;
    const std::string script = narrow(arguments[1].c_str());
    if (script == "create") {
        say("DestroyJavaVM returned " + std::to_string(running.vm->DestroyJavaVM()));
        return 0;
    }
    if (script == "launch" && arguments.size() >= 3)
        return launch(running, narrow(arguments[2].c_str()), {arguments.begin() + 3, arguments.end()});
    if (script == "listener") return listener(running);
    if (script == "unimplemented" && arguments.size() == 3) return callSlot(running, std::stoi(arguments[2]));
    if (script == "misuse" && arguments.size() == 3) return misuse(running, narrow(arguments[2].c_str()));
    return kUsage;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        writeStandardError("usage: drivejvm path-of-jvm.dll script [arguments]\r\n");
        return kUsage;
    }
    return drive({argv + 1, argv + argc});
}
