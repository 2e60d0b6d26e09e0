// The proxy natives' test program. Started with "--child without-winhttp" it
// is a child in which Wine was told to load no WinHTTP: it reports whether
// the library is there for itself and what the natives answer.
#include <cstdio>
#include <string>
#include <vector>

#include "common/win/SystemLibrary.h"
#include "tests/native/ProxyNativesApi.h"
#include "tests/win/TestSupport.h"

namespace {

using tavik::test::proxy::Elements;

int reportWithoutWinHttp() {
    tavik::test::proxy::JavaSide java;
    const Elements before{u"as passed", u"as passed", u"as passed", u"as passed"};
    const jobjectArray elements = java.array(before);
    std::printf("winhttp=%s\n", tavik::systemLibrary(L"winhttp.dll") != nullptr ? "loads" : "absent");
    std::printf("loadFunctions0=%d\n", java.loadFunctions() ? 1 : 0);
    std::printf("getIEConfig0=%d\n", static_cast<int>(java.ieConfig(elements)));
    std::printf("getDefaultConfig0=%d\n", static_cast<int>(java.defaultConfig(elements)));
    std::printf("getAutoProxyConfig0=%lld\n", static_cast<long long>(java.autoProxy(
                                                  elements, u"http://example.test/", u"http://127.0.0.1:1/p.pac", 2, 0)));
    std::printf("untouched=%d\n", java.contents(elements) == before ? 1 : 0);
    return 0;
}

int runScenario(const std::u16string& name, const std::vector<std::u16string>&) {
    if (name == u"without-winhttp") return reportWithoutWinHttp();
    return 2;
}

}  // namespace

int main(int argc, char** argv) { return tavik::test::runTestsOrChild(argc, argv, runScenario); }
