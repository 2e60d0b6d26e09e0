#include "tests/native/ProxyTestSupport.h"

#include <winhttp.h>

#include <stdexcept>
#include <utility>

#include "common/win/SystemLibrary.h"

namespace tavik::test::proxy {
namespace {

void appendDword(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<std::uint8_t>(value >> shift));
}

void appendText(std::vector<std::uint8_t>& bytes, const std::string& text) {
    appendDword(bytes, static_cast<std::uint32_t>(text.size()));
    bytes.insert(bytes.end(), text.begin(), text.end());
}

constexpr std::uint32_t kConnectionSettingsVersion = 0x46;
constexpr std::uint32_t kWinHttpSettingsVersion = 0x18;

}  // namespace

SavedValue::SavedValue(HKEY root, std::wstring path, std::wstring name)
    : root_(root),
      path_(std::move(path)),
      name_(std::move(name)),
      keyExisted_(registry::rawKeyExists(root_, path_)),
      value_(registry::rawValue(root_, path_, name_.c_str())) {}

SavedValue::~SavedValue() {
    if (value_) {
        registry::setRaw(root_, path_, name_.c_str(), value_->type, value_->bytes);
        return;
    }
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root_, path_.c_str(), 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        ::RegDeleteValueW(key, name_.c_str());
        ::RegCloseKey(key);
    }
    // Only an empty key goes: one whose other values were saved goes with the last of them.
    if (!keyExisted_ && registry::rawValueNames(root_, path_).empty() && registry::rawSubKeys(root_, path_).empty())
        ::RegDeleteKeyW(root_, path_.c_str());
}

std::vector<std::uint8_t> connectionSettings(std::uint32_t flags, const std::string& proxy, const std::string& bypass,
                                             const std::string& scriptUrl) {
    std::vector<std::uint8_t> bytes;
    appendDword(bytes, kConnectionSettingsVersion);
    appendDword(bytes, 1);
    appendDword(bytes, flags);
    appendText(bytes, proxy);
    appendText(bytes, bypass);
    appendText(bytes, scriptUrl);
    bytes.resize(bytes.size() + 32, 0);
    return bytes;
}

std::vector<std::uint8_t> winHttpSettings(const std::string& proxy, const std::string& bypass) {
    std::vector<std::uint8_t> bytes;
    appendDword(bytes, kWinHttpSettingsVersion);
    appendDword(bytes, 0);
    appendDword(bytes, proxy.empty() ? kDirect : kDirect | kManualProxy);
    appendText(bytes, proxy);
    appendText(bytes, bypass);
    return bytes;
}

ProgramWithoutWinHttp::ProgramWithoutWinHttp(const fs::path& program)
    : copy_(directory_.path() / ("no-winhttp-" + std::to_string(::GetCurrentProcessId()) + ".exe")),
      overridesKey_(L"Software\\Wine\\AppDefaults\\" + copy_.filename().wstring()) {
    fs::copy_file(program, copy_);
    // An empty load order: the DLL is not loaded at all.
    if (!registry::setRaw(HKEY_CURRENT_USER, overridesKey_ + L"\\DllOverrides", L"winhttp", REG_SZ, {0, 0}))
        throw std::runtime_error("the DLL overrides cannot be written");
}

ProgramWithoutWinHttp::~ProgramWithoutWinHttp() { ::RegDeleteTreeW(HKEY_CURRENT_USER, overridesKey_.c_str()); }

DWORD rawProxyQueryError(const std::u16string& url, const std::u16string& scriptUrl, DWORD flags,
                         DWORD autoDetectFlags) {
    using Open = HINTERNET(WINAPI*)(LPCWSTR, DWORD, LPCWSTR, LPCWSTR, DWORD);
    using Close = BOOL(WINAPI*)(HINTERNET);
    using ProxyForUrl = BOOL(WINAPI*)(HINTERNET, LPCWSTR, WINHTTP_AUTOPROXY_OPTIONS*, WINHTTP_PROXY_INFO*);
    const HMODULE winHttp = systemLibrary(L"winhttp.dll");
    const auto open = findFunction<Open>(winHttp, "WinHttpOpen");
    const auto close = findFunction<Close>(winHttp, "WinHttpCloseHandle");
    const auto proxyForUrl = findFunction<ProxyForUrl>(winHttp, "WinHttpGetProxyForUrl");
    if (open == nullptr || close == nullptr || proxyForUrl == nullptr) throw std::runtime_error("no WinHTTP here");
    const HINTERNET session = open(L"proxy test", WINHTTP_ACCESS_TYPE_NO_PROXY, nullptr, nullptr, 0);
    if (session == nullptr) throw std::runtime_error("WinHttpOpen failed: " + std::to_string(::GetLastError()));
    const std::wstring wideUrl(url.begin(), url.end());
    const std::wstring wideScriptUrl(scriptUrl.begin(), scriptUrl.end());
    WINHTTP_AUTOPROXY_OPTIONS options{};
    options.dwFlags = flags;
    options.dwAutoDetectFlags = autoDetectFlags;
    options.lpszAutoConfigUrl = wideScriptUrl.c_str();
    WINHTTP_PROXY_INFO info{};
    const DWORD error = proxyForUrl(session, wideUrl.c_str(), &options, &info) ? 0 : ::GetLastError();
    ::GlobalFree(info.lpszProxy);
    ::GlobalFree(info.lpszProxyBypass);
    close(session);
    return error;
}

}  // namespace tavik::test::proxy
