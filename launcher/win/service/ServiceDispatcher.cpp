#include "launcher/win/service/ServiceDispatcher.h"

#include <windows.h>

#include <string>

#include "common/win/LastError.h"
#include "common/win/WideText.h"
#include "launcher/core/Log.h"
#include "launcher/win/service/ServiceMain.h"
#include "launcher/win/startup/LauncherState.h"

namespace tavik::service {

void runServiceDispatcher() {
    std::wstring name = toWide(state::serviceName());
    SERVICE_TABLE_ENTRYW table[] = {{name.data(), serviceMain}, {nullptr, nullptr}};
    log::logLine(u"calling StartServiceCtrlDispatcher");
    if (!::StartServiceCtrlDispatcherW(table)) {
        log::logLine(u"StartServiceCtrlDispatcher failed with error %d", lastError("StartServiceCtrlDispatcherW"));
    }
    awaitServiceMainEnd();
    log::logLine(u"StartServiceCtrlDispatcher returned");
}

}  // namespace tavik::service
