#include "launcher/win/service/ServiceDispatcher.h"

#include <windows.h>

#include <string>

#include "common/win/LastError.h"
#include "common/win/WideText.h"
#include "launcher/core/Log.h"
#include "launcher/win/service/ServiceMain.h"

namespace tavik::service {

void runServiceDispatcher(const std::u16string& name) {
    std::wstring wideName = toWide(name);
    SERVICE_TABLE_ENTRYW table[] = {{wideName.data(), serviceMain}, {nullptr, nullptr}};
    log::logLine(u"calling StartServiceCtrlDispatcher");
    if (!::StartServiceCtrlDispatcherW(table)) {
        log::logLine(u"StartServiceCtrlDispatcher failed with error %d", lastError("StartServiceCtrlDispatcherW"));
    }
    awaitServiceMainEnd();
    log::logLine(u"StartServiceCtrlDispatcher returned");
}

}  // namespace tavik::service
