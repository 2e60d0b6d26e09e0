// The natives of Misc, Win32Exec and Win32Handle: each converts its
// arguments, asks the process, window and handle modules and hands the
// answer back. None throws into Java: a failed VM call is cleared and
// answered with the native's failure value.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "native/jni/JniExport.h"
#include "native/jni/JniShell.h"
#include "native/jni/JniText.h"
#include "native/process/FileHandles.h"
#include "native/process/Processes.h"
#include "native/process/SystemFigures.h"
#include "native/process/Windows.h"

using tavik::native::newJavaString;
using tavik::native::newStringArray;
using tavik::native::toWideString;
namespace process = tavik::native::process;

namespace {

using tavik::native::guarded;
using tavik::native::cleared;
using tavik::native::toJava;
using tavik::native::toHandle;
using tavik::native::fromHandle;

// Released without copy-back: the natives only read the ids.
std::optional<std::vector<std::int32_t>> intsOf(JNIEnv* env, jintArray array) {
    if (array == nullptr) return std::nullopt;
    const jsize length = env->GetArrayLength(array);
    jint* const elements = env->GetIntArrayElements(array, nullptr);
    if (elements == nullptr) {
        env->ExceptionClear();
        return std::nullopt;
    }
    std::vector<std::int32_t> values(elements, elements + length);
    env->ReleaseIntArrayElements(array, elements, JNI_ABORT);
    return values;
}

constexpr const char* kWindowInfoConstructor = "(JILjava/lang/String;Ljava/lang/String;)V";

// One object per described window, in the slots from the first on; the
// slots of windows without a description stay null at the end.
jobjectArray newWindowInfos(JNIEnv* env, jclass windowInfo, const process::ProcessWindows& windows) {
    const jmethodID constructor =
        windowInfo == nullptr ? nullptr : cleared(env, env->GetMethodID(windowInfo, "<init>", kWindowInfoConstructor));
    if (constructor == nullptr) {
        std::fprintf(stderr, "window info constructor not found");
        return nullptr;
    }
    const jobjectArray infos = cleared(env, env->NewObjectArray(static_cast<jsize>(windows.count), windowInfo, nullptr));
    if (infos == nullptr) {
        std::fprintf(stderr, "could not create window info array");
        return nullptr;
    }
    jsize next = 0;
    for (const process::WindowDescription& window : windows.described) {
        const jstring className = cleared(env, newJavaString(env, window.className));
        const jstring title = className == nullptr ? nullptr : cleared(env, newJavaString(env, window.title));
        const jobject info = title == nullptr ? nullptr
                                              : cleared(env, env->NewObject(windowInfo, constructor,
                                                                            fromHandle(window.handle),
                                                                            static_cast<jint>(window.style), className,
                                                                            title));
        if (info != nullptr) env->SetObjectArrayElement(infos, next++, info);
        env->DeleteLocalRef(info);
        env->DeleteLocalRef(title);
        env->DeleteLocalRef(className);
    }
    return infos;
}

jintArray newIntArray(JNIEnv* env, const std::vector<jint>& values) {
    const jintArray array = cleared(env, env->NewIntArray(static_cast<jsize>(values.size())));
    if (array != nullptr) env->SetIntArrayRegion(array, 0, static_cast<jsize>(values.size()), values.data());
    return array;
}

// Element 0 the handle values, element 1 their names, index for index.
jobjectArray newHandleList(JNIEnv* env, const std::vector<process::FileHandle>& files) {
    std::vector<jint> values;
    std::vector<std::u16string> names;
    for (const process::FileHandle& file : files) {
        values.push_back(file.value);
        names.push_back(file.name);
    }
    const jclass objectClass = cleared(env, env->FindClass("java/lang/Object"));
    if (objectClass == nullptr) return nullptr;
    const jobjectArray list = cleared(env, env->NewObjectArray(2, objectClass, nullptr));
    env->DeleteLocalRef(objectClass);
    if (list == nullptr) return nullptr;
    const jintArray handleValues = newIntArray(env, values);
    const jobjectArray handleNames = handleValues == nullptr ? nullptr : cleared(env, newStringArray(env, names));
    if (handleNames == nullptr) {
        env->DeleteLocalRef(handleValues);
        env->DeleteLocalRef(list);
        return nullptr;
    }
    env->SetObjectArrayElement(list, 0, handleValues);
    env->SetObjectArrayElement(list, 1, handleNames);
    env->DeleteLocalRef(handleValues);
    env->DeleteLocalRef(handleNames);
    return list;
}

}  // namespace

TAVIK_NATIVE(void, Misc, reboot0)(JNIEnv*, jclass) { process::reboot(); }

TAVIK_NATIVE(jobjectArray, Misc, getRunningModules0)(JNIEnv* env, jclass, jboolean withoutDebugPrivilege) {
    return guarded(jobjectArray{}, [&]() -> jobjectArray {
        const std::vector<std::u16string> entries = process::runningModules(withoutDebugPrivilege != JNI_FALSE);
        return entries.empty() ? nullptr : cleared(env, newStringArray(env, entries));
    });
}

TAVIK_NATIVE(jobjectArray, Misc, getEnvVarPairs0)(JNIEnv* env, jclass) {
    return guarded(jobjectArray{}, [&]() -> jobjectArray {
        const std::optional<std::vector<std::u16string>> pairs = process::environmentPairs();
        return pairs ? cleared(env, newStringArray(env, *pairs)) : nullptr;
    });
}

TAVIK_NATIVE(void, Misc, broadcastSettingChange0)(JNIEnv*, jclass) { process::broadcastEnvironmentChange(); }

TAVIK_NATIVE(jlong, Misc, getPhysicalMemory0)(JNIEnv*, jclass) {
    return static_cast<jlong>(process::physicalMemory());
}

TAVIK_NATIVE(jlong, Misc, getFreeDiskSpace0)(JNIEnv* env, jclass, jstring directory) {
    return guarded(jlong{-1}, [&] { return static_cast<jlong>(process::freeDiskSpace(toWideString(env, directory).wide())); });
}

TAVIK_NATIVE(jboolean, Misc, moveWithDelayUntilReboot0)(JNIEnv* env, jclass, jstring source, jstring target) {
    return guarded(jboolean{JNI_FALSE}, [&] {
        return toJava(process::moveAtReboot(toWideString(env, source).wide(), toWideString(env, target).wide()));
    });
}

TAVIK_NATIVE(void, Misc, toFront0)(JNIEnv*, jclass) { process::bringOwnWindowsToFront(); }

TAVIK_NATIVE(jint, Misc, terminateProcesses0)(JNIEnv* env, jclass, jintArray processIds, jboolean force,
                                              jint timeoutMillis) {
    constexpr auto kNotEnded = static_cast<jint>(process::EndStatus::NotEnded);
    return guarded(kNotEnded, [&] {
        const std::optional<std::vector<std::int32_t>> ids = intsOf(env, processIds);
        if (!ids) return kNotEnded;
        return static_cast<jint>(process::endProcesses(*ids, force != JNI_FALSE, static_cast<DWORD>(timeoutMillis)));
    });
}

TAVIK_NATIVE(jstring, Misc, getWindowTitle0)(JNIEnv* env, jclass, jint processId) {
    const std::u16string title = guarded(std::u16string(), [&] {
        return process::windowTitleOf(static_cast<DWORD>(processId));
    });
    return cleared(env, newJavaString(env, title));
}

TAVIK_NATIVE(void, Misc, setForegroundWindow0)(JNIEnv*, jclass, jlong window) {
    process::setForegroundWindow(toHandle<HWND>(window));
}

TAVIK_NATIVE(jobjectArray, Misc, getTopLevelWindows0)(JNIEnv* env, jclass, jclass windowInfo, jint processId) {
    return guarded(jobjectArray{}, [&]() -> jobjectArray {
        const process::ProcessWindows windows = process::topLevelWindowsOf(static_cast<DWORD>(processId));
        return windows.count == 0 ? nullptr : newWindowInfos(env, windowInfo, windows);
    });
}

TAVIK_NATIVE(jint, Misc, getPidFromHandle0)(JNIEnv*, jclass, jlong processHandle) {
    return static_cast<jint>(::GetProcessId(toHandle<HANDLE>(processHandle)));
}

TAVIK_NATIVE(jint, Win32Exec, launch0)(JNIEnv* env, jclass, jstring applicationName, jstring commandLine) {
    return guarded(static_cast<jint>(ERROR_NOT_ENOUGH_MEMORY), [&] {
        return static_cast<jint>(process::launch(toWideString(env, applicationName).wide(),
                                                 toWideString(env, commandLine).wide()));
    });
}

TAVIK_NATIVE(jobjectArray, Win32Handle, list0)(JNIEnv* env, jclass) {
    return guarded(jobjectArray{}, [&]() -> jobjectArray {
        const std::optional<std::vector<process::FileHandle>> files = process::openFileHandles();
        return files ? newHandleList(env, *files) : nullptr;
    });
}

TAVIK_NATIVE(jboolean, Win32Handle, close0)(JNIEnv*, jclass, jint handle) {
    return toJava(process::closeHandleValue(handle));
}

TAVIK_NATIVE(jstring, Win32Handle, getDeviceName0)(JNIEnv* env, jclass, jstring linkName) {
    return guarded(jstring{}, [&]() -> jstring {
        const std::optional<std::u16string> target = process::symbolicLinkTarget(toWideString(env, linkName).wide());
        return target ? cleared(env, newJavaString(env, *target)) : nullptr;
    });
}
