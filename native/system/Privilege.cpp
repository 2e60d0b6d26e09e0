#include "native/system/Privilege.h"

#include "common/win/Handles.h"

namespace tavik::native {

bool enablePrivilege(const wchar_t* name, bool enable) noexcept {
    UniqueHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put())) return false;
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    if (!::LookupPrivilegeValueW(nullptr, name, &privileges.Privileges[0].Luid)) return false;
    privileges.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
    ::AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr);
    // The call succeeds with ERROR_NOT_ALL_ASSIGNED for a privilege the token lacks.
    return ::GetLastError() == ERROR_SUCCESS;
}

}  // namespace tavik::native
