#pragma once
// A JNI environment that records the calls made on it, standing in for a VM
// with one pending exception whose toString() gives `exceptionText`.
#include <jni.h>

#include <string>
#include <vector>

namespace tavik::test {

class FakeJni {
public:
    explicit FakeJni(bool pending, std::string exceptionText = "java.lang.IllegalStateException: boom");
    ~FakeJni();
    FakeJni(const FakeJni&) = delete;
    FakeJni& operator=(const FakeJni&) = delete;

    JNIEnv* env() { return &env_; }

    std::vector<std::string> calls;            // in order
    std::vector<std::string> callsWhilePending;  // illegal ones: JNI allows only a few then
    jobject toStringReceiver = nullptr;
    bool pending;
    int utfCharsHeld = 0;  // GetStringUTFChars minus ReleaseStringUTFChars
    std::string exceptionText;

    // Distinct non-null values standing for the VM's objects.
    static jthrowable exceptionObject();
    static jclass throwableClass();
    static jstring textObject();

private:
    JNINativeInterface_ functions_{};
    JNIEnv env_{};
};

}  // namespace tavik::test
