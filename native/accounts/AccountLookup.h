#pragma once
// Accounts by SID and by name: the SID an account text stands for, the name
// a SID stands for, and the profile directory of the user a SID names.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "native/accounts/AccountBinding.h"

namespace tavik::native::accounts {

// The SID of an account given as SID text, else as a name of the local
// machine; it lives as long as this value.
class AccountSid {
public:
    static std::optional<AccountSid> resolve(const wchar_t* account);

    PSID get() const;

private:
    AccountSid() = default;

    LocalMemory converted_;
    std::vector<BYTE> lookedUp_;
};

// getAccountName0's answer: the account's name, an error text (a blank and
// the code), or empty when advapi32 or its SID conversion is missing.
std::u16string accountNameOf(const wchar_t* sid, bool nameOnly);

// getUserProfileDirectory0's answer: the directory or its error text.
std::u16string profileDirectoryOf(const wchar_t* sid, const wchar_t* password);

}  // namespace tavik::native::accounts
