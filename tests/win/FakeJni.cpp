#include "tests/win/FakeJni.h"

#include <cstdarg>

namespace tavik::test {
namespace {

FakeJni* current = nullptr;

void record(const std::string& call) {
    current->calls.push_back(call);
    const bool allowed = call == "ExceptionOccurred" || call == "ExceptionDescribe" || call == "ExceptionClear" ||
                         call == "ExceptionCheck" || call == "DeleteLocalRef" || call == "ReleaseStringUTFChars";
    if (current->pending && !allowed) current->callsWhilePending.push_back(call);
}

jthrowable JNICALL exceptionOccurred(JNIEnv*) {
    record("ExceptionOccurred");
    return current->pending ? FakeJni::exceptionObject() : nullptr;
}
void JNICALL exceptionDescribe(JNIEnv*) {
    record("ExceptionDescribe");
    current->pending = false;  // the VM clears it after printing
}
void JNICALL exceptionClear(JNIEnv*) {
    record("ExceptionClear");
    current->pending = false;
}
jboolean JNICALL exceptionCheck(JNIEnv*) {
    record("ExceptionCheck");
    return current->pending ? JNI_TRUE : JNI_FALSE;
}
jclass JNICALL findClass(JNIEnv*, const char* name) {
    record(std::string("FindClass ") + name);
    return FakeJni::throwableClass();
}
jmethodID JNICALL getMethodId(JNIEnv*, jclass, const char* name, const char* signature) {
    record(std::string("GetMethodID ") + name + " " + signature);
    static char method;
    return reinterpret_cast<jmethodID>(&method);
}
jobject JNICALL callObjectMethodV(JNIEnv*, jobject receiver, jmethodID, va_list) {
    record("CallObjectMethod");
    current->toStringReceiver = receiver;
    return FakeJni::textObject();
}
jobject JNICALL callObjectMethod(JNIEnv*, jobject receiver, jmethodID, ...) {
    record("CallObjectMethod");
    current->toStringReceiver = receiver;
    return FakeJni::textObject();
}
const char* JNICALL getStringUtfChars(JNIEnv*, jstring, jboolean* isCopy) {
    record("GetStringUTFChars");
    if (isCopy) *isCopy = JNI_TRUE;
    ++current->utfCharsHeld;
    return current->exceptionText.c_str();
}
void JNICALL releaseStringUtfChars(JNIEnv*, jstring, const char*) {
    record("ReleaseStringUTFChars");
    --current->utfCharsHeld;
}
void JNICALL deleteLocalRef(JNIEnv*, jobject) { record("DeleteLocalRef"); }

}  // namespace

FakeJni::FakeJni(bool pendingException, std::string text) : pending(pendingException), exceptionText(std::move(text)) {
    current = this;
    functions_.ExceptionOccurred = exceptionOccurred;
    functions_.ExceptionDescribe = exceptionDescribe;
    functions_.ExceptionClear = exceptionClear;
    functions_.ExceptionCheck = exceptionCheck;
    functions_.FindClass = findClass;
    functions_.GetMethodID = getMethodId;
    functions_.CallObjectMethod = callObjectMethod;
    functions_.CallObjectMethodV = callObjectMethodV;
    functions_.GetStringUTFChars = getStringUtfChars;
    functions_.ReleaseStringUTFChars = releaseStringUtfChars;
    functions_.DeleteLocalRef = deleteLocalRef;
    env_.functions = &functions_;
}

FakeJni::~FakeJni() { current = nullptr; }

jthrowable FakeJni::exceptionObject() {
    static char object;
    return reinterpret_cast<jthrowable>(&object);
}

jclass FakeJni::throwableClass() {
    static char object;
    return reinterpret_cast<jclass>(&object);
}

jstring FakeJni::textObject() {
    static char object;
    return reinterpret_cast<jstring>(&object);
}

}  // namespace tavik::test
