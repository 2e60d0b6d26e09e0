#pragma once
// Creating services and reading and changing their configuration. Null
// strings reach the service manager as null: "none", or "keep" where a
// change takes it so.
#include <windows.h>

#include <cstdint>
#include <string>

#include "native/services/ServiceRules.h"

namespace tavik::native::services {

// An own-process service started on demand, running as the local system
// account.
Status installService(const wchar_t* name, const wchar_t* displayName, const wchar_t* binaryPath);

struct ConfigChange {
    const wchar_t* displayName = nullptr;
    const wchar_t* binaryPath = nullptr;
    DWORD serviceType = SERVICE_NO_CHANGE;
    DWORD startType = SERVICE_NO_CHANGE;
    const wchar_t* dependencies = nullptr;  // comma-separated; null or empty removes them all
    const wchar_t* account = nullptr;
    const wchar_t* password = nullptr;
    const wchar_t* description = nullptr;  // set only when the change succeeded
};

// ERROR_INSUFFICIENT_BUFFER, with nothing changed, for a dependency list
// longer than its buffer.
Status changeServiceConfig(const wchar_t* name, const ConfigChange& change);

// ERROR_INVALID_FUNCTION when the system lacks ChangeServiceConfig2W.
Status setRestartConfig(const wchar_t* name, bool restart, DWORD delayMillis, std::int32_t restarts,
                        DWORD resetPeriodSeconds);
Status setDelayedAutoStart(const wchar_t* name, bool delayed);

// Minus the start type, or the failure's status.
Status startType(const wchar_t* name);

// The binary path (command line), or statusText of the failure.
std::wstring serviceBinary(const wchar_t* name);

}  // namespace tavik::native::services
