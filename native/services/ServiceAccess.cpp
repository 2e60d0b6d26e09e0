#include "native/services/ServiceAccess.h"

#include "common/win/Services.h"

namespace tavik::native::services {

OpenedService openService(const wchar_t* name, DWORD managerAccess, DWORD serviceAccess) {
    OpenedService opened;
    Result<UniqueServiceHandle> manager = scm::openManager(managerAccess);
    if (!manager) {
        opened.status = kManagerUnavailable;
        return opened;
    }
    Result<UniqueServiceHandle> service = scm::openService(manager->get(), name, serviceAccess);
    if (!service) {
        opened.status = static_cast<Status>(service.error().code);
        return opened;
    }
    opened.manager = std::move(*manager);
    opened.service = std::move(*service);
    return opened;
}

}  // namespace tavik::native::services
