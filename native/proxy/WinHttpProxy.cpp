#include "native/proxy/WinHttpProxy.h"

#include "common/win/LastError.h"
#include "common/win/SystemLibrary.h"

namespace tavik::native::proxy {
namespace {

struct WinHttp {
    BOOL(WINAPI* getIEProxyConfigForCurrentUser)(WINHTTP_CURRENT_USER_IE_PROXY_CONFIG*);
    HINTERNET(WINAPI* open)(LPCWSTR, DWORD, LPCWSTR, LPCWSTR, DWORD);
    BOOL(WINAPI* closeHandle)(HINTERNET);
    BOOL(WINAPI* getProxyForUrl)(HINTERNET, LPCWSTR, WINHTTP_AUTOPROXY_OPTIONS*, WINHTTP_PROXY_INFO*);
    BOOL(WINAPI* getDefaultProxyConfiguration)(WINHTTP_PROXY_INFO*);

    bool complete() const {
        return getIEProxyConfigForCurrentUser != nullptr && open != nullptr && closeHandle != nullptr &&
               getProxyForUrl != nullptr && getDefaultProxyConfiguration != nullptr;
    }
};

template <class Fn>
void bind(HMODULE library, Fn& function, const char* name) {
    function = findFunction<Fn>(library, name);
}

WinHttp lookUp() noexcept {
    const HMODULE library = systemLibrary(L"winhttp.dll");
    WinHttp found{};
    bind(library, found.getIEProxyConfigForCurrentUser, "WinHttpGetIEProxyConfigForCurrentUser");
    bind(library, found.open, "WinHttpOpen");
    bind(library, found.closeHandle, "WinHttpCloseHandle");
    bind(library, found.getProxyForUrl, "WinHttpGetProxyForUrl");
    bind(library, found.getDefaultProxyConfiguration, "WinHttpGetDefaultProxyConfiguration");
    return found;
}

// Null unless all five were found; the outcome of the first look-up stands.
const WinHttp* winHttp() noexcept {
    static const WinHttp functions = lookUp();
    return functions.complete() ? &functions : nullptr;
}

ProxyInfo owned(const WINHTTP_PROXY_INFO& info) {
    ProxyInfo result;
    result.accessType = info.dwAccessType;
    result.proxy.reset(info.lpszProxy);
    result.bypass.reset(info.lpszProxyBypass);
    return result;
}

constexpr const wchar_t* kUserAgent = L"runwright proxy detection/1.0";

}  // namespace

void freeGlobal(wchar_t* text) noexcept { ::GlobalFree(text); }

void closeSession(HINTERNET session) noexcept { winHttp()->closeHandle(session); }

bool winHttpAvailable() noexcept { return winHttp() != nullptr; }

Result<BrowserConfig> browserConfig() noexcept {
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config{};
    if (!winHttp()->getIEProxyConfigForCurrentUser(&config)) return lastError("WinHttpGetIEProxyConfigForCurrentUser");
    BrowserConfig result;
    result.autoDetect = config.fAutoDetect != FALSE;
    result.autoConfigUrl.reset(config.lpszAutoConfigUrl);
    result.proxy.reset(config.lpszProxy);
    result.bypass.reset(config.lpszProxyBypass);
    return result;
}

Result<ProxyInfo> defaultProxy() noexcept {
    WINHTTP_PROXY_INFO info{};
    if (!winHttp()->getDefaultProxyConfiguration(&info)) return lastError("WinHttpGetDefaultProxyConfiguration");
    return owned(info);
}

Result<Session> openSession() noexcept {
    Session session(winHttp()->open(kUserAgent, WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                    WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session) return lastError("WinHttpOpen");
    return session;
}

Result<ProxyInfo> proxyForUrl(HINTERNET session, const AutoProxyRequest& request) noexcept {
    WINHTTP_AUTOPROXY_OPTIONS options{};
    options.dwFlags = request.flags;
    options.dwAutoDetectFlags = request.autoDetectFlags;
    options.lpszAutoConfigUrl = request.scriptUrl;
    options.fAutoLogonIfChallenged = request.autoLogonIfChallenged ? TRUE : FALSE;
    WINHTTP_PROXY_INFO info{};
    if (!winHttp()->getProxyForUrl(session, request.url, &options, &info)) return lastError("WinHttpGetProxyForUrl");
    return owned(info);
}

}  // namespace tavik::native::proxy
