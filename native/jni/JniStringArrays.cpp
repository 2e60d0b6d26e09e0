#include "native/jni/JniStringArrays.h"

namespace tavik::native {

std::vector<NativeString> toWideStrings(JNIEnv* env, jobjectArray array) {
    std::vector<NativeString> strings;
    if (array == nullptr) return strings;
    const jsize count = env->GetArrayLength(array);
    strings.reserve(static_cast<std::size_t>(count));
    for (jsize i = 0; i < count; ++i) {
        const auto element = static_cast<jstring>(env->GetObjectArrayElement(array, i));
        strings.push_back(toWideString(env, element));
        // A native frame holds only a few local references: one per pass.
        if (element != nullptr) env->DeleteLocalRef(element);
    }
    return strings;
}

}  // namespace tavik::native
