#pragma once
// WinHTTP's proxy settings and discovery, bound at run time: the browser
// settings of the current user, the machine's default proxy, and the proxy
// for a URL by automatic discovery or a given script.
#include <windows.h>

#include <winhttp.h>

#include "common/Result.h"
#include "common/UniqueResource.h"

namespace tavik::native::proxy {

// WinHTTP allocates its answers' strings for the caller, who gives them back
// with GlobalFree.
void freeGlobal(wchar_t* text) noexcept;
using GlobalText = UniqueResource<NullIsInvalid<wchar_t*, &freeGlobal>>;

struct BrowserConfig {
    bool autoDetect = false;
    GlobalText autoConfigUrl, proxy, bypass;
};

struct ProxyInfo {
    DWORD accessType = 0;
    GlobalText proxy, bypass;
};

// WinHTTP and its five functions, looked up on the first call only; the
// others below need them.
bool winHttpAvailable() noexcept;

Result<BrowserConfig> browserConfig() noexcept;
Result<ProxyInfo> defaultProxy() noexcept;

void closeSession(HINTERNET session) noexcept;
using Session = UniqueResource<NullIsInvalid<HINTERNET, &closeSession>>;

// A synchronous session of its own for each query, so that nothing WinHTTP
// found out lasts beyond it.
Result<Session> openSession() noexcept;

struct AutoProxyRequest {
    const wchar_t* url = nullptr;
    const wchar_t* scriptUrl = nullptr;  // null: none, discovery alone
    DWORD flags = 0;
    DWORD autoDetectFlags = 0;
    bool autoLogonIfChallenged = false;
};

Result<ProxyInfo> proxyForUrl(HINTERNET session, const AutoProxyRequest& request) noexcept;

}  // namespace tavik::native::proxy
