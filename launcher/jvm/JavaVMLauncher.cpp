#include "launcher/jvm/JavaVMLauncher.h"

#include <atomic>
#include <memory>
#include <utility>

#include "launcher/core/CommandLine.h"
#include "launcher/core/ConfigIds.h"
#include "launcher/core/Log.h"
#include "launcher/jvm/JavaException.h"
#include "launcher/jvm/JniText.h"

namespace tavik::jvm {
namespace {

static_assert(sizeof(jchar) == sizeof(char16_t), "Java strings are UTF-16 code units");

constexpr std::string_view kLibraryPathPrefix = "-Djava.library.path=";
constexpr char kHelperClass[] = "com/runwright/runtime/installer/platform/win32/Common";
constexpr char kSplashSignature[] =
    "(ZZLjava/lang/String;IILjava/lang/String;IILjava/lang/String;IILjava/lang/String;II)V";

std::atomic<JavaVM*> createdVM{nullptr};
std::atomic<bool> vmCreated{false};

std::string property(std::string_view name, std::string_view value) {
    std::string option = "-D";
    option.append(name).append("=").append(value);
    return option;
}

std::string libraryPathOption(const std::string& pathVariable) {
    std::string option(kLibraryPathPrefix);
    if (option.size() + pathVariable.size() < kLibraryPathOptionCapacity) option += pathVariable;
    return option;
}

// A configured path for the entry class: "$" marks a value the Java side
// resolves itself.
std::u16string entryPath(const std::optional<std::u16string>& path,
                         const std::function<std::u16string(std::u16string_view)>& fullPath) {
    if (!path) return {};
    if (!path->empty() && path->front() == u'$') return *path;
    return fullPath ? fullPath(*path) : *path;
}

bool startsWith(std::u16string_view text, std::u16string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool isVmOptionArgument(std::u16string_view argument, bool javaArgumentsAreVmOptions) {
    return (javaArgumentsAreVmOptions && startsWith(argument, u"-J")) ||
           startsWith(argument, u"-Dsun.locale.formatasdefault=");
}

// The VM may keep pointers into its creation arguments, so they stay for the
// life of the process, reachable from here.
struct CreationArguments {
    std::vector<std::string> strings;
    std::vector<JavaVMOption> records;
    JavaVMInitArgs args{};
};

CreationArguments& keepCreationArguments(std::vector<std::string> options) {
    static auto* const kept = new std::vector<std::unique_ptr<CreationArguments>>();
    auto creation = std::make_unique<CreationArguments>();
    creation->strings = std::move(options);
    for (std::string& option : creation->strings) creation->records.push_back({option.data(), nullptr});
    creation->args.version = JNI_VERSION_1_2;
    creation->args.nOptions = static_cast<jint>(creation->records.size());
    creation->args.options = creation->records.data();
    creation->args.ignoreUnrecognized = JNI_TRUE;
    kept->push_back(std::move(creation));
    return *kept->back();
}

jstring newJavaString(JNIEnv* env, std::u16string_view text) {
    return env->NewString(reinterpret_cast<const jchar*>(text.data()), static_cast<jsize>(text.size()));
}

jstring newModifiedUtf8String(JNIEnv* env, std::string_view ansiText) {
    return env->NewStringUTF(jni::encodeModifiedUtf8(decodeAnsi(ansiText)).c_str());
}

// A failed lookup leaves an error pending that would poison the next JNI call;
// the caller logs its own line for it.
void dropLookupFailure(JNIEnv* env) { env->ExceptionClear(); }

// A Java method the launcher calls on the way may throw; its exception is
// logged and cleared so that the start goes on with a clean environment.
void dropThrownException(JNIEnv* env) { reportJavaException(env, false); }

void passSplashSettings(JNIEnv* env, const SplashSettings& splash) {
    const jni::LocalRef<jclass> entry(env, env->FindClass(kPlainEntryClass));
    if (!entry) {
        dropLookupFailure(env);
        log::logError(u"could not find main class for splash properties");
        return;
    }
    const jmethodID init = env->GetStaticMethodID(entry.get(), "initAwtSplashConfig", kSplashSignature);
    if (init == nullptr) {
        dropLookupFailure(env);
        log::logError(u"could not find method for splash properties");
        return;
    }
    const jni::LocalRef<jstring> text0(env, newModifiedUtf8String(env, splash.texts[0]));
    const jni::LocalRef<jstring> text1(env, newModifiedUtf8String(env, splash.texts[1]));
    const jni::LocalRef<jstring> text2(env, newModifiedUtf8String(env, splash.texts[2]));
    const jni::LocalRef<jstring> text3(env, newModifiedUtf8String(env, splash.texts[3]));
    if (env->ExceptionCheck()) return dropThrownException(env);
    const auto& n = splash.numbers;
    // The second parameter is a Java boolean: any non-zero setting is true.
    const jboolean mode = splash.mode != 0 ? JNI_TRUE : JNI_FALSE;
    env->CallStaticVoidMethod(entry.get(), init, JNI_TRUE, mode, text0.get(), n[0], n[1], text1.get(), n[2],
                              n[3], text2.get(), n[4], n[5], text3.get(), n[6], n[7]);
    dropThrownException(env);
}

bool initFromLauncher(JNIEnv* env, bool flag) {
    const jni::LocalRef<jclass> common(env, env->FindClass(kHelperClass));
    if (!common) {
        dropLookupFailure(env);
        log::logError(u"did not find com/runwright/runtime/installer/platform/win32/Common");
        return false;
    }
    const jmethodID init = env->GetStaticMethodID(common.get(), "initFromLauncher", "(Z)V");
    if (init == nullptr) {
        dropLookupFailure(env);
        log::logError(u"did not find initMethod");
        return false;
    }
    env->CallStaticVoidMethod(common.get(), init, flag ? JNI_TRUE : JNI_FALSE);
    dropThrownException(env);
    return true;
}

void registerHelperNatives(JNIEnv* env, const HelperLibraryLoader& loadHelperLibrary) {
    log::logLine(u"load helper dll");
    const std::optional<HelperLibrary> helper = loadHelperLibrary ? loadHelperLibrary() : std::nullopt;
    if (!helper) return;
    if (!helper->registerNatives) {
        log::logError(u"did not find register natives in helper dll");
        return;
    }
    if (!initFromLauncher(env, true)) return;
    if (!helper->registerNatives(env)) {
        log::logError(u"registering helper dll failed");
        initFromLauncher(env, false);
    }
}

// Replaces the 8-bit tavik.moduleName given at creation with the exact path.
void publishModuleName(JNIEnv* env, std::u16string_view launcherPathWide) {
    const jni::LocalRef<jclass> system(env, env->FindClass("java/lang/System"));
    if (!system) {
        dropLookupFailure(env);
        log::logError(u"could not get system class");
        return;
    }
    const jmethodID setProperty =
        env->GetStaticMethodID(system.get(), "setProperty", "(Ljava/lang/String;Ljava/lang/String;)Ljava/lang/String;");
    if (setProperty == nullptr) {
        dropLookupFailure(env);
        log::logError(u"could not get method for module name init");
        return;
    }
    const jni::LocalRef<jstring> value(env, newJavaString(env, launcherPathWide));
    const jni::LocalRef<jstring> key(env, newJavaString(env, u"tavik.moduleName"));
    if (!value || !key) {
        dropLookupFailure(env);
        log::logError(u"could not create string for init module name");
        return;
    }
    log::logLine(u"setting tavik.moduleName to %s", launcherPathWide);
    const jni::LocalRef<jobject> previous(
        env, env->CallStaticObjectMethod(system.get(), setProperty, key.get(), value.get()));
    dropThrownException(env);
}

void assertionFailed(JNIEnv* env, const char16_t* expression) {
    log::logError(u"assertion failed in JavaVMLauncher: %s", expression);
    dropThrownException(env);
}

// Null after an assertion failure, which is logged.
jobjectArray javaArguments(JNIEnv* env, const std::vector<std::u16string>& arguments) {
    log::logLine(u"param count: %d", arguments.size());
    const jni::LocalRef<jclass> stringClass(env, env->FindClass("java/lang/String"));
    const jobjectArray array =
        stringClass ? env->NewObjectArray(static_cast<jsize>(arguments.size()), stringClass.get(), nullptr) : nullptr;
    if (array == nullptr) {
        assertionFailed(env, u"paramArray");
        return nullptr;
    }
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        log::logLine(u"param %d: %s", i, arguments[i]);
        const jni::LocalRef<jstring> text(env, newJavaString(env, arguments[i]));
        if (!text) {
            env->DeleteLocalRef(array);
            assertionFailed(env, u"jstr");
            return nullptr;
        }
        env->SetObjectArrayElement(array, static_cast<jsize>(i), text.get());
    }
    return array;
}

enum class MainCall { Returned, Failed, ClassMissing, MethodMissing };

MainCall callMain(JNIEnv* env, const char* entryClass, const MainArgumentInputs& inputs) {
    log::logLine(u"main class: %S", entryClass);
    const jni::LocalRef<jclass> entry(env, env->FindClass(entryClass));
    if (!entry) {
        dropLookupFailure(env);
        log::logError(u"could not find main class");
        return MainCall::ClassMissing;
    }
    const jmethodID main = env->GetStaticMethodID(entry.get(), "main", "([Ljava/lang/String;)V");
    if (main == nullptr) {
        dropLookupFailure(env);
        log::logError(u"could not find main method");
        return MainCall::MethodMissing;
    }
    const jni::LocalRef<jobjectArray> arguments(env, javaArguments(env, mainArguments(inputs)));
    if (!arguments) return MainCall::Failed;
    log::logLine(u"calling main");
    env->CallStaticVoidMethod(entry.get(), main, arguments.get());
    log::logLine(u"main returned");
    return reportJavaException(env, true) ? MainCall::Returned : MainCall::Failed;
}

}  // namespace

std::vector<std::string> launcherProperties(const PropertyInputs& inputs) {
    std::vector<std::string> properties;
    if (inputs.semaphoreName) properties.push_back(property("tavik.semaphoreName", *inputs.semaphoreName));
    if (inputs.installerFlavour) properties.push_back(property("tavik.isRunwright", "true"));
    if (inputs.serviceMode) properties.push_back(property("tavik.isService", "true"));
    properties.push_back(property("tavik.moduleName", inputs.launcherPath));
    properties.push_back(property("sun.java.command", inputs.launcherPath));
    properties.push_back(property("tavik.tempDir", inputs.tempDirectory));
    properties.push_back(property("tavik.unextractedPosition", std::to_string(inputs.unextractedPosition)));
    properties.push_back(libraryPathOption(inputs.pathVariable));
    if (!inputs.manPathSet) {
        properties.push_back(property("tavik.consoleCodepage", "cp" + std::to_string(inputs.consoleOutputCodePage)));
    }
    return properties;
}

std::vector<std::u16string> mainArguments(const MainArgumentInputs& inputs) {
    std::vector<std::u16string> arguments;
    arguments.push_back(inputs.guiProgram ? u"true" : u"false");
    arguments.push_back((inputs.moduleLaunch ? u"/" : u"") + inputs.mainClass);
    arguments.push_back(entryPath(inputs.firstPath, inputs.fullPath));
    arguments.push_back(entryPath(inputs.secondPath, inputs.fullPath));
    arguments.push_back(inputs.flag ? u"true" : u"false");
    if (!inputs.launcherArguments.empty()) arguments.push_back(inputs.launcherArguments.front());
    cmdline::splitCommandLine(inputs.fixedArguments, arguments);
    for (std::size_t i = 1; i < inputs.launcherArguments.size(); ++i) {
        const std::u16string& argument = inputs.launcherArguments[i];
        if (!isVmOptionArgument(argument, inputs.javaArgumentsAreVmOptions)) arguments.push_back(argument);
    }
    return arguments;
}

JavaStartResult startJavaApplication(const JavaStartInputs& inputs) {
    log::logLine(u"launching program");
    std::vector<std::string> properties = launcherProperties(inputs.properties);
    std::vector<std::string> options =
        inputs.buildOptions ? inputs.buildOptions(std::move(properties)) : std::move(properties);
    CreationArguments& creation = keepCreationArguments(std::move(options));

    log::logLine(u"Creating JVM");
    JavaVM* vm = nullptr;
    JNIEnv* env = nullptr;
    const jint created = inputs.createJavaVM == nullptr
                             ? JNI_ERR
                             : inputs.createJavaVM(&vm, reinterpret_cast<void**>(&env), &creation.args);
    if (created != JNI_OK || vm == nullptr || env == nullptr) {
        log::logError(u"could not initialize JVM");
        return {};
    }
    log::logLine(u"JVM created");
    createdVM.store(vm);
    vmCreated.store(true);

    if (inputs.splash) passSplashSettings(env, *inputs.splash);
    if (inputs.properties.installerFlavour) registerHelperNatives(env, inputs.loadHelperLibrary);
    publishModuleName(env, inputs.launcherPathWide);

    const char* entryClass = inputs.properties.installerFlavour ? kInstallerEntryClass : kPlainEntryClass;
    switch (callMain(env, entryClass, inputs.mainArguments)) {
        case MainCall::ClassMissing:
            return {false, config::kMainClassMissingMessageId};
        case MainCall::MethodMissing:
            return {false, config::kMainMethodMissingMessageId};
        case MainCall::Failed:
            log::logError(u"could not call main");
            return {};
        case MainCall::Returned:
            break;
    }
    log::logLine(u"dest JVM");
    vm->DestroyJavaVM();
    log::logLine(u"launch done");
    return {true, std::nullopt};
}

bool javaVMCreated() { return vmCreated.load(); }

JavaVM* javaVM() { return createdVM.load(); }

}  // namespace tavik::jvm
