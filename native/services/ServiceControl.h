#pragma once
// Starting, stopping, querying and removing services.
#include <windows.h>

#include <vector>

#include "native/services/ServiceRules.h"

namespace tavik::native::services {

// Does not wait for the service to run. A null argument is refused with
// ERROR_INVALID_PARAMETER before the service manager sees it.
Status startService(const wchar_t* name, std::vector<const wchar_t*> arguments);

// Asks for the stop, then polls every 500 ms until the service has stopped
// (kSuccess), the wait gives up (kStopTimedOut) or a query fails
// (kStopQueryFailed). The time-out counts as unsigned: -1 waits for as long
// as the service needs.
Status stopService(const wchar_t* name, DWORD timeoutMillis);

Status uninstallService(const wchar_t* name);

// Minus the current state, or the failure's status.
Status queryStatus(const wchar_t* name);

}  // namespace tavik::native::services
