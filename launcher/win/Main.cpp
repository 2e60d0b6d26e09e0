// The launcher's entry: fixed initialization, then the command line decides
// what this process is.
#include <windows.h>

#include <exception>

#include "common/TextFormat.h"
#include "common/win/WideText.h"
#include "launcher/core/Log.h"
#include "launcher/win/Config.h"
#include "launcher/win/ErrorReport.h"
#include "launcher/win/LauncherState.h"
#include "launcher/win/TempDirectory.h"

namespace tavik {
namespace {

constexpr std::int32_t kServiceNameId = 101;
constexpr std::int32_t kNoJavaRuntimeMessage = 1005;

void initialize() {
    setTempDirectory({});
    // The first log call happens in here, so the log is opened here.
    readConfigBlock();
    loadFlavourByte();
}

int run() {
    state::setServiceProcess(true);
    initialize();
    state::setServiceName(configWideString(kServiceNameId));
    const std::u16string commandLine = toU16(::GetCommandLineW());
    log::logLine(u"command line %s", commandLine);
    // The command line decides the role of the process here; until the
    // stages that find and start a Java runtime exist, every role ends as
    // one without a usable runtime.
    fatalMessage(kNoJavaRuntimeMessage, std::nullopt);
}

}  // namespace
}  // namespace tavik

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Exceptions mean a bug or exhausted memory; the C runtime must not see them.
    try {
        return tavik::run();
    } catch (const std::exception& e) {
        tavik::fatalError(tavik::decodeAnsi(e.what()));
    } catch (...) {
        tavik::fatalError(u"unexpected exception");
    }
}
