#include "native/accounts/CurrentToken.h"

#include <memory>

#include "common/win/Handles.h"
#include "native/accounts/AccountBinding.h"
#include "native/accounts/AccountRules.h"

namespace tavik::native::accounts {
namespace {

// Looked up together: the token natives need all five.
struct TokenFunctions {
    AllocateAndInitializeSidFn allocateAndInitializeSid = nullptr;
    EqualSidFn equalSid = nullptr;
    GetTokenInformationFn getTokenInformation = nullptr;
    OpenProcessTokenFn openProcessToken = nullptr;
    OpenThreadTokenFn openThreadToken = nullptr;

    bool complete() const {
        return allocateAndInitializeSid != nullptr && equalSid != nullptr && getTokenInformation != nullptr &&
               openProcessToken != nullptr && openThreadToken != nullptr;
    }
};

TokenFunctions tokenFunctions() noexcept {
    const HMODULE advapi = advapi32();
    return {findFunction<AllocateAndInitializeSidFn>(advapi, "AllocateAndInitializeSid"),
            findFunction<EqualSidFn>(advapi, "EqualSid"),
            findFunction<GetTokenInformationFn>(advapi, "GetTokenInformation"),
            findFunction<OpenProcessTokenFn>(advapi, "OpenProcessToken"),
            findFunction<OpenThreadTokenFn>(advapi, "OpenThreadToken")};
}

UniqueHandle openCurrentToken(const TokenFunctions& functions) noexcept {
    UniqueHandle token;
    if (functions.openThreadToken(::GetCurrentThread(), TOKEN_QUERY, TRUE, token.put())) return token;
    functions.openProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put());
    return token;
}

// The size a token information class needs; nullopt when asking failed
// otherwise than for the want of a buffer.
std::optional<DWORD> informationSize(const TokenFunctions& functions, HANDLE token,
                                     TOKEN_INFORMATION_CLASS kind) noexcept {
    DWORD size = 0;
    if (functions.getTokenInformation(token, kind, nullptr, 0, &size)) return size;
    if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) return std::nullopt;
    return size;
}

// Aligned for the structures read from it.
using InformationBuffer = std::unique_ptr<ULONG_PTR[]>;

InformationBuffer readInformation(const TokenFunctions& functions, HANDLE token, TOKEN_INFORMATION_CLASS kind,
                                  DWORD size) {
    InformationBuffer buffer(new ULONG_PTR[size / sizeof(ULONG_PTR) + 1]);
    if (!functions.getTokenInformation(token, kind, buffer.get(), size, &size)) return nullptr;
    return buffer;
}

}  // namespace

std::optional<std::wstring> currentUserSid() noexcept {
    try {
        const TokenFunctions functions = tokenFunctions();
        const auto convert = findFunction<ConvertSidToStringSidFn>(advapi32(), "ConvertSidToStringSidW");
        if (!functions.complete() || convert == nullptr) return std::nullopt;
        const UniqueHandle token = openCurrentToken(functions);
        if (!token) return std::nullopt;
        const std::optional<DWORD> size = informationSize(functions, token.get(), TokenUser);
        if (!size) return std::nullopt;
        const InformationBuffer user = readInformation(functions, token.get(), TokenUser, *size);
        if (!user) return std::nullopt;
        LocalMemory text;
        if (!convert(reinterpret_cast<const TOKEN_USER*>(user.get())->User.Sid,
                     reinterpret_cast<LPWSTR*>(text.put())))
            return std::nullopt;
        return std::wstring(static_cast<const wchar_t*>(text.get()));
    } catch (...) {
        return std::nullopt;
    }
}

bool isMemberOfBuiltinGroup(DWORD rid) noexcept {
    try {
        const TokenFunctions functions = tokenFunctions();
        if (!functions.complete()) return true;
        SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
        AllocatedSid group;
        if (!functions.allocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, rid, 0, 0, 0, 0, 0, 0,
                                                group.put()))
            return true;
        const UniqueHandle token = openCurrentToken(functions);
        if (!token) return true;
        const std::optional<DWORD> size = informationSize(functions, token.get(), TokenGroups);
        if (!size) return true;
        const InformationBuffer buffer = readInformation(functions, token.get(), TokenGroups, *size);
        if (!buffer) return false;
        const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.get());
        for (DWORD i = 0; i < groups->GroupCount; ++i) {
            const SID_AND_ATTRIBUTES& entry = groups->Groups[i];
            if (functions.equalSid(entry.Sid, group.get()) && grantsMembership(entry.Attributes)) return true;
        }
        return false;
    } catch (...) {
        return false;
    }
}

int elevationType() noexcept {
    const HMODULE advapi = advapi32();
    const auto openProcessToken = findFunction<OpenProcessTokenFn>(advapi, "OpenProcessToken");
    const auto getTokenInformation = findFunction<GetTokenInformationFn>(advapi, "GetTokenInformation");
    if (openProcessToken == nullptr || getTokenInformation == nullptr) return 0;
    UniqueHandle token;
    if (!openProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put())) return 0;
    DWORD type = 0;
    DWORD size = sizeof type;
    if (!getTokenInformation(token.get(), TokenElevationType, &type, sizeof type, &size)) return 0;
    return static_cast<int>(type);
}

}  // namespace tavik::native::accounts
