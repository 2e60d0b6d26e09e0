#pragma once
// LSA account rights of the local system.
#include <windows.h>

namespace tavik::native::accounts {

// Grants the right, or revokes it; a null right revokes every right of the
// account. The account is SID text or a name. False on any failure.
bool setAccountRight(const wchar_t* account, const wchar_t* right, bool add);

}  // namespace tavik::native::accounts
