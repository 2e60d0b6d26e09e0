#include "tests/native/ProxyNativesApi.h"

namespace tavik::test::proxy {
namespace {

struct Natives {
    using Config = jint(JNICALL*)(JNIEnv*, jclass, jobjectArray);
    using AutoProxy = jlong(JNICALL*)(JNIEnv*, jclass, jobjectArray, jstring, jstring, jint, jint, jboolean);
    using Load = jboolean(JNICALL*)(JNIEnv*, jclass);

    template <class Function>
    Function get(const char* method) const {
        return library.native<Function>("Win32Proxy", method);
    }

    testjni::NativeLibrary library{testjni::rwtnativePath()};
    const Config getIEConfig = get<Config>("getIEConfig0");
    const Config getDefaultConfig = get<Config>("getDefaultConfig0");
    const AutoProxy getAutoProxyConfig = get<AutoProxy>("getAutoProxyConfig0");
    const Load loadFunctions = get<Load>("loadFunctions0");
};

const Natives& natives() {
    static const Natives* const loaded = new Natives;
    return *loaded;
}

}  // namespace

jobjectArray JavaSide::array(const Elements& initial) {
    JNIEnv* env = jni_.env();
    const jclass stringClass = env->FindClass("java/lang/String");
    const jobjectArray array = env->NewObjectArray(static_cast<jsize>(initial.size()), stringClass, nullptr);
    for (std::size_t i = 0; i < initial.size(); ++i)
        if (initial[i]) env->SetObjectArrayElement(array, static_cast<jsize>(i), jni_.string(*initial[i]));
    return array;
}

Elements JavaSide::contents(jobjectArray array) {
    const std::vector<jobject> elements = jni_.elementsOf(array).value();
    Elements texts;
    for (const jobject element : elements) texts.push_back(jni_.text(element));
    return texts;
}

bool JavaSide::exceptionPending() { return jni_.env()->ExceptionCheck() != JNI_FALSE; }

bool JavaSide::loadFunctions() { return natives().loadFunctions(jni_.env(), nullptr) != JNI_FALSE; }

jint JavaSide::ieConfig(jobjectArray elements) { return natives().getIEConfig(jni_.env(), nullptr, elements); }

jint JavaSide::defaultConfig(jobjectArray elements) {
    return natives().getDefaultConfig(jni_.env(), nullptr, elements);
}

jlong JavaSide::autoProxy(jobjectArray elements, const std::optional<std::u16string>& url,
                          const std::optional<std::u16string>& scriptUrl, jint flags, jint autoDetectFlags,
                          bool autoLogonIfChallenged) {
    return natives().getAutoProxyConfig(jni_.env(), nullptr, elements, stringOrNull(url), stringOrNull(scriptUrl),
                                        flags, autoDetectFlags, autoLogonIfChallenged ? JNI_TRUE : JNI_FALSE);
}

jstring JavaSide::stringOrNull(const std::optional<std::u16string>& text) {
    return text ? jni_.string(*text) : nullptr;
}

}  // namespace tavik::test::proxy
