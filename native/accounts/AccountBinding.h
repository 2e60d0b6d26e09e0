#pragma once
// The optional functions of the account natives, looked up at each call:
// advapi32's only when the process has it loaded already, netapi32's after
// loading it if need be. Owners for what those functions hand out.
#include <windows.h>
#include <lm.h>
#include <ntsecapi.h>

#include "common/UniqueResource.h"
#include "common/win/SystemLibrary.h"

namespace tavik::native::accounts {

// Null when the process has not loaded it.
HMODULE advapi32() noexcept;
// Loaded (and kept) when the process had not loaded it; null when missing.
HMODULE netapi32() noexcept;

using ConvertStringSidToSidFn = BOOL(WINAPI*)(LPCWSTR, PSID*);
using ConvertSidToStringSidFn = BOOL(WINAPI*)(PSID, LPWSTR*);
using AllocateAndInitializeSidFn = BOOL(WINAPI*)(PSID_IDENTIFIER_AUTHORITY, BYTE, DWORD, DWORD, DWORD, DWORD, DWORD,
                                                 DWORD, DWORD, DWORD, PSID*);
using EqualSidFn = BOOL(WINAPI*)(PSID, PSID);
using GetTokenInformationFn = BOOL(WINAPI*)(HANDLE, TOKEN_INFORMATION_CLASS, LPVOID, DWORD, PDWORD);
using OpenProcessTokenFn = BOOL(WINAPI*)(HANDLE, DWORD, PHANDLE);
using OpenThreadTokenFn = BOOL(WINAPI*)(HANDLE, DWORD, BOOL, PHANDLE);
using LogonUserFn = BOOL(WINAPI*)(LPCWSTR, LPCWSTR, LPCWSTR, DWORD, DWORD, PHANDLE);
using LsaOpenPolicyFn = NTSTATUS(NTAPI*)(PLSA_UNICODE_STRING, PLSA_OBJECT_ATTRIBUTES, ACCESS_MASK, PLSA_HANDLE);
using LsaAddAccountRightsFn = NTSTATUS(NTAPI*)(LSA_HANDLE, PSID, PLSA_UNICODE_STRING, ULONG);
using LsaRemoveAccountRightsFn = NTSTATUS(NTAPI*)(LSA_HANDLE, PSID, BOOLEAN, PLSA_UNICODE_STRING, ULONG);
using LsaCloseFn = NTSTATUS(NTAPI*)(LSA_HANDLE);
using NetApiBufferFreeFn = NET_API_STATUS(NET_API_FUNCTION*)(LPVOID);

// What LocalFree releases: converted SIDs and strings, security descriptors, ACLs.
struct LocalTraits {
    using Handle = void*;
    static void* invalid() noexcept { return nullptr; }
    static bool isValid(void* memory) noexcept { return memory != nullptr; }
    static void close(void* memory) noexcept { ::LocalFree(memory); }
};
using LocalMemory = UniqueResource<LocalTraits>;

// A SID from AllocateAndInitializeSid.
struct AllocatedSidTraits {
    using Handle = PSID;
    static PSID invalid() noexcept { return nullptr; }
    static bool isValid(PSID sid) noexcept { return sid != nullptr; }
    static void close(PSID sid) noexcept { ::FreeSid(sid); }
};
using AllocatedSid = UniqueResource<AllocatedSidTraits>;

// A buffer from a NetApi call, freed with the NetApiBufferFree the call's caller bound.
class NetBuffer {
public:
    explicit NetBuffer(NetApiBufferFreeFn free) noexcept : free_(free) {}
    ~NetBuffer() {
        if (buffer_ != nullptr) free_(buffer_);
    }
    NetBuffer(const NetBuffer&) = delete;
    NetBuffer& operator=(const NetBuffer&) = delete;

    LPBYTE* put() noexcept { return &buffer_; }
    template <class Info>
    const Info* as() const noexcept {
        return reinterpret_cast<const Info*>(buffer_);
    }

private:
    NetApiBufferFreeFn free_;
    LPBYTE buffer_ = nullptr;
};

}  // namespace tavik::native::accounts
