#pragma once
// Java string arrays handed to natives.
#include <jni.h>

#include <vector>

#include "native/jni/JniText.h"

namespace tavik::native {

// The elements in order, each converted as toWideString does (a null element
// stays null); a null array has none.
std::vector<NativeString> toWideStrings(JNIEnv* env, jobjectArray array);

}  // namespace tavik::native
