// The communication natives' test program. Started with "--child <scenario>"
// it is a child process: one whose standard output the tests read (the
// pipe module's messages), or one whose life they watch.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/win/WideText.h"
#include "native/comm/NamedPipe.h"
#include "tests/native/CommTestSupport.h"
#include "tests/win/TestSupport.h"

namespace {

namespace comm = tavik::native::comm;

// Short pauses: the retries run out in well under a second.
constexpr comm::ListenerRetry kQuickListenerRetry{3, 10};
constexpr comm::ClientRetry kQuickClientRetry{3, 10, 10, 10};

int runScenario(const std::u16string& name, const std::vector<std::u16string>& arguments) {
    if (name == u"listener-gives-up") {
        // An event is no pipe: every attempt fails the same way.
        const tavik::UniqueHandle notAPipe(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
        const bool connected = comm::connectListener(notAPipe.get(), kQuickListenerRetry);
        std::printf("connected=%d\n", connected ? 1 : 0);
        return 0;
    }
    if (name == u"client-gives-up" && arguments.size() == 1) {
        const tavik::UniqueHandle client = comm::connectClient(tavik::toWide(arguments[0]).c_str(), kQuickClientRetry);
        std::printf("opened=%d\n", client ? 1 : 0);
        return 0;
    }
    if (name == u"echo-reversed" && arguments.size() == 1)
        return tavik::test::comm::echoReversedBlocks(tavik::toWide(arguments[0]));
    if (name == u"linger") {
        ::Sleep(60000);
        return 0;
    }
    if (name == u"exit") return 3;
    return 2;
}

}  // namespace

int main(int argc, char** argv) { return tavik::test::runTestsOrChild(argc, argv, runScenario); }
