// proxytime: getAutoProxyConfig0 of rwtnative.dll against a proxy script
// served on the loopback inside the same process, next to the same query in
// plain WinHTTP.
//   proxytime [calls] (default 200)
// Each way is timed call by call, in turns with the other, twice: with one script URL throughout
// (WinHTTP keeps a script it fetched, so after the first call this is a new
// session and the script's evaluation) and with a URL of its own for every
// call (each call downloads the script as well). Printed: the first call,
// then median, 10th and 90th percentile in milliseconds, and natives/direct
// of the medians. A call that does not answer with the script's proxy ends
// the program with exit code 1 and the reason on stderr.
#include <windows.h>

#include <winhttp.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/native/ProxyNativesApi.h"
#include "tests/native/ScriptServer.h"

namespace {

using tavik::test::proxy::Elements;
using tavik::test::proxy::JavaSide;
using tavik::test::proxy::ScriptServer;

constexpr jint kUseScript = WINHTTP_AUTOPROXY_CONFIG_URL;
const char* const kScript = "function FindProxyForURL(url, host) { return \"PROXY pac.test:8080\"; }";
const std::u16string kUrl = u"http://outside.test/index.html";
const std::u16string kProxy = u"pac.test:8080";

[[noreturn]] void fail(const std::string& why) {
    std::fprintf(stderr, "proxytime: %s\n", why.c_str());
    std::fflush(stderr);
    ::ExitProcess(1);
}

double nowMillis() {
    static const double ticksPerMilli = [] {
        LARGE_INTEGER frequency;
        ::QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / ticksPerMilli;
}

// A fresh environment for each call, made outside the timing: the test
// environment keeps every object it made until it ends.
void throughNatives(const std::u16string& scriptUrl, double& millis) {
    JavaSide java;
    const jobjectArray elements = java.array(Elements(3));
    const double start = nowMillis();
    const jlong status = java.autoProxy(elements, kUrl, scriptUrl, kUseScript, 0);
    millis = nowMillis() - start;
    if (status != 0) fail("getAutoProxyConfig0 answered " + std::to_string(status));
    if (java.contents(elements) != Elements{u"true", kProxy, std::nullopt}) fail("getAutoProxyConfig0 wrote other elements");
}

void direct(const std::u16string& scriptUrl, double& millis) {
    const std::wstring url(kUrl.begin(), kUrl.end());
    const std::wstring script(scriptUrl.begin(), scriptUrl.end());
    const double start = nowMillis();
    const HINTERNET session = ::WinHttpOpen(L"proxytime", WINHTTP_ACCESS_TYPE_NO_PROXY, nullptr, nullptr, 0);
    if (session == nullptr) fail("WinHttpOpen failed: " + std::to_string(::GetLastError()));
    WINHTTP_AUTOPROXY_OPTIONS options{};
    options.dwFlags = WINHTTP_AUTOPROXY_CONFIG_URL;
    options.lpszAutoConfigUrl = script.c_str();
    WINHTTP_PROXY_INFO info{};
    const BOOL found = ::WinHttpGetProxyForUrl(session, url.c_str(), &options, &info);
    const DWORD error = ::GetLastError();
    const bool named = found && info.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY && info.lpszProxy != nullptr &&
                       std::wstring(info.lpszProxy) == L"pac.test:8080";
    ::GlobalFree(info.lpszProxy);
    ::GlobalFree(info.lpszProxyBypass);
    ::WinHttpCloseHandle(session);
    millis = nowMillis() - start;
    if (!found) fail("WinHttpGetProxyForUrl failed: " + std::to_string(error));
    if (!named) fail("WinHttpGetProxyForUrl answered another proxy");
}

struct Figures {
    double first, median, low, high;
};

double percentile(std::vector<double> sorted, double share) {
    std::sort(sorted.begin(), sorted.end());
    return sorted[static_cast<std::size_t>(share * static_cast<double>(sorted.size() - 1) + 0.5)];
}

using Way = std::function<void(const std::u16string&, double&)>;
using ScriptUrl = std::function<std::u16string(int)>;

Figures figuresOf(const std::vector<double>& millis) {
    const std::vector<double> later(millis.begin() + 1, millis.end());
    return {millis[0], percentile(later, 0.5), percentile(later, 0.1), percentile(later, 0.9)};
}

// Call by call in turns, so that a change in the machine's load falls on both.
std::pair<Figures, Figures> timeInTurns(int calls, const ScriptUrl& nativesUrl, const ScriptUrl& directUrl) {
    std::vector<double> natives(static_cast<std::size_t>(calls)), plain(static_cast<std::size_t>(calls));
    for (int i = 0; i < calls; ++i) {
        throughNatives(nativesUrl(i), natives[static_cast<std::size_t>(i)]);
        direct(directUrl(i), plain[static_cast<std::size_t>(i)]);
    }
    return {figuresOf(natives), figuresOf(plain)};
}

void print(const char* name, const Figures& figures) {
    std::printf("%-31s first %8.3f  median %8.3f  p10 %8.3f  p90 %8.3f ms\n", name, figures.first, figures.median,
                figures.low, figures.high);
}

}  // namespace

int main(int argc, char** argv) {
    const int calls = argc > 1 ? std::atoi(argv[1]) : 200;
    if (calls < 2) fail("at least two calls");
    ScriptServer server;
    // Every path the script URLs use, so that a fresh URL still finds the script.
    for (int i = 0; i < 2 * calls; ++i) server.serve("/fresh-" + std::to_string(i) + ".pac", kScript);
    server.serve("/natives.pac", kScript);
    server.serve("/direct.pac", kScript);
    const auto same = [&](const char* path) { return [&server, path](int) { return server.url(path); }; };
    const auto fresh = [&](int offset) {
        return [&server, offset](int i) { return server.url("/fresh-" + std::to_string(offset + i) + ".pac"); };
    };
    std::printf("getAutoProxyConfig0 against a script on 127.0.0.1, %d calls each\n", calls);
    const auto [nativesSame, directSame] = timeInTurns(calls, same("/natives.pac"), same("/direct.pac"));
    const auto [nativesFresh, directFresh] = timeInTurns(calls, fresh(0), fresh(calls));
    print("natives, one script URL", nativesSame);
    print("direct, one script URL", directSame);
    print("natives, a new script URL each", nativesFresh);
    print("direct, a new script URL each", directFresh);
    std::printf("natives/direct of the medians: %.2f (one URL), %.2f (new URLs)\n",
                nativesSame.median / directSame.median, nativesFresh.median / directFresh.median);
    return 0;
}
