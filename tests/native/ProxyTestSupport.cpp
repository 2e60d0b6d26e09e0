#include "tests/native/ProxyTestSupport.h"

#include <winsock2.h>
#include <ws2tcpip.h>

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

constexpr int kReceiveTimeoutMillis = 2000;
constexpr long kStopCheckMicros = 50000;

SOCKET asSocket(std::uintptr_t socket) { return static_cast<SOCKET>(socket); }

// The path of "GET /path HTTP/1.1"; empty when the request is not one.
std::string requestedPath(const std::string& request) {
    const std::size_t start = request.find(' ');
    if (start == std::string::npos) return {};
    const std::size_t end = request.find(' ', start + 1);
    if (end == std::string::npos) return {};
    return request.substr(start + 1, end - start - 1);
}

std::string response(const std::optional<std::string>& script) {
    if (!script) return "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
    return "HTTP/1.1 200 OK\r\nContent-Type: application/x-ns-proxy-autoconfig\r\nContent-Length: " +
           std::to_string(script->size()) + "\r\nConnection: close\r\n\r\n" + *script;
}

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

ScriptServer::ScriptServer() {
    WSADATA data;
    if (::WSAStartup(MAKEWORD(2, 2), &data) != 0) throw std::runtime_error("WSAStartup failed");
    const SOCKET listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    listener_ = listener;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;  // a free one
    int length = sizeof(address);
    if (listener == INVALID_SOCKET || ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(listener, SOMAXCONN) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        const int error = ::WSAGetLastError();
        if (listener != INVALID_SOCKET) ::closesocket(listener);
        ::WSACleanup();
        throw std::runtime_error("no listening socket: " + std::to_string(error));
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { run(); });
}

ScriptServer::~ScriptServer() {
    stopping_ = true;
    thread_.join();
    ::closesocket(asSocket(listener_));
    ::WSACleanup();
}

std::u16string ScriptServer::url(const std::string& path) const {
    const std::string text = "http://127.0.0.1:" + std::to_string(port_) + path;
    return std::u16string(text.begin(), text.end());
}

void ScriptServer::serve(const std::string& path, const std::string& script) {
    const std::lock_guard<std::mutex> lock(mutex_);
    scripts_[path] = script;
}

int ScriptServer::requests(const std::string& path) const {
    const std::lock_guard<std::mutex> lock(mutex_);
    const auto found = requests_.find(path);
    return found == requests_.end() ? 0 : found->second;
}

// Looks for a client every so often, so that the end of the test is seen soon.
void ScriptServer::run() {
    while (!stopping_) {
        fd_set ready;
        FD_ZERO(&ready);
        FD_SET(asSocket(listener_), &ready);
        timeval wait{0, kStopCheckMicros};
        if (::select(0, &ready, nullptr, nullptr, &wait) != 1) continue;
        const SOCKET client = ::accept(asSocket(listener_), nullptr, nullptr);
        if (client == INVALID_SOCKET) continue;
        answer(client);
        ::closesocket(client);
    }
}

void ScriptServer::answer(std::uintptr_t client) {
    const DWORD timeout = kReceiveTimeoutMillis;
    ::setsockopt(asSocket(client), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof(timeout));
    std::string request;
    char buffer[1024];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 16384) {
        const int received = ::recv(asSocket(client), buffer, sizeof(buffer), 0);
        if (received <= 0) return;
        request.append(buffer, static_cast<std::size_t>(received));
    }
    const std::string path = requestedPath(request);
    std::optional<std::string> script;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        ++requests_[path];
        const auto found = scripts_.find(path);
        if (found != scripts_.end()) script = found->second;
    }
    const std::string reply = response(script);
    ::send(asSocket(client), reply.data(), static_cast<int>(reply.size()), 0);
    ::shutdown(asSocket(client), SD_SEND);
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
