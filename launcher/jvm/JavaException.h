#pragma once
// Reporting a Java exception left pending by a call into the VM.
#include <jni.h>

namespace tavik::jvm {

// True when nothing is pending. Otherwise logs the exception and its text,
// lets the VM print it when `describe` is set, clears it and returns false.
bool reportJavaException(JNIEnv* env, bool describe);

}  // namespace tavik::jvm
