// Registry and service manager helpers against Wine's real registry and
// service control manager.
#include "common/win/Registry.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

#include "common/win/LastError.h"
#include "common/win/Services.h"

namespace tavik {
namespace {

// A key of its own under HKCU\Software, removed with everything in it.
class ScratchRegistryKey : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = L"Software\\tavik-common-test-" + std::to_wstring(::GetCurrentProcessId());
        ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                    key_.put(), nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        key_.reset();
        ::RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
    }

    void set(const wchar_t* name, DWORD type, const void* bytes, std::size_t size) {
        ASSERT_EQ(::RegSetValueExW(key_.get(), name, 0, type, static_cast<const BYTE*>(bytes),
                                   static_cast<DWORD>(size)),
                  ERROR_SUCCESS);
    }

    HKEY key() const { return key_.get(); }
    std::string narrowPath() const { return std::string(path_.begin(), path_.end()); }

    std::wstring path_;
    UniqueHKey key_;
};

TEST_F(ScratchRegistryKey, ValuesComeWholeHoweverLong) {
    std::vector<std::uint8_t> big(100000);
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 7 + 1);
    set(L"big", REG_BINARY, big.data(), big.size());
    set(L"empty", REG_BINARY, nullptr, 0);

    const Result<registry::Value> wide = registry::queryValue(key(), L"big");
    ASSERT_TRUE(wide) << wide.error().code;
    EXPECT_EQ(wide->type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(wide->bytes, big);
    const Result<registry::Value> narrow = registry::queryValue(key(), "big");
    ASSERT_TRUE(narrow) << narrow.error().code;
    EXPECT_EQ(narrow->bytes, big);

    const Result<registry::Value> empty = registry::queryValue(key(), L"empty");
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->bytes.empty());

    const std::wstring longText(70000, L'j');
    set(L"longText", REG_SZ, longText.c_str(), (longText.size() + 1) * sizeof(wchar_t));
    const Result<std::wstring> text = registry::queryString(key(), L"longText");
    ASSERT_TRUE(text) << text.error().code;
    EXPECT_EQ(*text, longText);
}

TEST_F(ScratchRegistryKey, StringsComeWithoutTerminatorHoweverStored) {
    struct Case {
        const char* name;
        const wchar_t* valueName;
        DWORD type;
        std::wstring stored;  // the bytes written, terminator or not
        std::wstring want;
    };
    const Case cases[] = {
        {"terminated", L"terminated", REG_SZ, std::wstring(L"1.8.0_45\0", 9), L"1.8.0_45"},
        {"without terminator", L"bare", REG_SZ, L"1.8.0_45", L"1.8.0_45"},
        {"expandable, not expanded", L"expand", REG_EXPAND_SZ, std::wstring(L"%JAVA_HOME%\\bin\0", 16),
         L"%JAVA_HOME%\\bin"},
        {"empty", L"empty", REG_SZ, L"", L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        set(c.valueName, c.type, c.stored.data(), c.stored.size() * sizeof(wchar_t));
        const Result<std::wstring> wide = registry::queryString(key(), c.valueName);
        ASSERT_TRUE(wide) << wide.error().code;
        EXPECT_EQ(*wide, c.want);
        const std::string narrowName(c.valueName, c.valueName + std::wcslen(c.valueName));
        const Result<std::string> narrow = registry::queryString(key(), narrowName.c_str());
        ASSERT_TRUE(narrow) << narrow.error().code;
        EXPECT_EQ(*narrow, std::string(c.want.begin(), c.want.end()));
    }
}

// The code comes from the call's status: a stale last error must not show through.
TEST_F(ScratchRegistryKey, FailuresCarryTheStatusOfTheCallThatFailed) {
    const DWORD number = 4;
    set(L"number", REG_DWORD, &number, sizeof number);
    const std::wstring missingKey = path_ + L"\\missing";
    const std::string missingNarrow = narrowPath() + "\\missing";
    struct Case {
        const char* name;
        SysError got;
        const char* api;
        DWORD code;
    };
    const auto failure = [](const auto& result) {
        return result ? SysError{"(succeeded)", 0} : result.error();
    };
    ::SetLastError(ERROR_INVALID_HANDLE);
    const Case cases[] = {
        {"missing key", failure(registry::openKey(HKEY_CURRENT_USER, missingKey.c_str(), KEY_READ)),
         "RegOpenKeyExW", ERROR_FILE_NOT_FOUND},
        {"missing key, 8-bit", failure(registry::openKey(HKEY_CURRENT_USER, missingNarrow.c_str(), KEY_READ)),
         "RegOpenKeyExA", ERROR_FILE_NOT_FOUND},
        {"missing value", failure(registry::queryValue(key(), L"absent")), "RegQueryValueExW", ERROR_FILE_NOT_FOUND},
        {"missing value, 8-bit", failure(registry::queryValue(key(), "absent")), "RegQueryValueExA",
         ERROR_FILE_NOT_FOUND},
        {"missing string", failure(registry::queryString(key(), L"absent")), "RegQueryValueExW",
         ERROR_FILE_NOT_FOUND},
        {"number read as text", failure(registry::queryString(key(), L"number")), "RegQueryValueExW",
         ERROR_INVALID_DATATYPE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_STREQ(c.got.api, c.api);
        EXPECT_EQ(c.got.code, static_cast<std::uint32_t>(c.code));
    }
}

TEST_F(ScratchRegistryKey, CreateKeyMakesAMissingKeyAndOpensAnExistingOne) {
    const std::wstring child = path_ + L"\\made\\deeper";
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round == 0 ? "missing" : "existing");
        const Result<UniqueHKey> created = registry::createKey(HKEY_CURRENT_USER, child.c_str(), KEY_ALL_ACCESS);
        ASSERT_TRUE(created) << created.error().code;
        UniqueHKey seen;
        EXPECT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, child.c_str(), 0, KEY_READ, seen.put()), ERROR_SUCCESS);
    }
}

TEST(ServiceManager, MissingServiceFailsWithTheManagersCode) {
    const Result<UniqueServiceHandle> manager = scm::openManager(SC_MANAGER_CONNECT);
    ASSERT_TRUE(manager) << manager.error().code;
    const Result<UniqueServiceHandle> service =
        scm::openService(manager->get(), L"tavik-common-test-no-such-service", SERVICE_QUERY_STATUS);
    ASSERT_FALSE(service);
    EXPECT_STREQ(service.error().api, "OpenServiceW");
    EXPECT_EQ(service.error().code, static_cast<std::uint32_t>(ERROR_SERVICE_DOES_NOT_EXIST));
}

TEST(Describe, AddsTheSystemTextOnOneLine) {
    const std::u16string text = describe(SysError{"CreateFileW", ERROR_FILE_NOT_FOUND}, u"c:\\missing.txt");
    const std::u16string start = u"CreateFileW(\"c:\\missing.txt\") failed: 2 (";
    ASSERT_GT(text.size(), start.size() + 1);
    EXPECT_EQ(text.substr(0, start.size()), start);
    EXPECT_EQ(text.back(), u')');
    EXPECT_EQ(text.find_first_of(u"\r\n"), std::u16string::npos);
}

}  // namespace
}  // namespace tavik
