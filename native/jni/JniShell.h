#pragma once
// What every native's JNI shell does the same way: no exception leaves a
// native, a failed VM allocation is cleared rather than left pending, and
// handles cross as jlong through intptr_t, the same on x86 and x64.
#include <jni.h>

#include <cstdint>

namespace tavik::native {

// Out of memory is the only exception the modules and conversions raise.
template <class Result, class Body>
Result guarded(Result failure, Body body) noexcept {
    try {
        return body();
    } catch (...) {
        return failure;
    }
}

// A null result of a VM call leaves its exception pending: the natives answer null instead.
template <class Result>
Result cleared(JNIEnv* env, Result result) {
    if (result == nullptr) env->ExceptionClear();
    return result;
}

inline jboolean toJava(bool value) { return value ? JNI_TRUE : JNI_FALSE; }

template <class Handle>
Handle toHandle(jlong value) {
    return reinterpret_cast<Handle>(static_cast<std::intptr_t>(value));
}

inline jlong fromHandle(const void* handle) { return static_cast<jlong>(reinterpret_cast<std::intptr_t>(handle)); }

}  // namespace tavik::native
