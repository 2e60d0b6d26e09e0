#pragma once
// A proxy script server for the proxy natives' tests and benchmark.
#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace tavik::test::proxy {

// HTTP on 127.0.0.1, a free port, on a thread of its own: each path it was
// given a script for answers with it, any other path with 404.
class ScriptServer {
public:
    ScriptServer();
    ~ScriptServer();
    ScriptServer(const ScriptServer&) = delete;
    ScriptServer& operator=(const ScriptServer&) = delete;

    std::u16string url(const std::string& path) const;
    void serve(const std::string& path, const std::string& script);
    // Requests for the path so far, answered or not.
    int requests(const std::string& path) const;

private:
    void run();
    void answer(std::uintptr_t client);

    std::uintptr_t listener_;
    std::uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::map<std::string, std::string> scripts_;
    std::map<std::string, int> requests_;
    std::thread thread_;
};

}  // namespace tavik::test::proxy
