#include "native/jni/JniText.h"

#include <algorithm>

namespace tavik::native {

NativeString::NativeString(std::u16string_view units) : units_(new char16_t[units.size() + 1]) {
    std::copy(units.begin(), units.end(), units_.get());
    units_[units.size()] = u'\0';
}

NativeString toWideString(JNIEnv* env, jstring text) {
    if (text == nullptr) return {};
    const jsize length = env->GetStringLength(text);
    const jchar* chars = env->GetStringChars(text, nullptr);
    if (chars == nullptr) return {};
    NativeString copy(std::u16string_view(reinterpret_cast<const char16_t*>(chars), static_cast<std::size_t>(length)));
    env->ReleaseStringChars(text, chars);
    return copy;
}

jstring newJavaString(JNIEnv* env, const char16_t* zeroTerminated) {
    return newJavaString(env, std::u16string_view(zeroTerminated));
}

jstring newJavaString(JNIEnv* env, std::u16string_view units) {
    return env->NewString(reinterpret_cast<const jchar*>(units.data()), static_cast<jsize>(units.size()));
}

jobjectArray newStringArray(JNIEnv* env, const std::vector<std::u16string>& texts) {
    const jclass stringClass = env->FindClass("java/lang/String");
    if (stringClass == nullptr) return nullptr;
    const jobjectArray array = env->NewObjectArray(static_cast<jsize>(texts.size()), stringClass, nullptr);
    env->DeleteLocalRef(stringClass);
    if (array == nullptr) return nullptr;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const jstring element = newJavaString(env, texts[i]);
        env->SetObjectArrayElement(array, static_cast<jsize>(i), element);
        env->DeleteLocalRef(element);
    }
    return array;
}

}  // namespace tavik::native
