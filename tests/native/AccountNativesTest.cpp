// The Win32UserInfo natives as a VM binding by name calls them: looked up in
// the real rwtnative.dll and called with the test JNI environment. The token,
// account names and local users are read back with raw Win32 calls. What Wine
// only pretends to do (LSA rights, logons) is checked on its trace of the
// calls, by the trace tests registered beside this program.
#include <windows.h>
#include <lm.h>

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/win/WideText.h"
#include "tests/native/AccountNativesApi.h"
#include "tests/native/AccountTestSupport.h"
#include "tests/win/TestSupport.h"

namespace tavik::test::accounts {
namespace {

constexpr DWORD kAdministrators = 544;
constexpr DWORD kUserNotFound = 2221;  // NERR_UserNotFound

std::u16string u16(const std::wstring& text) { return toU16(text); }

class AccountNativesTest : public ::testing::Test {
protected:
    AccountNatives natives_;
};

TEST_F(AccountNativesTest, UserSidIsTheTokensAsTheSystemShowsIt) {
    const std::optional<std::u16string> sid = natives_.userSid();
    ASSERT_TRUE(sid);
    EXPECT_EQ(sid->rfind(u"S-1-", 0), 0u) << utf8(*sid);
    EXPECT_EQ(*sid, u16(tokenUserSid()));
}

TEST_F(AccountNativesTest, ElevationTypeIsTheProcessTokens) {
    const std::optional<DWORD> type = processElevationType();
    ASSERT_TRUE(type) << "the system does not tell the elevation type";
    EXPECT_EQ(natives_.elevationType(), static_cast<jint>(*type));
    EXPECT_GE(natives_.elevationType(), 1);
    EXPECT_LE(natives_.elevationType(), 3);
}

TEST_F(AccountNativesTest, MembershipFollowsTheTokensGroupsEnabledAndNotDenyOnly) {
    bool sawMember = false;
    bool sawNonMember = false;
    for (const DWORD rid : {544u, 545u, 546u, 547u, 551u, 555u, 9999u}) {
        const std::optional<DWORD> attributes = builtinGroupAttributes(rid);
        const bool expected = attributes && (*attributes & (SE_GROUP_ENABLED | SE_GROUP_USE_FOR_DENY_ONLY)) ==
                                                SE_GROUP_ENABLED;
        (expected ? sawMember : sawNonMember) = true;
        EXPECT_EQ(natives_.isMemberOfGroup(static_cast<jint>(rid)), expected) << rid;
    }
    EXPECT_TRUE(sawMember && sawNonMember) << "the token should hold some of these groups and lack others";
}

TEST_F(AccountNativesTest, ADenyOnlyAdministratorsGroupOfTheThreadTokenIsNoMembership) {
    const std::optional<DWORD> own = builtinGroupAttributes(kAdministrators);
    if (!own || (*own & SE_GROUP_ENABLED) == 0) GTEST_SKIP() << "this process is no administrator's";
    EXPECT_TRUE(natives_.isMemberOfGroup(kAdministrators));
    {
        const DenyOnlyAdministrators impersonation;
        const std::optional<DWORD> restricted = builtinGroupAttributes(kAdministrators, impersonation.token());
        ASSERT_TRUE(restricted);
        ASSERT_NE(*restricted & SE_GROUP_USE_FOR_DENY_ONLY, 0u) << "the system made the group " << *restricted;
        EXPECT_FALSE(natives_.isMemberOfGroup(kAdministrators)) << "the thread's token comes first";
        EXPECT_EQ(natives_.userSid(), u16(tokenUserSid(impersonation.token())));
    }
    EXPECT_TRUE(natives_.isMemberOfGroup(kAdministrators)) << "back on the process token";
}

TEST_F(AccountNativesTest, AccountNamesOfServiceBuiltinLocalAndUnknownSids) {
    const std::optional<Account> administrators = lookUpSid(L"S-1-5-32-544");
    const std::optional<Account> everyone = lookUpSid(L"S-1-1-0");
    ASSERT_TRUE(administrators && everyone);
    ASSERT_TRUE(everyone->domain.empty()) << "the system names a domain for everyone";
    const std::wstring user = tokenUserSid();
    const std::optional<Account> self = lookUpSid(user.c_str());
    ASSERT_TRUE(self);
    ASSERT_EQ(self->domain, computerName()) << "a local account's domain is the machine";
    ASSERT_EQ(self->name, userName());
    struct Case {
        const wchar_t* sid;
        bool nameOnly;
        std::wstring expected;
    };
    const Case cases[] = {
        // The service SIDs are named without a look-up, in their own spelling.
        {L"S-1-5-18", false, L"NT AUTHORITY\\System"},
        {L"S-1-5-19", false, L"NT AUTHORITY\\LocalService"},
        {L"S-1-5-19", true, L"NT AUTHORITY\\LocalService"},
        {L"S-1-5-20", false, L"NT AUTHORITY\\NetworkService"},
        {L"S-1-5-32-544", false, L".\\" + administrators->name},
        {L"S-1-5-32-544", true, administrators->name},
        {L"S-1-1-0", false, L".\\" + everyone->name},
        {user.c_str(), false, computerName() + L"\\" + userName()},
        {user.c_str(), true, userName()},
        {L"not a sid", false, L" " + std::to_wstring(ERROR_INVALID_SID)},
        {L"S-1-5-21-1-2-3-4", false, L" " + std::to_wstring(ERROR_NONE_MAPPED)},
        {nullptr, false, L" " + std::to_wstring(ERROR_INVALID_PARAMETER)},
    };
    for (const Case& c : cases) {
        const std::string shown = c.sid == nullptr ? "null" : utf8(u16(c.sid));
        EXPECT_EQ(natives_.accountName(c.sid, c.nameOnly), u16(c.expected)) << shown << " " << c.nameOnly;
    }
}

TEST_F(AccountNativesTest, ProfileDirectoryErrorsOfEachEarlyStep) {
    struct Case {
        const wchar_t* sid;
        std::wstring expected;
    };
    const Case cases[] = {
        {L"S-1-5-18", L" no user account"},
        {L"S-1-5-19", L" no user account"},
        {L"S-1-5-20", L" no user account"},
        {L"not a sid", L" could not convert sid " + std::to_wstring(ERROR_INVALID_SID)},
        {L"S-1-5-21-1-2-3-4", L" could not look up account name " + std::to_wstring(ERROR_NONE_MAPPED)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(natives_.profileDirectory(c.sid, L"pw"), u16(c.expected)) << utf8(u16(c.sid));
}

TEST_F(AccountNativesTest, ProfileDirectoryOfTheCurrentUserOrTheStepThatRefusedIt) {
    const bool loadedBefore = moduleLoaded(L"userenv.dll");
    const std::optional<std::u16string> result = natives_.profileDirectory(tokenUserSid().c_str(), L"");
    ASSERT_TRUE(result);
    if (!loadedBefore) EXPECT_FALSE(moduleLoaded(L"userenv.dll")) << "the library is freed after use";
    if (result->rfind(u" ", 0) != 0) {
        const std::optional<std::wstring> own = ownProfileDirectory();
        EXPECT_EQ(result, own ? std::optional(u16(*own)) : std::nullopt);
        return;
    }
    // Without the password the logon, or the profile of its token, is refused.
    const std::string text = utf8(*result);
    const std::size_t number = text.find_last_of(' ') + 1;
    EXPECT_TRUE(text.rfind(" could not get token ", 0) == 0 || text.rfind(" could not get user profile dir ", 0) == 0)
        << text;
    EXPECT_TRUE(number < text.size() && text.find_first_not_of("-0123456789", number) == std::string::npos) << text;
}

// What addUser0 should answer once NetUserAdd took the user: the user's SID
// (and the group's) when the system tells it, else step 3 with its status.
std::wstring answerAfterUserAdded(const std::wstring& user, const std::wstring* group, bool groupCreated) {
    std::wstring sid;
    const DWORD status = rawUserInfo(user, 23, &sid);
    if (status != NERR_Success) return L"3 " + std::to_wstring(status);
    if (group == nullptr) return sid;
    const std::optional<std::wstring> groupSid = sidOfName(group->c_str());
    if (!groupSid) return sid;
    return sid + L" " + *groupSid + (groupCreated ? L" true" : L" false");
}

class LocalAccountsTest : public AccountNativesTest {
protected:
    AccountCleanup cleanup_;
};

TEST_F(LocalAccountsTest, ANewUserIsCreatedAndNamedBySid) {
    const std::wstring& user = cleanup_.user(uniqueAccountName(L'u'));
    const std::optional<std::u16string> result =
        natives_.addUser(user.c_str(), L"Tvk-pw-7319!", L"made by a test", nullptr, nullptr, false, false);
    EXPECT_EQ(rawUserInfo(user, 1), DWORD{NERR_Success}) << "the system holds the user";
    EXPECT_EQ(result, u16(answerAfterUserAdded(user, nullptr, false)));
}

TEST_F(LocalAccountsTest, ANewUserJoinsANewOrAnExistingGroup) {
    struct Case {
        const char* name;
        bool groupExists;
        bool failIfExists;
    };
    const Case cases[] = {{"new group", false, false}, {"existing group", true, false}};
    for (const Case& c : cases) {
        const std::wstring& user = cleanup_.user(uniqueAccountName(L'u'));
        const std::wstring& group = cleanup_.group(uniqueAccountName(L'g'));
        if (c.groupExists) ASSERT_EQ(rawAddGroup(group), DWORD{NERR_Success}) << c.name;
        const std::optional<std::u16string> result =
            natives_.addUser(user.c_str(), L"Tvk-pw-7319!", L"", group.c_str(), L"test group", true, c.failIfExists);
        EXPECT_EQ(rawUserInfo(user, 1), DWORD{NERR_Success}) << c.name;
        EXPECT_EQ(rawGroupInfo(group), DWORD{NERR_Success}) << c.name;
        EXPECT_EQ(result, u16(answerAfterUserAdded(user, &group, !c.groupExists))) << c.name;
    }
}

TEST_F(LocalAccountsTest, AnExistingGroupFailsWhenTheCallerRefusesOne) {
    const std::wstring& user = cleanup_.user(uniqueAccountName(L'u'));
    const std::wstring& group = cleanup_.group(uniqueAccountName(L'g'));
    ASSERT_EQ(rawAddGroup(group), DWORD{NERR_Success});
    const DWORD again = rawAddGroup(group);
    const std::optional<std::u16string> result =
        natives_.addUser(user.c_str(), L"Tvk-pw-7319!", L"", group.c_str(), L"", true, true);
    if (again == NERR_Success) {
        // The system takes a group twice: the call counts it as its own.
        EXPECT_EQ(result, u16(answerAfterUserAdded(user, &group, true)));
        return;
    }
    EXPECT_EQ(result, u"1 " + u16(std::to_wstring(again)));
    EXPECT_EQ(rawUserInfo(user, 1), kUserNotFound) << "no user without the group";
}

TEST_F(LocalAccountsTest, AGroupToJoinThatCannotBeReadFailsBeforeTheUserIsMade) {
    const std::wstring& user = cleanup_.user(uniqueAccountName(L'u'));
    const std::wstring& group = cleanup_.group(uniqueAccountName(L'g'));
    const DWORD status = rawGroupInfo(group);
    const std::optional<std::u16string> result =
        natives_.addUser(user.c_str(), L"Tvk-pw-7319!", L"", group.c_str(), L"", false, false);
    if (status == NERR_Success) {
        // The system reports any group as there (Wine): the user is made and joins it.
        EXPECT_EQ(result, u16(answerAfterUserAdded(user, &group, false)));
        return;
    }
    EXPECT_EQ(result, u"6 " + u16(std::to_wstring(status)));
    EXPECT_EQ(rawUserInfo(user, 1), kUserNotFound);
}

TEST_F(LocalAccountsTest, AUserTheSystemRefusesIsStepTwoWithCodeAndField) {
    struct Case {
        const char* name;
        std::wstring user;
        bool existsBefore;
    };
    const Case cases[] = {
        {"name too long", L"tvk-" + std::wstring(40, L'x'), false},
        {"user exists", uniqueAccountName(L'u'), true},
    };
    for (const Case& c : cases) {
        cleanup_.user(c.user);
        if (c.existsBefore) ASSERT_EQ(rawAddUser(c.user).status, DWORD{NERR_Success}) << c.name;
        // What the system says to the same request made raw.
        const AddStatus refusal = rawAddUser(c.user);
        const std::optional<std::u16string> result =
            natives_.addUser(c.user.c_str(), L"Tvk-pw-7319!", L"", nullptr, nullptr, false, false);
        if (refusal.status == NERR_Success) {
            EXPECT_EQ(result, u16(answerAfterUserAdded(c.user, nullptr, false))) << c.name << ": taken twice";
            continue;
        }
        EXPECT_EQ(result, u16(L"2 " + std::to_wstring(refusal.status) + L" " + std::to_wstring(refusal.parameterIndex)))
            << c.name;
    }
}

TEST_F(LocalAccountsTest, DeleteUserLocallyForANullServer) {
    const std::wstring& user = cleanup_.user(uniqueAccountName(L'u'));
    ASSERT_EQ(rawAddUser(user).status, DWORD{NERR_Success});
    EXPECT_EQ(natives_.deleteUser(nullptr, user.c_str()), 0);
    EXPECT_EQ(rawUserInfo(user, 1), kUserNotFound);
    EXPECT_EQ(natives_.deleteUser(nullptr, user.c_str()), static_cast<jint>(kUserNotFound));
}

TEST_F(LocalAccountsTest, DeleteUserOnAnEmptyServerNameIsWhatTheSystemMakesOfIt) {
    const std::wstring& user = cleanup_.user(uniqueAccountName(L'u'));
    ASSERT_EQ(rawAddUser(user).status, DWORD{NERR_Success});
    const jint status = natives_.deleteUser(L"", user.c_str());
    EXPECT_EQ(rawUserInfo(user, 1), status == 0 ? kUserNotFound : DWORD{NERR_Success}) << status;
    EXPECT_EQ(status, static_cast<jint>(rawDeleteUser(L"", uniqueAccountName(L'n'))))
        << "the same status as for any user there";
}

TEST_F(LocalAccountsTest, DeleteLocalGroupIsTheSystemsStatus) {
    const std::wstring& group = cleanup_.group(uniqueAccountName(L'g'));
    ASSERT_EQ(rawAddGroup(group), DWORD{NERR_Success});
    EXPECT_EQ(natives_.deleteLocalGroup(nullptr, group.c_str()), 0);
    const DWORD unknown = rawGroupInfo(uniqueAccountName(L'n'));
    if (unknown != NERR_Success) {
        EXPECT_EQ(rawGroupInfo(group), unknown) << "the group is gone";
        EXPECT_EQ(natives_.deleteLocalGroup(nullptr, group.c_str()), static_cast<jint>(unknown));
    }
}

// A SID of no real account: granting it rights touches no one's.
std::wstring unownedSid() { return L"S-1-5-21-7-7-7-" + std::to_wstring(1000 + ::GetCurrentProcessId() % 50000); }

TEST_F(AccountNativesTest, LsaRightsAreAddedAndRemovedOneOrAll) {
    const std::wstring sid = unownedSid();
    EXPECT_TRUE(natives_.setLsaAccountRight(sid.c_str(), L"SeBatchLogonRight", true));
    EXPECT_TRUE(natives_.setLsaAccountRight(sid.c_str(), L"SeBatchLogonRight", false));
    EXPECT_TRUE(natives_.setLsaAccountRight(sid.c_str(), L"SeServiceLogonRight", true));
    EXPECT_TRUE(natives_.setLsaAccountRight(sid.c_str(), nullptr, false));
}

TEST_F(AccountNativesTest, LsaRightsOfAnAccountThatDoesNotResolveFail) {
    const std::wstring name = uniqueAccountName(L'n');
    EXPECT_FALSE(natives_.setLsaAccountRight(name.c_str(), L"SeBatchLogonRight", true));
    EXPECT_FALSE(natives_.setLsaAccountRight(name.c_str(), nullptr, false));
}

}  // namespace
}  // namespace tavik::test::accounts
