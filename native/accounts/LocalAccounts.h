#pragma once
// Local users and groups of this machine, through netapi32.
#include <windows.h>

#include <optional>
#include <string>

namespace tavik::native::accounts {

struct NewUser {
    const wchar_t* name = nullptr;
    const wchar_t* password = nullptr;
    const wchar_t* comment = nullptr;
    // No group is joined when null.
    const wchar_t* group = nullptr;
    const wchar_t* groupComment = nullptr;
    bool createGroup = false;
    bool failIfGroupExists = false;
};

// addUser0's result string; nullopt when a function it needs is missing.
std::optional<std::u16string> addUser(const NewUser& user);

// The NetApi status; -1 when the function is missing.
int deleteUser(const wchar_t* server, const wchar_t* name) noexcept;
int deleteLocalGroup(const wchar_t* server, const wchar_t* name) noexcept;

}  // namespace tavik::native::accounts
