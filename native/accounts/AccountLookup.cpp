#include "native/accounts/AccountLookup.h"

#include <string_view>

#include "common/win/Handles.h"
#include "common/win/WideText.h"
#include "native/accounts/AccountRules.h"

namespace tavik::native::accounts {
namespace {

using GetUserProfileDirectoryFn = BOOL(WINAPI*)(HANDLE, LPWSTR, LPDWORD);

constexpr DWORD kNameUnits = 8192;
constexpr DWORD kSidBytes = 8192;

SidText sidText(const wchar_t* sid) {
    if (sid == nullptr) return std::nullopt;
    return std::u16string_view(reinterpret_cast<const char16_t*>(sid));
}

// Null, with the error code, when the text is no SID or there is no converter.
LocalMemory convertedSid(ConvertStringSidToSidFn convert, const wchar_t* sid, DWORD& error) {
    LocalMemory converted;
    if (convert != nullptr && !convert(sid, reinterpret_cast<PSID*>(converted.put()))) error = ::GetLastError();
    return converted;
}

struct Account {
    std::wstring name;
    std::wstring domain;
};

std::optional<Account> lookUpSid(PSID sid, DWORD& error) {
    std::wstring name(kNameUnits, L'\0');
    std::wstring domain(kNameUnits, L'\0');
    DWORD nameUnits = kNameUnits;
    DWORD domainUnits = kNameUnits;
    SID_NAME_USE use{};
    if (!::LookupAccountSidW(nullptr, sid, name.data(), &nameUnits, domain.data(), &domainUnits, &use)) {
        error = ::GetLastError();
        return std::nullopt;
    }
    name.resize(nameUnits);
    domain.resize(domainUnits);
    return Account{std::move(name), std::move(domain)};
}

std::u16string profileFailure(ProfileFailure failure) {
    return profileFailureText(failure, ::GetLastError());
}

// From the SID on, once the library and the functions are there.
std::u16string profileDirectoryWith(ConvertStringSidToSidFn convert, LogonUserFn logonUser,
                                    GetUserProfileDirectoryFn getProfileDirectory, const wchar_t* sid,
                                    const wchar_t* password) {
    DWORD error = 0;
    const LocalMemory binary = convertedSid(convert, sid, error);
    if (!binary) return profileFailureText(ProfileFailure::SidNotConverted, error);
    const std::optional<Account> account = lookUpSid(binary.get(), error);
    if (!account) return profileFailureText(ProfileFailure::AccountNotFound, error);
    const std::wstring domain = toWide(logonDomain(sidText(sid), toU16(account->domain)));
    UniqueHandle token;
    if (!logonUser(account->name.c_str(), domain.c_str(), password, LOGON32_LOGON_NETWORK, LOGON32_PROVIDER_DEFAULT,
                   token.put()))
        return profileFailure(ProfileFailure::NoToken);
    std::wstring directory(kNameUnits, L'\0');
    DWORD units = kNameUnits;
    if (!getProfileDirectory(token.get(), directory.data(), &units))
        return profileFailure(ProfileFailure::NoProfileDirectory);
    directory.resize(std::wcslen(directory.c_str()));
    return toU16(directory);
}

}  // namespace

std::optional<AccountSid> AccountSid::resolve(const wchar_t* account) {
    AccountSid sid;
    DWORD ignored = 0;
    sid.converted_ =
        convertedSid(findFunction<ConvertStringSidToSidFn>(advapi32(), "ConvertStringSidToSidW"), account, ignored);
    if (sid.converted_) return sid;
    sid.lookedUp_.assign(kSidBytes, 0);
    std::wstring domain(kNameUnits, L'\0');
    DWORD sidBytes = kSidBytes;
    DWORD domainUnits = kNameUnits;
    SID_NAME_USE use{};
    if (!::LookupAccountNameW(nullptr, account, sid.lookedUp_.data(), &sidBytes, domain.data(), &domainUnits, &use))
        return std::nullopt;
    return sid;
}

PSID AccountSid::get() const {
    return converted_ ? converted_.get() : const_cast<BYTE*>(lookedUp_.data());
}

std::u16string accountNameOf(const wchar_t* sid, bool nameOnly) {
    const HMODULE advapi = advapi32();
    if (advapi == nullptr) return {};
    if (const auto service = serviceAccountName(sidText(sid))) return std::u16string(*service);
    const auto convert = findFunction<ConvertStringSidToSidFn>(advapi, "ConvertStringSidToSidW");
    if (convert == nullptr) return {};
    DWORD error = 0;
    const LocalMemory binary = convertedSid(convert, sid, error);
    if (!binary) return errorText(error);
    const std::optional<Account> account = lookUpSid(binary.get(), error);
    if (!account) return errorText(error);
    return accountName(sidText(sid), toU16(account->domain), toU16(account->name), nameOnly);
}

std::u16string profileDirectoryOf(const wchar_t* sid, const wchar_t* password) {
    // Freed again on every way out, unlike the libraries whose functions are kept.
    const UniqueLibrary userenv(systemLibrary(L"Userenv.dll"));
    const HMODULE advapi = advapi32();
    if (!userenv || advapi == nullptr) return profileFailure(ProfileFailure::LibraryMissing);
    if (serviceAccountName(sidText(sid))) return profileFailureText(ProfileFailure::NoUserAccount, 0);
    const auto convert = findFunction<ConvertStringSidToSidFn>(advapi, "ConvertStringSidToSidW");
    const auto logonUser = findFunction<LogonUserFn>(advapi, "LogonUserW");
    const auto getProfileDirectory =
        findFunction<GetUserProfileDirectoryFn>(userenv.get(), "GetUserProfileDirectoryW");
    if (convert == nullptr || logonUser == nullptr || getProfileDirectory == nullptr)
        return profileFailure(ProfileFailure::FunctionsMissing);
    return profileDirectoryWith(convert, logonUser, getProfileDirectory, sid, password);
}

}  // namespace tavik::native::accounts
