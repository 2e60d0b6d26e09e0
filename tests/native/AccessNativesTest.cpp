// addACE of ACLHandling and executeElevated0 of Win32UserInfo through the real
// rwtnative.dll. Access lists are read back raw from the objects' security
// descriptors; the elevated launch shows through the files its program writes.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "common/win/WideText.h"
#include "tests/native/AccountNativesApi.h"
#include "tests/native/AccountTestSupport.h"
#include "tests/native/RegistryTestSupport.h"
#include "tests/win/TestSupport.h"

namespace tavik::test::accounts {
namespace {

constexpr const wchar_t* kEveryone = L"S-1-1-0";

std::u16string u16(const std::wstring& text) { return toU16(text); }

// The path form the security functions take for a key below HKEY_CURRENT_USER.
std::wstring keyObjectName(const registry::ScratchKey& key) { return L"CURRENT_USER\\" + key.path(); }

class AccessEntriesTest : public ::testing::Test {
protected:
    AccountNatives natives_;
};

TEST_F(AccessEntriesTest, EveryoneGetsInheritedAccessToAFolder) {
    const ScratchDir scratch;
    const std::wstring folder = scratch.path().wstring();
    const auto before = accessEntries(folder, SE_FILE_OBJECT);
    ASSERT_TRUE(before);
    ASSERT_FALSE(grantsInherited(*before, kEveryone, GENERIC_WRITE, mappedFileRights))
        << "everyone may write to a new folder already";

    ASSERT_TRUE(natives_.addAce(folder.c_str(), false, false, true, false, false, 0, nullptr));
    const auto after = accessEntries(folder, SE_FILE_OBJECT);
    ASSERT_TRUE(after);
    EXPECT_TRUE(grantsInherited(*after, kEveryone, GENERIC_WRITE, mappedFileRights));
    EXPECT_TRUE(grantsInherited(*after, kEveryone, GENERIC_READ | GENERIC_EXECUTE, mappedFileRights))
        << "what everyone had stays";
}

TEST_F(AccessEntriesTest, EachAccountCodeGrantsItsTrusteeOnAKey) {
    const std::optional<Account> users = lookUpSid(L"S-1-5-32-545");
    ASSERT_TRUE(users);
    struct Case {
        const char* name;
        bool read, write, execute, all;
        jint code;
        const wchar_t* account;
        std::wstring sid;
        ACCESS_MASK wanted;
    };
    const Case cases[] = {
        {"everyone, code 0", true, false, false, false, 0, nullptr, kEveryone, GENERIC_READ},
        {"authenticated users", false, false, false, true, 1, nullptr, L"S-1-5-11", GENERIC_ALL},
        {"account by SID", false, false, true, false, 3, L"S-1-5-32-545", L"S-1-5-32-545", GENERIC_EXECUTE},
        {"account by name", true, true, false, false, 3, users->name.c_str(), L"S-1-5-32-545",
         GENERIC_READ | GENERIC_WRITE},
        {"authority 2, 547", false, true, false, false, 5, nullptr, L"S-1-2-547", GENERIC_WRITE},
        {"any other code", true, false, false, false, 42, L"S-1-5-32-545", kEveryone, GENERIC_READ},
    };
    for (const Case& c : cases) {
        const registry::ScratchKey key(L"acl");
        ASSERT_TRUE(registry::createRawKey(key.root(), key.path()));
        const std::wstring object = keyObjectName(key);
        const auto before = accessEntries(object, SE_REGISTRY_KEY);
        ASSERT_TRUE(before) << c.name;
        ASSERT_FALSE(grantsInherited(*before, c.sid, c.wanted, mappedKeyRights)) << c.name << ": granted already";

        EXPECT_TRUE(natives_.addAce(object.c_str(), true, c.read, c.write, c.execute, c.all, c.code, c.account))
            << c.name;
        const auto after = accessEntries(object, SE_REGISTRY_KEY);
        ASSERT_TRUE(after) << c.name;
        EXPECT_TRUE(grantsInherited(*after, c.sid, c.wanted, mappedKeyRights)) << c.name;
        EXPECT_EQ(after->size(), before->size() + 1) << c.name << ": one entry more";
    }
}

TEST_F(AccessEntriesTest, AnAccountThatDoesNotResolveChangesNothing) {
    const registry::ScratchKey key(L"acl");
    ASSERT_TRUE(registry::createRawKey(key.root(), key.path()));
    const std::wstring object = keyObjectName(key);
    const auto before = accessEntries(object, SE_REGISTRY_KEY);
    ASSERT_TRUE(before);
    EXPECT_FALSE(natives_.addAce(object.c_str(), true, true, false, false, false, 3, uniqueAccountName(L'n').c_str()));
    const auto after = accessEntries(object, SE_REGISTRY_KEY);
    ASSERT_TRUE(after);
    EXPECT_EQ(after->size(), before->size());
}

TEST_F(AccessEntriesTest, AnObjectWhoseAccessListCannotBeReadIsReportedWithItsPath) {
    const ScratchDir scratch;
    const std::wstring missing = (scratch.path() / "missing" / "file.txt").wstring();
    struct Case {
        const char* name;
        std::u16string path;  // "-": null
        DWORD status;
        std::string shownPath;
    };
    const Case cases[] = {
        {"missing file", u16(missing), rawSecurityStatus(missing.c_str(), SE_FILE_OBJECT), utf8(u16(missing))},
        {"empty path", u"", rawSecurityStatus(L"", SE_FILE_OBJECT), ""},
        {"null path", u"-", ERROR_INVALID_PARAMETER, "(null)"},
    };
    for (const Case& c : cases) {
        ASSERT_NE(c.status, DWORD{ERROR_SUCCESS}) << c.name;
        const ChildResult child = runScenario(testExecutable(), "ace", {c.path, u"0", u"0", u"-"});
        EXPECT_EQ(child.exitCode, 1) << c.name;
        const std::vector<std::string> expected = {"GetNamedSecurityInfo Error " + std::to_string(c.status) + " " +
                                                   c.shownPath};
        EXPECT_EQ(lines(child.out), expected) << c.name;
    }
}

class ElevatedLaunchTest : public ::testing::Test {
protected:
    ElevatedLaunchTest() {
        marker_ = scratch_.path() / "marker.txt";
        ::SetEnvironmentVariableW(L"TAVIK_ELEVATION_MARKER", marker_.wstring().c_str());
    }
    ~ElevatedLaunchTest() override { ::SetEnvironmentVariableW(L"TAVIK_ELEVATION_MARKER", nullptr); }

    // The probe's report, or nullopt when it did not write one within a minute.
    std::optional<std::vector<std::string>> report() const {
        for (int waited = 0; waited < 600 && !fs::exists(marker_); ++waited) ::Sleep(100);
        if (!fs::exists(marker_)) return std::nullopt;
        return lines(readFile(marker_));
    }

    static std::wstring probe() { return TAVIK_ELEVATION_PROBE_EXE; }

    AccountNatives natives_;
    ScratchDir scratch_;
    fs::path marker_;
};

TEST_F(ElevatedLaunchTest, StartsTheProgramWithItsArgumentsInTheGivenDirectory) {
    const ScratchDir directory;
    ASSERT_TRUE(natives_.executeElevated(probe().c_str(), L"one \"two three\"", directory.path().wstring().c_str(),
                                         SW_HIDE));
    const auto seen = report();
    ASSERT_TRUE(seen) << "the program did not run";
    const std::vector<std::string> expected = {"arg:one", "arg:two three",
                                               "cwd:" + utf8(u16(directory.path().wstring()))};
    EXPECT_EQ(*seen, expected);
}

TEST_F(ElevatedLaunchTest, NullParametersAndDirectoryAreTheShellsDefaults) {
    const bool sspicliBefore = moduleLoaded(L"sspicli.dll");
    ASSERT_TRUE(natives_.executeElevated(probe().c_str(), nullptr, nullptr, SW_HIDE));
    if (!sspicliBefore) EXPECT_TRUE(moduleLoaded(L"sspicli.dll")) << "loaded before the first elevated launch";
    const auto seen = report();
    ASSERT_TRUE(seen) << "the program did not run";
    wchar_t current[MAX_PATH];
    ::GetCurrentDirectoryW(MAX_PATH, current);
    const std::vector<std::string> expected = {"cwd:" + utf8(u16(current))};
    EXPECT_EQ(*seen, expected) << "no arguments, this process's directory";
}

TEST_F(ElevatedLaunchTest, AProgramTheShellCannotStartIsRefused) {
    const std::wstring missing = (scratch_.path() / "missing.exe").wstring();
    EXPECT_FALSE(natives_.executeElevated(missing.c_str(), nullptr, nullptr, SW_HIDE));
    EXPECT_FALSE(natives_.executeElevated(nullptr, nullptr, nullptr, SW_HIDE));
    ::Sleep(500);
    EXPECT_FALSE(fs::exists(marker_));
}

}  // namespace
}  // namespace tavik::test::accounts
