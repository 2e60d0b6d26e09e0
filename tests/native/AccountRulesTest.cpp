// The account natives' decisions: which SIDs are named without a look-up,
// how names and error texts are spelled, what addUser0 answers, and what
// access is granted to whom.
#include "native/accounts/AccountRules.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

namespace tavik::native::accounts {
namespace {

using namespace std::string_literals;

std::string ascii(const std::u16string& text) { return std::string(text.begin(), text.end()); }

TEST(ServiceAccounts, NamesTheThreeServiceSidsByExactText) {
    struct Case {
        SidText sid;
        std::optional<std::u16string_view> name;
    };
    const Case cases[] = {
        {u"S-1-5-18", u"NT AUTHORITY\\System"},
        {u"S-1-5-19", u"NT AUTHORITY\\LocalService"},
        {u"S-1-5-20", u"NT AUTHORITY\\NetworkService"},
        {u"s-1-5-18", std::nullopt},
        {u"S-1-5-180", std::nullopt},
        {u"S-1-5-1", std::nullopt},
        {u" S-1-5-19", std::nullopt},
        {u"S-1-5-32-544", std::nullopt},
        {u"", std::nullopt},
        {std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        const std::string shown = c.sid ? ascii(std::u16string(*c.sid)) : "null";
        EXPECT_EQ(serviceAccountName(c.sid), c.name) << shown;
    }
}

TEST(AccountNames, BuiltinDomainAndDomainlessAccountsAreThisMachinesDot) {
    struct Case {
        SidText sid;
        std::u16string_view domain, name;
        bool nameOnly;
        std::u16string expected;
    };
    const Case cases[] = {
        {u"S-1-5-21-1-2-3-1000", u"HOST", u"alice", false, u"HOST\\alice"},
        {u"S-1-5-21-1-2-3-1000", u"HOST", u"alice", true, u"alice"},
        {u"S-1-5-32-544", u"BUILTIN", u"Administrators", false, u".\\Administrators"},
        {u"S-1-5-32-544", u"BUILTIN", u"Administrators", true, u"Administrators"},
        // Only the first nine characters decide, not the whole SID's form.
        {u"S-1-5-32-", u"BUILTIN", u"odd", false, u".\\odd"},
        {u"S-1-5-3", u"AUTH", u"Batch", false, u"AUTH\\Batch"},
        {u"s-1-5-32-545", u"BUILTIN", u"Users", false, u"BUILTIN\\Users"},
        {u"S-1-1-0", u"", u"Everyone", false, u".\\Everyone"},
        {u"S-1-1-0", u"", u"Everyone", true, u"Everyone"},
        {u"S-1-5-21-1-2-3-1000", u"HOST", u"", false, u"HOST\\"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(accountName(c.sid, c.domain, c.name, c.nameOnly), c.expected) << ascii(c.expected);
    }
}

TEST(AccountNames, LogonDomainFollowsTheSameRule) {
    EXPECT_EQ(logonDomain(u"S-1-5-32-545", u"BUILTIN"), u".");
    EXPECT_EQ(logonDomain(u"S-1-5-21-1-2-3-1000", u""), u".");
    EXPECT_EQ(logonDomain(u"S-1-5-21-1-2-3-1000", u"HOST"), u"HOST");
    EXPECT_EQ(logonDomain(std::nullopt, u"HOST"), u"HOST");
}

TEST(ErrorTexts, ABlankThenTheCodeAsPrintfShowsASignedNumber) {
    EXPECT_EQ(errorText(1332), u" 1332");
    EXPECT_EQ(errorText(0), u" 0");
    EXPECT_EQ(errorText(0x80070005u), u" -2147024891");
    EXPECT_EQ(errorText(0xFFFFFFFFu), u" -1");
}

TEST(ErrorTexts, EachProfileStepHasItsMessage) {
    struct Case {
        ProfileFailure failure;
        std::uint32_t code;
        std::u16string expected;
    };
    const Case cases[] = {
        {ProfileFailure::LibraryMissing, 126, u" could not load library 126"},
        {ProfileFailure::NoUserAccount, 5, u" no user account"},
        {ProfileFailure::FunctionsMissing, 127, u" could not get functions 127"},
        {ProfileFailure::SidNotConverted, 1337, u" could not convert sid 1337"},
        {ProfileFailure::AccountNotFound, 1332, u" could not look up account name 1332"},
        {ProfileFailure::NoToken, 1326, u" could not get token 1326"},
        {ProfileFailure::NoProfileDirectory, 6, u" could not get user profile dir 6"},
    };
    for (const Case& c : cases) EXPECT_EQ(profileFailureText(c.failure, c.code), c.expected) << ascii(c.expected);
}

TEST(AddUserSteps, AnExistingGroupIsUsedUnlessTheCallerRefusesOne) {
    struct Case {
        std::uint32_t status;
        bool failIfExists;
        GroupAddVerdict verdict;
    };
    const Case cases[] = {
        {0, false, GroupAddVerdict::Created},
        {0, true, GroupAddVerdict::Created},
        {1379, false, GroupAddVerdict::AlreadyThere},
        {2223, false, GroupAddVerdict::AlreadyThere},
        {1379, true, GroupAddVerdict::Failed},
        {2223, true, GroupAddVerdict::Failed},
        {5, false, GroupAddVerdict::Failed},
        {1378, false, GroupAddVerdict::Failed},
        {2224, false, GroupAddVerdict::Failed},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(groupAddVerdict(c.status, c.failIfExists), c.verdict) << c.status << " " << c.failIfExists;
    }
}

TEST(AddUserSteps, BeingAMemberAlreadyIsNoFailure) {
    EXPECT_TRUE(membershipAdded(0));
    EXPECT_TRUE(membershipAdded(1378));
    EXPECT_FALSE(membershipAdded(1377));
    EXPECT_FALSE(membershipAdded(5));
}

TEST(AddUserResults, FailuresLeadWithTheirStepNumber) {
    struct Case {
        AddUserStep step;
        std::uint32_t code, index;
        std::u16string expected;
    };
    const Case cases[] = {
        {AddUserStep::GroupAdd, 1379, 0, u"1 1379"},
        {AddUserStep::UserAdd, 2224, 1, u"2 2224 1"},
        {AddUserStep::UserAdd, 2245, 0, u"2 2245 0"},
        {AddUserStep::UserRead, 2221, 9, u"3 2221"},
        {AddUserStep::Membership, 1387, 0, u"4 1387"},
        {AddUserStep::UserSidText, 8, 0, u"5"},
        {AddUserStep::GroupRead, 2220, 0, u"6 2220"},
        {AddUserStep::UserAdd, 4294967295u, 4294967295u, u"2 4294967295 4294967295"},
    };
    for (const Case& c : cases) EXPECT_EQ(addUserFailure(c.step, c.code, c.index), c.expected) << ascii(c.expected);
}

TEST(AddUserResults, SuccessNamesTheUserAndTheGroupWithWhetherThisCallMadeIt) {
    EXPECT_EQ(addUserSuccess(u"S-1-5-21-1-2-3-1001", std::nullopt), u"S-1-5-21-1-2-3-1001");
    EXPECT_EQ(addUserSuccess(u"S-1-5-21-1-2-3-1001", GroupOutcome{u"S-1-5-21-1-2-3-1002", true}),
              u"S-1-5-21-1-2-3-1001 S-1-5-21-1-2-3-1002 true");
    EXPECT_EQ(addUserSuccess(u"S-1-5-21-1-2-3-1001", GroupOutcome{u"S-1-5-32-545", false}),
              u"S-1-5-21-1-2-3-1001 S-1-5-32-545 false");
}

TEST(AccessEntries, EachFlagAddsItsGenericRight) {
    struct Case {
        bool read, write, execute, all;
        std::uint32_t mask;
    };
    const Case cases[] = {
        {false, false, false, false, 0},
        {true, false, false, false, 0x80000000u},
        {false, true, false, false, 0x40000000u},
        {false, false, true, false, 0x20000000u},
        {false, false, false, true, 0x10000000u},
        {true, false, true, false, 0xA0000000u},
        {true, true, true, true, 0xF0000000u},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(accessMask(c.read, c.write, c.execute, c.all), c.mask)
            << c.read << c.write << c.execute << c.all;
    }
}

TEST(AccessEntries, AccountCodesNameTheirTrusteeAndAnyOtherCodeIsEveryone) {
    struct Case {
        std::int32_t code;
        Trustee trustee;
        std::uint8_t authority;
        std::uint32_t subAuthority;
    };
    const Case cases[] = {
        {1, Trustee::AuthenticatedUsers, 5, 11},
        {5, Trustee::Authority2Rid547, 2, 547},
        {0, Trustee::Everyone, 1, 0},
        {2, Trustee::Everyone, 1, 0},
        {4, Trustee::Everyone, 1, 0},
        {-1, Trustee::Everyone, 1, 0},
        {1000, Trustee::Everyone, 1, 0},
    };
    for (const Case& c : cases) {
        const Trustee trustee = trusteeOf(c.code);
        EXPECT_EQ(trustee, c.trustee) << c.code;
        EXPECT_EQ(wellKnownSid(trustee).authority, c.authority) << c.code;
        EXPECT_EQ(wellKnownSid(trustee).subAuthority, c.subAuthority) << c.code;
    }
    EXPECT_EQ(trusteeOf(3), Trustee::NamedAccount);
}

TEST(GroupMembership, OnlyAnEnabledGroupThatIsNotDenyOnlyCounts) {
    struct Case {
        std::uint32_t attributes;
        bool member;
    };
    const Case cases[] = {
        {0x4, true},         // enabled
        {0x7, true},         // mandatory, enabled by default, enabled
        {0xF, true},         // and owner
        {0xC0000007, true},  // a logon SID
        {0x0, false},
        {0x3, false},   // mandatory and enabled by default, yet disabled
        {0x10, false},  // deny-only
        {0x14, false},  // enabled and deny-only
        {0x19, false},  // a restricted token's administrators entry
    };
    for (const Case& c : cases) EXPECT_EQ(grantsMembership(c.attributes), c.member) << std::hex << c.attributes;
}

TEST(AccountRights, TheRightIsACountedStringAndNullMeansEveryRight) {
    const std::optional<RightText> one = rightText(u"SeServiceLogonRight");
    ASSERT_TRUE(one);
    EXPECT_EQ(one->length, 38);
    EXPECT_EQ(one->maximumLength, 40);
    EXPECT_FALSE(one->removeAll);

    const std::optional<RightText> none = rightText(std::nullopt);
    ASSERT_TRUE(none);
    EXPECT_EQ(none->length, 0);
    EXPECT_EQ(none->maximumLength, 2);
    EXPECT_TRUE(none->removeAll);

    const std::optional<RightText> empty = rightText(u"");
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->length, 0);
    EXPECT_FALSE(empty->removeAll) << "an empty right is one right, not all of them";
}

TEST(AccountRights, ARightTooLongForACountedStringIsRefused) {
    const std::u16string longest(32766, u'x');
    const std::optional<RightText> fits = rightText(longest);
    ASSERT_TRUE(fits);
    EXPECT_EQ(fits->length, 65532);
    EXPECT_EQ(fits->maximumLength, 65534);
    EXPECT_EQ(rightText(longest + u"x"), std::nullopt) << "65534 bytes leave no room for the terminator";
}

}  // namespace
}  // namespace tavik::native::accounts
