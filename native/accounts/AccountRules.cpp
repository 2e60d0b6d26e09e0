#include "native/accounts/AccountRules.h"

#include <limits>

namespace tavik::native::accounts {
namespace {

constexpr std::u16string_view kBuiltinDomainPrefix = u"S-1-5-32-";

std::u16string decimal(std::uint64_t value) {
    std::u16string digits;
    do {
        digits.insert(digits.begin(), static_cast<char16_t>(u'0' + value % 10));
        value /= 10;
    } while (value != 0);
    return digits;
}

std::u16string signedDecimal(std::int64_t value) {
    if (value >= 0) return decimal(static_cast<std::uint64_t>(value));
    return u"-" + decimal(static_cast<std::uint64_t>(-value));
}

std::u16string_view profileFailureMessage(ProfileFailure failure) {
    switch (failure) {
    case ProfileFailure::LibraryMissing: return u" could not load library";
    case ProfileFailure::NoUserAccount: return u" no user account";
    case ProfileFailure::FunctionsMissing: return u" could not get functions";
    case ProfileFailure::SidNotConverted: return u" could not convert sid";
    case ProfileFailure::AccountNotFound: return u" could not look up account name";
    case ProfileFailure::NoToken: return u" could not get token";
    case ProfileFailure::NoProfileDirectory: return u" could not get user profile dir";
    }
    return {};
}

}  // namespace

std::optional<std::u16string_view> serviceAccountName(SidText sid) {
    if (!sid) return std::nullopt;
    if (*sid == u"S-1-5-18") return u"NT AUTHORITY\\System";
    if (*sid == u"S-1-5-19") return u"NT AUTHORITY\\LocalService";
    if (*sid == u"S-1-5-20") return u"NT AUTHORITY\\NetworkService";
    return std::nullopt;
}

bool isBuiltinDomainSid(SidText sid) {
    return sid && sid->substr(0, kBuiltinDomainPrefix.size()) == kBuiltinDomainPrefix;
}

std::u16string accountName(SidText sid, std::u16string_view domain, std::u16string_view name, bool nameOnly) {
    std::u16string text;
    if (!nameOnly) {
        text = std::u16string(logonDomain(sid, domain));
        text += u'\\';
    }
    text += name;
    return text;
}

std::u16string_view logonDomain(SidText sid, std::u16string_view domain) {
    if (isBuiltinDomainSid(sid) || domain.empty()) return u".";
    return domain;
}

std::u16string errorText(std::uint32_t code) {
    return u" " + signedDecimal(static_cast<std::int32_t>(code));
}

std::u16string profileFailureText(ProfileFailure failure, std::uint32_t code) {
    std::u16string text(profileFailureMessage(failure));
    if (failure != ProfileFailure::NoUserAccount) text += errorText(code);
    return text;
}

GroupAddVerdict groupAddVerdict(std::uint32_t status, bool failIfExists) {
    constexpr std::uint32_t kAliasExists = 1379;
    constexpr std::uint32_t kGroupExists = 2223;
    if (status == 0) return GroupAddVerdict::Created;
    if ((status == kAliasExists || status == kGroupExists) && !failIfExists) return GroupAddVerdict::AlreadyThere;
    return GroupAddVerdict::Failed;
}

bool membershipAdded(std::uint32_t status) {
    constexpr std::uint32_t kMemberInAlias = 1378;
    return status == 0 || status == kMemberInAlias;
}

std::u16string addUserFailure(AddUserStep step, std::uint32_t code, std::uint32_t parameterIndex) {
    std::u16string text = decimal(static_cast<std::uint64_t>(step));
    if (step == AddUserStep::UserSidText) return text;
    text += u' ' + decimal(code);
    if (step == AddUserStep::UserAdd) text += u' ' + decimal(parameterIndex);
    return text;
}

std::u16string addUserSuccess(std::u16string_view userSid, const std::optional<GroupOutcome>& group) {
    std::u16string text(userSid);
    if (group) {
        text += u' ' + group->sid;
        text += group->createdByThisCall ? u" true" : u" false";
    }
    return text;
}

std::uint32_t accessMask(bool read, bool write, bool execute, bool all) {
    std::uint32_t mask = 0;
    if (read) mask |= 0x80000000u;
    if (write) mask |= 0x40000000u;
    if (execute) mask |= 0x20000000u;
    if (all) mask |= 0x10000000u;
    return mask;
}

Trustee trusteeOf(std::int32_t accountCode) {
    switch (accountCode) {
    case 1: return Trustee::AuthenticatedUsers;
    case 3: return Trustee::NamedAccount;
    case 5: return Trustee::Authority2Rid547;
    default: return Trustee::Everyone;
    }
}

WellKnownSid wellKnownSid(Trustee trustee) {
    switch (trustee) {
    case Trustee::AuthenticatedUsers: return {5, 11};
    case Trustee::Authority2Rid547: return {2, 547};
    case Trustee::NamedAccount:
    case Trustee::Everyone: break;
    }
    return {1, 0};
}

bool grantsMembership(std::uint32_t attributes) {
    constexpr std::uint32_t kEnabled = 0x4;
    constexpr std::uint32_t kDenyOnly = 0x10;
    return (attributes & (kEnabled | kDenyOnly)) == kEnabled;
}

std::optional<RightText> rightText(std::optional<std::u16string_view> right) {
    const std::size_t bytes = right ? right->size() * sizeof(char16_t) : 0;
    if (bytes + sizeof(char16_t) > std::numeric_limits<std::uint16_t>::max()) return std::nullopt;
    return RightText{static_cast<std::uint16_t>(bytes), static_cast<std::uint16_t>(bytes + sizeof(char16_t)),
                     !right.has_value()};
}

}  // namespace tavik::native::accounts
