#include "common/win/Services.h"

#include "common/win/LastError.h"

namespace tavik::scm {

Result<UniqueServiceHandle> openManager(DWORD access) {
    UniqueServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, access));
    if (!manager) return lastError("OpenSCManagerA");
    return manager;
}

Result<UniqueServiceHandle> openService(SC_HANDLE manager, const wchar_t* name, DWORD access) {
    UniqueServiceHandle service(::OpenServiceW(manager, name, access));
    if (!service) return lastError("OpenServiceW");
    return service;
}

}  // namespace tavik::scm
