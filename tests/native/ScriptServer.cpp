#include "tests/native/ScriptServer.h"

#include <winsock2.h>

#include <optional>
#include <stdexcept>

namespace tavik::test::proxy {
namespace {

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

}  // namespace tavik::test::proxy
