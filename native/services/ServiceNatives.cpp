// The natives of Win32Services: each converts its arguments, asks the service
// modules and hands their status back. None throws into Java.
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "native/jni/JniExport.h"
#include "native/jni/JniStringArrays.h"
#include "native/jni/JniText.h"
#include "native/services/ServiceConfig.h"
#include "native/services/ServiceControl.h"

using tavik::native::NativeString;
using tavik::native::toWideString;
namespace services = tavik::native::services;

namespace {

// Out of memory is the only exception the conversions raise.
template <class Body>
jint guarded(Body body) noexcept {
    try {
        return body();
    } catch (...) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}

}  // namespace

TAVIK_NATIVE(jint, Win32Services, installService0)(JNIEnv* env, jclass, jstring name, jstring displayName,
                                                   jstring binaryPath) {
    return guarded([&] {
        return services::installService(toWideString(env, name).wide(), toWideString(env, displayName).wide(),
                                        toWideString(env, binaryPath).wide());
    });
}

TAVIK_NATIVE(jint, Win32Services, changeServiceConfig0)(JNIEnv* env, jclass, jstring name, jstring displayName,
                                                        jstring binaryPath, jint serviceType, jint startType,
                                                        jstring dependencies, jstring account, jstring password,
                                                        jstring description) {
    return guarded([&] {
        const NativeString displayNameText = toWideString(env, displayName);
        const NativeString binaryPathText = toWideString(env, binaryPath);
        const NativeString dependenciesText = toWideString(env, dependencies);
        const NativeString accountText = toWideString(env, account);
        const NativeString passwordText = toWideString(env, password);
        const NativeString descriptionText = toWideString(env, description);
        services::ConfigChange change;
        change.displayName = displayNameText.wide();
        change.binaryPath = binaryPathText.wide();
        change.serviceType = static_cast<DWORD>(serviceType);
        change.startType = static_cast<DWORD>(startType);
        change.dependencies = dependenciesText.wide();
        change.account = accountText.wide();
        change.password = passwordText.wide();
        change.description = descriptionText.wide();
        return services::changeServiceConfig(toWideString(env, name).wide(), change);
    });
}

TAVIK_NATIVE(jint, Win32Services, setRestartServiceConfig0)(JNIEnv* env, jclass, jstring name, jboolean restart,
                                                            jint delayMillis, jint restarts, jint resetPeriodSeconds) {
    return guarded([&] {
        return services::setRestartConfig(toWideString(env, name).wide(), restart != JNI_FALSE,
                                          static_cast<DWORD>(delayMillis), restarts,
                                          static_cast<DWORD>(resetPeriodSeconds));
    });
}

TAVIK_NATIVE(jint, Win32Services, setDelayedAutoStart0)(JNIEnv* env, jclass, jstring name, jboolean delayed) {
    return guarded([&] { return services::setDelayedAutoStart(toWideString(env, name).wide(), delayed != JNI_FALSE); });
}

TAVIK_NATIVE(jint, Win32Services, stopService0)(JNIEnv* env, jclass, jstring name, jint timeoutMillis) {
    return guarded(
        [&] { return services::stopService(toWideString(env, name).wide(), static_cast<DWORD>(timeoutMillis)); });
}

TAVIK_NATIVE(jint, Win32Services, startService0)(JNIEnv* env, jclass, jstring name, jobjectArray arguments) {
    return guarded([&] {
        const std::vector<NativeString> texts = tavik::native::toWideStrings(env, arguments);
        std::vector<const wchar_t*> vector;
        vector.reserve(texts.size());
        for (const NativeString& text : texts) vector.push_back(text.wide());
        return services::startService(toWideString(env, name).wide(), std::move(vector));
    });
}

TAVIK_NATIVE(jint, Win32Services, uninstallService0)(JNIEnv* env, jclass, jstring name) {
    return guarded([&] { return services::uninstallService(toWideString(env, name).wide()); });
}

TAVIK_NATIVE(jint, Win32Services, queryStatus0)(JNIEnv* env, jclass, jstring name) {
    return guarded([&] { return services::queryStatus(toWideString(env, name).wide()); });
}

TAVIK_NATIVE(jint, Win32Services, getStartType0)(JNIEnv* env, jclass, jstring name) {
    return guarded([&] { return services::startType(toWideString(env, name).wide()); });
}

// Out of memory leaves no room for the error text: null.
TAVIK_NATIVE(jstring, Win32Services, getServiceBinary0)(JNIEnv* env, jclass, jstring name) {
    try {
        const std::wstring binary = services::serviceBinary(toWideString(env, name).wide());
        return tavik::native::newJavaString(env, binary.c_str());
    } catch (...) {
        return nullptr;
    }
}
