#include "launcher/win/ServiceDispatcher.h"

#include <windows.h>

#include <string>

#include "common/win/WideText.h"
#include "launcher/core/Log.h"
#include "launcher/win/LauncherState.h"

namespace tavik::service {
namespace {

// This build has no service host: the service main reports no status, so
// the manager never sees the service running.
void WINAPI serviceMain(DWORD, LPWSTR*) {
    try {
        log::logError(u"service host is not available in this build");
    } catch (...) {
        // Out of memory while logging: nothing else to do here.
    }
}

}  // namespace

void runServiceDispatcher() {
    std::wstring name = toWide(state::serviceName());
    SERVICE_TABLE_ENTRYW table[] = {{name.data(), serviceMain}, {nullptr, nullptr}};
    log::logLine(u"calling StartServiceCtrlDispatcher");
    if (!::StartServiceCtrlDispatcherW(table)) {
        log::logLine(u"StartServiceCtrlDispatcher failed with error %d", ::GetLastError());
    }
    log::logLine(u"StartServiceCtrlDispatcher returned");
}

}  // namespace tavik::service
