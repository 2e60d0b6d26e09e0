#pragma once
// Opening a service for one native: the manager of the local machine's active
// database first, then the service by name, each with the access that native
// asks for. Both handles close when the value goes.
#include <windows.h>

#include "common/win/Handles.h"
#include "native/services/ServiceRules.h"

namespace tavik::native::services {

struct OpenedService {
    // kManagerUnavailable, or the code opening the service failed with.
    Status status = kSuccess;
    UniqueServiceHandle manager;
    UniqueServiceHandle service;  // declared last: closed before its manager

    explicit operator bool() const { return status == kSuccess; }
};

OpenedService openService(const wchar_t* name, DWORD managerAccess, DWORD serviceAccess);

// The calling thread's last error as a status; take it right after the call.
inline Status lastStatus() { return static_cast<Status>(::GetLastError()); }

}  // namespace tavik::native::services
