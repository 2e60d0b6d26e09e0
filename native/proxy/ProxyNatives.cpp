// The natives of Win32Proxy: WinHTTP's answers go into the caller's array,
// whose length is checked before anything is asked, and a status comes back.
// None throws into Java: a VM's failed string allocation is cleared and told
// through the status.
#include <windows.h>

#include <cstddef>

#include "native/jni/JniExport.h"
#include "native/jni/JniText.h"
#include "native/proxy/ProxyRules.h"
#include "native/proxy/WinHttpProxy.h"

using tavik::native::toWideString;
namespace proxy = tavik::native::proxy;

namespace {

const char16_t* units(const proxy::GlobalText& text) { return reinterpret_cast<const char16_t*>(text.get()); }

// A null array holds nothing.
bool holds(JNIEnv* env, jobjectArray array, std::size_t needed) {
    return array != nullptr && static_cast<std::size_t>(env->GetArrayLength(array)) >= needed;
}

// False, with the VM's exception cleared, when the string could not be made.
bool store(JNIEnv* env, jobjectArray array, std::size_t index, jstring text) {
    if (text != nullptr) {
        env->SetObjectArrayElement(array, static_cast<jsize>(index), text);
        env->DeleteLocalRef(text);
    }
    if (!env->ExceptionCheck()) return true;
    env->ExceptionClear();
    return false;
}

// Stops at the first element the VM could not make.
bool write(JNIEnv* env, jobjectArray array, const proxy::Elements& elements) {
    if (!store(env, array, 0, env->NewStringUTF(elements.first))) return false;
    for (const proxy::TextElement& element : elements.texts)
        if (!store(env, array, element.index, tavik::native::newJavaString(env, element.text))) return false;
    return true;
}

jint answer(JNIEnv* env, jobjectArray array, const proxy::Elements& elements) {
    return write(env, array, elements) ? 0 : proxy::kNoStringMemory;
}

proxy::Elements elementsOf(const proxy::ProxyInfo& info) {
    return proxy::proxyInfoElements(info.accessType, units(info.proxy), units(info.bypass));
}

// Out of memory is the only exception the elements' plan raises.
template <class Body>
auto guarded(Body body) noexcept -> decltype(body()) {
    try {
        return body();
    } catch (...) {
        return proxy::kNoStringMemory;
    }
}

}  // namespace

TAVIK_NATIVE(jint, Win32Proxy, getIEConfig0)(JNIEnv* env, jclass, jobjectArray elements) {
    return guarded([&]() -> jint {
        if (!proxy::winHttpAvailable()) return proxy::kUnavailable;
        if (!holds(env, elements, proxy::kBrowserConfigLength)) return proxy::kArrayTooShort;
        const tavik::Result<proxy::BrowserConfig> config = proxy::browserConfig();
        if (!config) return static_cast<jint>(config.error().code);
        return answer(env, elements,
                      proxy::browserConfigElements(config->autoDetect, units(config->autoConfigUrl),
                                                   units(config->proxy), units(config->bypass)));
    });
}

TAVIK_NATIVE(jint, Win32Proxy, getDefaultConfig0)(JNIEnv* env, jclass, jobjectArray elements) {
    return guarded([&]() -> jint {
        if (!proxy::winHttpAvailable()) return proxy::kUnavailable;
        if (!holds(env, elements, proxy::kProxyInfoLength)) return proxy::kArrayTooShort;
        const tavik::Result<proxy::ProxyInfo> info = proxy::defaultProxy();
        if (!info) return static_cast<jint>(info.error().code);
        return answer(env, elements, elementsOf(*info));
    });
}

TAVIK_NATIVE(jlong, Win32Proxy, getAutoProxyConfig0)(JNIEnv* env, jclass, jobjectArray elements, jstring url,
                                                     jstring scriptUrl, jint flags, jint autoDetectFlags,
                                                     jboolean autoLogonIfChallenged) {
    return guarded([&]() -> jlong {
        if (!proxy::winHttpAvailable()) return proxy::kUnavailable;
        const tavik::native::NativeString urlText = toWideString(env, url);
        if (urlText.isNull()) return 0;
        if (!holds(env, elements, proxy::kProxyInfoLength)) return proxy::kArrayTooShort;
        const tavik::native::NativeString scriptUrlText = toWideString(env, scriptUrl);
        const tavik::Result<proxy::Session> session = proxy::openSession();
        if (!session) return proxy::sessionFailure(session.error().code);
        proxy::AutoProxyRequest request;
        request.url = urlText.wide();
        request.scriptUrl = scriptUrlText.wide();
        request.flags = static_cast<DWORD>(flags);
        request.autoDetectFlags = static_cast<DWORD>(autoDetectFlags);
        request.autoLogonIfChallenged = autoLogonIfChallenged != JNI_FALSE;
        const tavik::Result<proxy::ProxyInfo> info = proxy::proxyForUrl(session->get(), request);
        if (!info) return proxy::proxyQueryFailure(info.error().code);
        return answer(env, elements, elementsOf(*info));
    });
}

TAVIK_NATIVE(jboolean, Win32Proxy, loadFunctions0)(JNIEnv*, jclass) {
    return proxy::winHttpAvailable() ? JNI_TRUE : JNI_FALSE;
}
