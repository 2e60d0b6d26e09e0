// The modules the registry natives share with later groups: privileges of
// the process token, seen through the token itself, and the shell binding,
// seen through a program it starts.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "common/win/WideText.h"
#include "native/system/Privilege.h"
#include "native/system/ShellBinding.h"
#include "tests/win/TestSupport.h"

namespace tavik::test {
namespace {

// Nullopt when the token does not hold the privilege at all.
std::optional<bool> privilegeEnabled(const wchar_t* name) {
    LUID luid{};
    if (!::LookupPrivilegeValueW(nullptr, name, &luid)) return std::nullopt;
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return std::nullopt;
    DWORD size = 0;
    ::GetTokenInformation(token, TokenPrivileges, nullptr, 0, &size);
    std::vector<unsigned char> buffer(size);
    const bool read = ::GetTokenInformation(token, TokenPrivileges, buffer.data(), size, &size);
    ::CloseHandle(token);
    if (!read) return std::nullopt;
    const auto* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
    for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
        const LUID_AND_ATTRIBUTES& entry = privileges->Privileges[i];
        if (entry.Luid.LowPart == luid.LowPart && entry.Luid.HighPart == luid.HighPart)
            return (entry.Attributes & SE_PRIVILEGE_ENABLED) != 0;
    }
    return std::nullopt;
}

TEST(EnablePrivilege, SwitchesAHeldPrivilegeBothWays) {
    const wchar_t* const name = L"SeBackupPrivilege";
    if (!privilegeEnabled(name)) GTEST_SKIP() << "this account does not hold " << utf8(toU16(name));
    ASSERT_TRUE(native::enablePrivilege(name, false));
    EXPECT_EQ(privilegeEnabled(name), false);
    ASSERT_TRUE(native::enablePrivilege(name, true));
    EXPECT_EQ(privilegeEnabled(name), true);
    EXPECT_TRUE(native::enablePrivilege(name, true)) << "enabling again is no failure";
}

TEST(EnablePrivilege, FailsForAPrivilegeTheTokenLacksOrThatDoesNotExist) {
    EXPECT_FALSE(native::enablePrivilege(L"SeNoSuchPrivilege", true));
    const wchar_t* const candidates[] = {L"SeCreateTokenPrivilege", L"SeTrustedCredManAccessPrivilege",
                                         L"SeRelabelPrivilege", L"SeEnableDelegationPrivilege"};
    for (const wchar_t* name : candidates) {
        LUID luid{};
        if (!::LookupPrivilegeValueW(nullptr, name, &luid) || privilegeEnabled(name)) continue;
        EXPECT_FALSE(native::enablePrivilege(name, true)) << utf8(toU16(name));
        EXPECT_EQ(privilegeEnabled(name), std::nullopt);
        return;
    }
    GTEST_SKIP() << "the token holds every candidate privilege";
}

TEST(ShellBinding, BindsBothFunctionsAndRunsAProgram) {
    EXPECT_TRUE(native::shell::changeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr));
    const ScratchDir scratch;
    const fs::path marker = scratch.path() / "started";
    const std::wstring parameters = L"--child touch \"" + marker.wstring() + L"\"";
    const HINSTANCE result = native::shell::shellExecute(nullptr, L"open", testExecutable().wstring().c_str(),
                                                        parameters.c_str(), nullptr, SW_HIDE);
    ASSERT_GT(reinterpret_cast<INT_PTR>(result), 32);
    for (int waited = 0; waited < 600 && !fs::exists(marker); ++waited) ::Sleep(100);
    EXPECT_TRUE(fs::exists(marker));
}

}  // namespace
}  // namespace tavik::test
