#pragma once
// Defines a native under its JNI short name, so that a VM binding by name
// finds it and registerNatives can look it up in this library's exports.
#include <jni.h>

#define TAVIK_NATIVE(result, className, method) \
    extern "C" JNIEXPORT result JNICALL Java_com_runwright_runtime_installer_platform_win32_##className##_##method
