#pragma once
// The calling thread's token (its impersonation token, else the process's)
// and what it says about the user: SID, group membership, elevation.
#include <windows.h>

#include <optional>
#include <string>

namespace tavik::native::accounts {

// The user's SID as text; nullopt on any failure.
std::optional<std::wstring> currentUserSid() noexcept;

// Whether the token holds S-1-5-32-<rid> enabled and not deny-only. When
// the token cannot be asked, membership is presumed; a failed read of its
// groups denies it.
bool isMemberOfBuiltinGroup(DWORD rid) noexcept;

// The process token's elevation type (1 default, 2 full, 3 limited); 0 on failure.
int elevationType() noexcept;

}  // namespace tavik::native::accounts
