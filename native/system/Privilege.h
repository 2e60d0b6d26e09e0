#pragma once
// Privileges of this process's token, as the natives that need one switch it on.
#include <windows.h>

namespace tavik::native {

// True only when the token now holds the privilege in the state asked for: a
// privilege the account lacks is a failure, not a silent no-op.
bool enablePrivilege(const wchar_t* name, bool enable) noexcept;

}  // namespace tavik::native
