#pragma once
// Support for the account natives' tests: what the system keeps about
// tokens, accounts and access lists, read with the raw Win32 calls and never
// through the code under test; names no other test run uses; and clean-up of
// the users and groups a test makes.
#include <windows.h>
#include <accctrl.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavik::test::accounts {

// The SID of a token as S-1-... text; the process token when `token` is null.
std::wstring tokenUserSid(HANDLE token = nullptr);
// The attributes the token holds S-1-5-32-<rid> with; nullopt when it lacks the group.
std::optional<DWORD> builtinGroupAttributes(DWORD rid, HANDLE token = nullptr);
std::optional<DWORD> processElevationType();

// While alive, the calling thread impersonates a copy of the process token
// in which the administrators group is deny-only.
class DenyOnlyAdministrators {
public:
    DenyOnlyAdministrators();
    ~DenyOnlyAdministrators();
    DenyOnlyAdministrators(const DenyOnlyAdministrators&) = delete;
    DenyOnlyAdministrators& operator=(const DenyOnlyAdministrators&) = delete;

    HANDLE token() const { return token_; }

private:
    HANDLE token_ = nullptr;
};

struct Account {
    std::wstring domain;
    std::wstring name;
};
std::optional<Account> lookUpSid(const wchar_t* sid);
std::optional<std::wstring> sidOfName(const wchar_t* name);
std::wstring computerName();
std::wstring userName();
// GetUserProfileDirectoryW for the process token.
std::optional<std::wstring> ownProfileDirectory();
bool moduleLoaded(const wchar_t* name);

// A user or group name of at most 20 characters that no other test or test run uses.
std::wstring uniqueAccountName(wchar_t kind);

// NetApi statuses, straight from netapi32. `parameterIndex` starts at 0.
struct AddStatus {
    DWORD status = 0;
    DWORD parameterIndex = 0;
};
AddStatus rawAddUser(const std::wstring& name, const wchar_t* password = L"Tvk-pw-7319!");
DWORD rawUserInfo(const std::wstring& name, DWORD level, std::wstring* sid = nullptr);
DWORD rawDeleteUser(const wchar_t* server, const std::wstring& name);
DWORD rawAddGroup(const std::wstring& name);
DWORD rawGroupInfo(const std::wstring& name);

// Deletes the users and groups named to it, as often as the system holds them.
class AccountCleanup {
public:
    AccountCleanup() = default;
    ~AccountCleanup();
    AccountCleanup(const AccountCleanup&) = delete;
    AccountCleanup& operator=(const AccountCleanup&) = delete;

    const std::wstring& user(std::wstring name);
    const std::wstring& group(std::wstring name);

private:
    std::vector<std::wstring> users_, groups_;
};

// One entry of an object's access list.
struct AccessEntry {
    BYTE type = 0;
    BYTE flags = 0;
    ACCESS_MASK mask = 0;
    std::wstring sid;
};
// Nullopt when the object's DACL cannot be read.
std::optional<std::vector<AccessEntry>> accessEntries(const std::wstring& path, SE_OBJECT_TYPE type);
DWORD rawSecurityStatus(const wchar_t* path, SE_OBJECT_TYPE type);

// Generic rights mapped to the object kind's specific ones.
ACCESS_MASK mappedFileRights(ACCESS_MASK mask);
ACCESS_MASK mappedKeyRights(ACCESS_MASK mask);

// An allowed entry for the SID that sub-containers and objects inherit and
// whose rights, once mapped, cover `wanted`.
bool grantsInherited(const std::vector<AccessEntry>& entries, const std::wstring& sid, ACCESS_MASK wanted,
                     ACCESS_MASK (*map)(ACCESS_MASK));

}  // namespace tavik::test::accounts
