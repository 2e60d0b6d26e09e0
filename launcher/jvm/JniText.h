#pragma once
// Text as the JNI functions with "UTF" in their name take and give it:
// modified UTF-8, where every UTF-16 unit (each half of a surrogate pair
// too) is encoded on its own and U+0000 takes two bytes.
#include <jni.h>

#include <string>
#include <string_view>
#include <utility>

namespace tavik::jni {

std::string encodeModifiedUtf8(std::u16string_view text);

// Also takes standard four-byte sequences; anything malformed becomes U+FFFD.
std::u16string decodeModifiedUtf8(std::string_view bytes);

// Owns one local reference, so that every way out of a frame frees it.
template <class T>
class LocalRef {
public:
    LocalRef(JNIEnv* env, T ref) noexcept : env_(env), ref_(ref) {}
    LocalRef(const LocalRef&) = delete;
    LocalRef& operator=(const LocalRef&) = delete;
    ~LocalRef() {
        if (ref_ != nullptr) env_->DeleteLocalRef(ref_);
    }
    T get() const noexcept { return ref_; }
    explicit operator bool() const noexcept { return ref_ != nullptr; }

private:
    JNIEnv* env_;
    T ref_;
};

}  // namespace tavik::jni
