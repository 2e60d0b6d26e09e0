#include "native/accounts/AccessEntries.h"

#include <aclapi.h>

#include <cstdio>
#include <optional>

#include "native/accounts/AccountBinding.h"
#include "native/accounts/AccountLookup.h"
#include "native/accounts/AccountRules.h"

namespace tavik::native::accounts {
namespace {

// The trustee's SID, whichever way it was made.
struct TrusteeSid {
    std::optional<AccountSid> named;
    AllocatedSid wellKnown;

    PSID get() const { return named ? named->get() : wellKnown.get(); }
};

std::optional<TrusteeSid> trusteeSid(int accountCode, const wchar_t* account) {
    const Trustee trustee = trusteeOf(accountCode);
    TrusteeSid sid;
    if (trustee == Trustee::NamedAccount) {
        if (advapi32() == nullptr) return std::nullopt;
        sid.named = AccountSid::resolve(account);
        if (!sid.named) return std::nullopt;
        return sid;
    }
    const auto allocate = findFunction<AllocateAndInitializeSidFn>(advapi32(), "AllocateAndInitializeSid");
    if (allocate == nullptr) return std::nullopt;
    const WellKnownSid known = wellKnownSid(trustee);
    SID_IDENTIFIER_AUTHORITY authority{{0, 0, 0, 0, 0, known.authority}};
    if (!allocate(&authority, 1, known.subAuthority, 0, 0, 0, 0, 0, 0, 0, sid.wellKnown.put())) return std::nullopt;
    return sid;
}

void report(const char* format, DWORD status, const wchar_t* path = nullptr) {
    std::printf(format, static_cast<unsigned>(status), path);
    std::fflush(stdout);
}

}  // namespace

bool addAccessEntry(const AccessGrant& grant) {
    const std::optional<TrusteeSid> sid = trusteeSid(grant.accountCode, grant.account);
    if (!sid) return false;
    const SE_OBJECT_TYPE type = grant.registryKey ? SE_REGISTRY_KEY : SE_FILE_OBJECT;

    PACL currentAcl = nullptr;
    LocalMemory descriptor;
    DWORD status = ::GetNamedSecurityInfoW(grant.path, type, DACL_SECURITY_INFORMATION, nullptr, nullptr, &currentAcl,
                                           nullptr, descriptor.put());
    if (status != ERROR_SUCCESS) {
        report("GetNamedSecurityInfo Error %u %ls\n", status, grant.path != nullptr ? grant.path : L"(null)");
        return false;
    }

    EXPLICIT_ACCESSW entry{};
    entry.grfAccessPermissions = accessMask(grant.read, grant.write, grant.execute, grant.all);
    entry.grfAccessMode = GRANT_ACCESS;
    entry.grfInheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
    entry.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    entry.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    entry.Trustee.ptstrName = static_cast<LPWSTR>(sid->get());
    LocalMemory newAcl;
    status = ::SetEntriesInAclW(1, &entry, currentAcl, reinterpret_cast<PACL*>(newAcl.put()));
    if (status != ERROR_SUCCESS) {
        report("SetEntriesInAcl Error %u\n", status);
        return false;
    }

    status = ::SetNamedSecurityInfoW(const_cast<LPWSTR>(grant.path), type, DACL_SECURITY_INFORMATION, nullptr,
                                     nullptr, static_cast<PACL>(newAcl.get()), nullptr);
    if (status != ERROR_SUCCESS) {
        report("SetNamedSecurityInfo Error %u\n", status);
        return false;
    }
    return true;
}

}  // namespace tavik::native::accounts
