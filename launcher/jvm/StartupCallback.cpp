#include "launcher/jvm/StartupCallback.h"

#include <optional>
#include <string>

#include "launcher/core/InstanceNames.h"
#include "launcher/core/Log.h"
#include "launcher/jvm/JavaException.h"
#include "launcher/jvm/JavaVMLauncher.h"

namespace tavik::jvm {
namespace {

constexpr char kControllerClass[] = "com/tavik/Controller";
constexpr char kStartupPerformed[] = "startupPerformed";
constexpr char kStartupPerformedSignature[] = "(Ljava/lang/String;)V";

}  // namespace

StartupCallback::~StartupCallback() {
    if (env_ == nullptr) return;
    if (controller_ != nullptr) env_->DeleteGlobalRef(controller_);
    javaVM()->DetachCurrentThread();
}

void StartupCallback::deliver(std::u16string_view message) {
    JNIEnv* env = environment();
    if (!findCallback(env)) return;
    const std::optional<std::u16string> argument = instance::notificationArgument(message);
    if (!argument) {
        env->CallStaticVoidMethod(controller_, startupPerformed_, nullptr);
    } else {
        static_assert(sizeof(jchar) == sizeof(char16_t), "Java strings are UTF-16 code units");
        const jstring text =
            env->NewString(reinterpret_cast<const jchar*>(argument->data()), static_cast<jsize>(argument->size()));
        if (text == nullptr) {
            log::logLine(u"error mailslot string");
            env->ExceptionClear();
            return;
        }
        env->CallStaticVoidMethod(controller_, startupPerformed_, text);
        env->DeleteLocalRef(text);
    }
    // An exception from the application's callback must not break the next call.
    reportJavaException(env, true);
}

JNIEnv* StartupCallback::environment() {
    while (env_ == nullptr) {
        JavaVM* vm = javaVM();
        void* attached = nullptr;
        if (javaVMCreated() && vm != nullptr && vm->AttachCurrentThreadAsDaemon(&attached, nullptr) == JNI_OK)
            env_ = static_cast<JNIEnv*>(attached);
        else
            pauseForVm_();
    }
    return env_;
}

// Looked up again with each message until found: the class may be loaded later.
bool StartupCallback::findCallback(JNIEnv* env) {
    if (startupPerformed_ != nullptr) return true;
    const jclass found = env->FindClass(kControllerClass);
    const jmethodID method =
        found != nullptr ? env->GetStaticMethodID(found, kStartupPerformed, kStartupPerformedSignature) : nullptr;
    if (method != nullptr) controller_ = static_cast<jclass>(env->NewGlobalRef(found));
    if (controller_ == nullptr) {
        log::logLine(u"error mailslot methods %p %p", static_cast<const void*>(found),
                     static_cast<const void*>(method));
        env->ExceptionClear();  // the failed look-up's NoClassDefFoundError or NoSuchMethodError
    } else {
        startupPerformed_ = method;
    }
    if (found != nullptr) env->DeleteLocalRef(found);
    return startupPerformed_ != nullptr;
}

}  // namespace tavik::jvm
