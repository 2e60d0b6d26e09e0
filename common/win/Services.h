#pragma once
// The service control manager of the local machine and its services.
#include <windows.h>

#include "common/Result.h"
#include "common/win/Handles.h"

namespace tavik::scm {

// Its active database.
Result<UniqueServiceHandle> openManager(DWORD access);
Result<UniqueServiceHandle> openService(SC_HANDLE manager, const wchar_t* name, DWORD access);

}  // namespace tavik::scm
