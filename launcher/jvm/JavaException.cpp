#include "launcher/jvm/JavaException.h"

#include <string>

#include "launcher/core/Log.h"
#include "launcher/jvm/JniText.h"

namespace tavik::jvm {
namespace {

// Object.toString dispatches to the exception's own override. Runs with no
// exception pending, as JNI allows no other calls while one is; an exception
// thrown by toString itself is dropped.
void logExceptionText(JNIEnv* env, jthrowable exception) {
    const jclass throwable = env->FindClass("java/lang/Throwable");
    if (throwable == nullptr) return env->ExceptionClear();
    const jmethodID toString = env->GetMethodID(throwable, "toString", "()Ljava/lang/String;");
    env->DeleteLocalRef(throwable);
    if (toString == nullptr) return env->ExceptionClear();
    const auto text = static_cast<jstring>(env->CallObjectMethod(exception, toString));
    if (text == nullptr) return env->ExceptionClear();
    if (const char* chars = env->GetStringUTFChars(text, nullptr)) {
        log::logError(u"%s", jni::decodeModifiedUtf8(chars));
        env->ReleaseStringUTFChars(text, chars);
    } else {
        env->ExceptionClear();
    }
    env->DeleteLocalRef(text);
}

}  // namespace

bool reportJavaException(JNIEnv* env, bool describe) {
    const jthrowable exception = env->ExceptionOccurred();
    if (exception == nullptr) return true;
    log::logError(u"an exception occurred");
    // The VM's print comes first: it needs the exception still pending.
    if (describe) env->ExceptionDescribe();
    env->ExceptionClear();
    logExceptionText(env, exception);
    env->DeleteLocalRef(exception);
    return false;
}

}  // namespace tavik::jvm
