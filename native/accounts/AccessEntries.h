#pragma once
// Granting an account access to a file, folder or registry key by one more
// entry in the object's access list.
#include <windows.h>

namespace tavik::native::accounts {

struct AccessGrant {
    // A file system path, or a registry key as the security functions name
    // one ("MACHINE\SOFTWARE\..."); null fails.
    const wchar_t* path = nullptr;
    bool registryKey = false;
    bool read = false;
    bool write = false;
    bool execute = false;
    bool all = false;
    int accountCode = 0;
    // SID text or account name, for the account code of a named account.
    const wchar_t* account = nullptr;
};

// The entry is inherited by sub-containers and objects. Each failing step
// prints its status to standard output; true when every step succeeded.
bool addAccessEntry(const AccessGrant& grant);

}  // namespace tavik::native::accounts
