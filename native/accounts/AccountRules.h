#pragma once
// The account natives' decisions, apart from Windows: the service SIDs named
// without a look-up, how an account name is spelled, the error texts and
// result strings handed to Java, the access asked for and whom it is granted.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavik::native::accounts {

// A SID's text as Java passed it; nullopt for a null string.
using SidText = std::optional<std::u16string_view>;

// "NT AUTHORITY\System" and its two siblings for the three service SIDs,
// matched with exact case; nullopt for any other SID.
std::optional<std::u16string_view> serviceAccountName(SidText sid);

// A SID of the built-in domain: its first nine characters are "S-1-5-32-".
bool isBuiltinDomainSid(SidText sid);

// What getAccountName0 answers for a SID that was looked up: the name alone,
// "domain\name", or ".\name" for the built-in domain and accounts without one.
std::u16string accountName(SidText sid, std::u16string_view domain, std::u16string_view name, bool nameOnly);

// The domain a logon is asked for: the account's own, or "." (this machine)
// for the built-in domain and for accounts without one.
std::u16string_view logonDomain(SidText sid, std::u16string_view domain);

// A Windows error code as the string natives tell it: a blank, then the
// code as a signed decimal, as printf's "%d" shows it.
std::u16string errorText(std::uint32_t code);

// Where finding a profile directory stopped.
enum class ProfileFailure {
    LibraryMissing,
    NoUserAccount,
    FunctionsMissing,
    SidNotConverted,
    AccountNotFound,
    NoToken,
    NoProfileDirectory,
};

// The error string of that step; every one but NoUserAccount ends in the code.
std::u16string profileFailureText(ProfileFailure failure, std::uint32_t code);

// What creating a group told about it.
enum class GroupAddVerdict { Created, AlreadyThere, Failed };

// NetLocalGroupAdd's status: an existing group is used unless the caller
// asked to fail on one.
GroupAddVerdict groupAddVerdict(std::uint32_t status, bool failIfExists);

// NetLocalGroupAddMembers's status: being a member already is no failure.
bool membershipAdded(std::uint32_t status);

// The steps of addUser0 whose failure is told by a leading number.
enum class AddUserStep : int {
    GroupAdd = 1,
    UserAdd = 2,
    UserRead = 3,
    Membership = 4,
    UserSidText = 5,
    GroupRead = 6,
};

// "step code", or "2 code index" for the user's creation; UserSidText alone has no code.
std::u16string addUserFailure(AddUserStep step, std::uint32_t code = 0, std::uint32_t parameterIndex = 0);

struct GroupOutcome {
    std::u16string sid;
    bool createdByThisCall = false;
};

// "userSid", or "userSid groupSid true|false" when the group's SID is known.
std::u16string addUserSuccess(std::u16string_view userSid, const std::optional<GroupOutcome>& group);

// The generic rights the four flags of addACE ask for.
std::uint32_t accessMask(bool read, bool write, bool execute, bool all);

// The trustee of addACE by its account code.
enum class Trustee { NamedAccount, AuthenticatedUsers, Authority2Rid547, Everyone };
Trustee trusteeOf(std::int32_t accountCode);

// A SID with one sub-authority, as AllocateAndInitializeSid takes it.
struct WellKnownSid {
    std::uint8_t authority;  // the last byte of the six-byte identifier authority
    std::uint32_t subAuthority;
};
// For every trustee but NamedAccount.
WellKnownSid wellKnownSid(Trustee trustee);

// A token group's attributes grant membership only when enabled and not
// deny-only.
bool grantsMembership(std::uint32_t attributes);

// The right an LSA call is given: byte length and buffer size of its text
// (a null right counts as empty), and whether a removal drops every right.
struct RightText {
    std::uint16_t length;
    std::uint16_t maximumLength;
    bool removeAll;
};
// Nullopt when the text is too long for a counted string.
std::optional<RightText> rightText(std::optional<std::u16string_view> right);

}  // namespace tavik::native::accounts
