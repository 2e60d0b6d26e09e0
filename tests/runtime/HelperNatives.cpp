// rwtnative.dll of the test runtime: a helper library whose registerNatives
// binds one native of the Registry class, looked up by export name in the
// module handle it is given, and reports through the caller's message
// function. A file "refuse" beside it makes the registration fail.
#include <windows.h>

#define _JNI_IMPLEMENTATION_
#include <jni.h>

#include "tests/runtime/RuntimeFiles.h"

namespace {

using namespace tavik::testruntime;

using MessageFunction = void(__cdecl*)(const wchar_t* format, ...);

constexpr const char* kRegistryClass = "com/runwright/runtime/installer/platform/win32/Registry";
constexpr const char* kNativeExport = "Java_com_runwright_runtime_installer_platform_win32_Registry_deleteValue0";

HMODULE thisLibrary = nullptr;

bool refusing() {
    const std::wstring marker = directoryOf(modulePath(thisLibrary)) + L"\\refuse";
    return ::GetFileAttributesW(marker.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

extern "C" JNIEXPORT void JNICALL Java_com_runwright_runtime_installer_platform_win32_Registry_deleteValue0(
    JNIEnv*, jclass, jint, jstring, jstring, jint) {}

extern "C" JNIEXPORT unsigned char registerNatives(JNIEnv* env, HMODULE module, MessageFunction report) {
    if (refusing()) {
        report(L"helper refuses %d of %s", 1, L"its natives");
        return 0;
    }
    const jclass registry = env->FindClass(kRegistryClass);
    if (registry == nullptr) return 0;
    // Through void*: GCC warns about casts between unrelated function types.
    void* function = reinterpret_cast<void*>(::GetProcAddress(module, kNativeExport));
    const JNINativeMethod natives[] = {
        {const_cast<char*>("deleteValue0"), const_cast<char*>("(ILjava/lang/String;Ljava/lang/String;I)V"), function}};
    const jint result = env->RegisterNatives(registry, natives, 1);
    env->DeleteLocalRef(registry);
    return result == JNI_OK ? 1 : 0;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        thisLibrary = instance;
        ::DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}
