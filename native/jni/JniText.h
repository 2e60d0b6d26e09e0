#pragma once
// Text across the JNI boundary: always UTF-16, never a code-page conversion.
#include <jni.h>

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tavik::native {

// A Java string's characters, zero-terminated; a null string stays null.
class NativeString {
public:
    NativeString() = default;
    explicit NativeString(std::u16string_view units);

    bool isNull() const { return units_ == nullptr; }
    const char16_t* get() const { return units_.get(); }
#ifdef _WIN32
    // What Win32 takes: null where the Java string was null.
    const wchar_t* wide() const { return reinterpret_cast<const wchar_t*>(units_.get()); }
#endif

private:
    std::unique_ptr<char16_t[]> units_;
};

NativeString toWideString(JNIEnv* env, jstring text);

// The units up to the first zero.
jstring newJavaString(JNIEnv* env, const char16_t* zeroTerminated);
jstring newJavaString(JNIEnv* env, std::u16string_view units);
#ifdef _WIN32
inline jstring newJavaString(JNIEnv* env, const wchar_t* zeroTerminated) {
    return newJavaString(env, reinterpret_cast<const char16_t*>(zeroTerminated));
}
#endif

// A java/lang/String array of exactly these strings; null when the class or
// the array cannot be had.
jobjectArray newStringArray(JNIEnv* env, const std::vector<std::u16string>& texts);

}  // namespace tavik::native
