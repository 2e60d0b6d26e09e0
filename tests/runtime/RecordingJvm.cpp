// jvm.dll of the test runtime: records in jvm-calls.log beside itself that it
// was loaded (with its own path) and every invocation call it gets, with the
// options as the bytes it was handed. It creates no VM.
#include <windows.h>

#define _JNI_IMPLEMENTATION_
#include <jni.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "tests/runtime/RuntimeFiles.h"

namespace {

using namespace tavik::testruntime;

HMODULE thisLibrary = nullptr;

void record(std::string_view line) noexcept {
    try {
        appendLine(directoryOf(modulePath(thisLibrary)) + L"\\jvm-calls.log", line);
    } catch (...) {
        // A test support library reports through its log only; nothing to report to.
    }
}

std::string hex(jint value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lx", static_cast<unsigned long>(value));
    return text;
}

bool isSupportedVersion(jint version) {
    return version == JNI_VERSION_1_2 || version == JNI_VERSION_1_4 || version == JNI_VERSION_1_6 ||
           version == JNI_VERSION_1_8 || version == JNI_VERSION_9 || version == JNI_VERSION_10;
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        thisLibrary = instance;
        ::DisableThreadLibraryCalls(instance);
        // File calls only: no other library is loaded under the loader lock.
        record("loaded " + toAnsi(modulePath(instance)));
    }
    return TRUE;
}

extern "C" JNIEXPORT jint JNICALL JNI_CreateJavaVM(JavaVM** vm, void** env, void* args) {
    if (vm != nullptr) *vm = nullptr;
    if (env != nullptr) *env = nullptr;
    const auto* initArgs = static_cast<const JavaVMInitArgs*>(args);
    if (initArgs == nullptr) {
        record("JNI_CreateJavaVM without arguments");
        return JNI_EINVAL;
    }
    record("JNI_CreateJavaVM version=" + hex(initArgs->version) + " options=" + std::to_string(initArgs->nOptions));
    for (jint i = 0; i < initArgs->nOptions; ++i) {
        const char* option = initArgs->options[i].optionString;
        record(std::string("option ") + (option != nullptr ? option : "(null)"));
    }
    return JNI_ERR;
}

extern "C" JNIEXPORT jint JNICALL JNI_GetDefaultJavaVMInitArgs(void* args) {
    const auto* initArgs = static_cast<const JavaVMInitArgs*>(args);
    if (initArgs == nullptr) {
        record("JNI_GetDefaultJavaVMInitArgs without arguments");
        return JNI_EINVAL;
    }
    record("JNI_GetDefaultJavaVMInitArgs version=" + hex(initArgs->version));
    return isSupportedVersion(initArgs->version) ? JNI_OK : JNI_EVERSION;
}

// No VM is ever created here, so nothing goes into the caller's array.
extern "C" JNIEXPORT jint JNICALL JNI_GetCreatedJavaVMs(JavaVM**, jsize capacity, jsize* count) {
    record("JNI_GetCreatedJavaVMs capacity=" + std::to_string(capacity));
    if (count != nullptr) *count = 0;
    return JNI_OK;
}
