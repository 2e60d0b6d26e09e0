// The Win32Proxy natives through the real DLL against Wine's WinHTTP: the
// settings it reads are written raw into the registry the way the settings
// dialog and netsh write them, and proxy scripts come from a server of the
// test's own on the loopback.
#include <windows.h>

#include <jni.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tests/native/ProxyNativesApi.h"
#include "tests/native/ProxyTestSupport.h"
#include "tests/native/RegistryTestSupport.h"
#include "tests/win/TestSupport.h"

namespace tavik::test::proxy {
namespace {

constexpr jint kUnavailable = 100000;
constexpr jint kArrayTooShort = 122;   // ERROR_INSUFFICIENT_BUFFER
constexpr jint kNoStringMemory = 8;    // ERROR_NOT_ENOUGH_MEMORY
constexpr jlong kProxyQueryFailed = 0x200000000;

// WinHTTP's automatic-proxy option and auto-detect bits.
constexpr jint kDiscover = 0x1;  // WINHTTP_AUTOPROXY_AUTO_DETECT
constexpr jint kUseScript = 0x2;  // WINHTTP_AUTOPROXY_CONFIG_URL
constexpr jint kDetectDhcp = 0x1;
constexpr jint kDetectDnsA = 0x2;

constexpr DWORD kUnableToDownloadScript = 12167;  // ERROR_WINHTTP_UNABLE_TO_DOWNLOAD_SCRIPT
constexpr DWORD kAutodetectionFailed = 12180;     // ERROR_WINHTTP_AUTODETECTION_FAILED

const std::u16string kKept = u"as passed";
const Elements kKeptFour{kKept, kKept, kKept, kKept};
const Elements kKeptThree{kKept, kKept, kKept};
const Elements kNullFour(4);
const Elements kNullThree(3);

std::optional<std::u16string> kept() { return kKept; }

std::vector<std::uint8_t> utf16Bytes(const std::string& text) {
    return registry::bytesOf(std::u16string(text.begin(), text.end()));
}

std::vector<std::uint8_t> dwordBytes(DWORD value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

// The elements a kept-filled array should hold, with the null-filled one's
// elements that were not written as null instead.
Elements nullsForKept(const Elements& expected) {
    Elements result = expected;
    for (std::optional<std::u16string>& element : result)
        if (element == kKept) element.reset();
    return result;
}

// The current user's browser proxy settings, as they were before, are put
// back after each test.
class BrowserSettings : public ::testing::Test {
protected:
    struct Dialog {
        std::uint32_t flags;
        std::string proxy, bypass, scriptUrl;
    };

    // What the settings dialog leaves behind: the connection's record, and
    // the plain values beside it that older programs read.
    static void write(const Dialog& dialog) {
        ASSERT_TRUE(registry::setRaw(HKEY_CURRENT_USER, kConnections, L"DefaultConnectionSettings", REG_BINARY,
                                     connectionSettings(dialog.flags, dialog.proxy, dialog.bypass, dialog.scriptUrl)));
        ASSERT_TRUE(registry::setRaw(HKEY_CURRENT_USER, kInternetSettings, L"ProxyEnable", REG_DWORD,
                                     dwordBytes((dialog.flags & kManualProxy) != 0 ? 1 : 0)));
        writeOrRemove(L"ProxyServer", dialog.proxy);
        writeOrRemove(L"ProxyOverride", dialog.bypass);
        writeOrRemove(L"AutoConfigURL", dialog.scriptUrl);
    }

    static void writeOrRemove(const wchar_t* name, const std::string& text) {
        if (!text.empty()) {
            ASSERT_TRUE(registry::setRaw(HKEY_CURRENT_USER, kInternetSettings, name, REG_SZ, utf16Bytes(text)));
            return;
        }
        HKEY key = nullptr;
        ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, kInternetSettings.c_str(), 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
        ::RegDeleteValueW(key, name);
        ::RegCloseKey(key);
    }

    JavaSide java;

private:
    SavedValue record_{HKEY_CURRENT_USER, kConnections, L"DefaultConnectionSettings"};
    SavedValue enable_{HKEY_CURRENT_USER, kInternetSettings, L"ProxyEnable"};
    SavedValue server_{HKEY_CURRENT_USER, kInternetSettings, L"ProxyServer"};
    SavedValue override_{HKEY_CURRENT_USER, kInternetSettings, L"ProxyOverride"};
    SavedValue scriptUrl_{HKEY_CURRENT_USER, kInternetSettings, L"AutoConfigURL"};
};

TEST_F(BrowserSettings, EachStringTheDialogSetIsWrittenAndTheOthersStayAsPassed) {
    struct Case {
        const char* name;
        Dialog dialog;
        Elements want;
    };
    const Case cases[] = {
        {"manual proxy, detection off",
         {kDirect | kManualProxy, "proxy.test:3128", "", ""},
         {u"false", kept(), u"proxy.test:3128", kept()}},
        {"manual proxies by scheme with a bypass list",
         {kDirect | kManualProxy, "http=a.test:80;https=b.test:443", "*.test;<local>", ""},
         {u"false", kept(), u"http=a.test:80;https=b.test:443", u"*.test;<local>"}},
        {"detection and a script",
         {kDirect | kAutoDetect | kScriptUrl, "", "", "http://pac.test/p.pac"},
         {u"true", u"http://pac.test/p.pac", kept(), kept()}},
        {"everything",
         {kDirect | kManualProxy | kScriptUrl | kAutoDetect, "proxy.test:3128", "<local>", "http://pac.test/p.pac"},
         {u"true", u"http://pac.test/p.pac", u"proxy.test:3128", u"<local>"}},
        {"direct", {kDirect, "", "", ""}, {u"false", kept(), kept(), kept()}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        write(c.dialog);
        const jobjectArray keptArray = java.array(kKeptFour);
        EXPECT_EQ(java.ieConfig(keptArray), 0);
        EXPECT_EQ(java.contents(keptArray), c.want);
        const jobjectArray nullArray = java.array(kNullFour);
        EXPECT_EQ(java.ieConfig(nullArray), 0);
        EXPECT_EQ(java.contents(nullArray), nullsForKept(c.want));
        EXPECT_FALSE(java.exceptionPending());
    }
}

TEST_F(BrowserSettings, ElementsBeyondTheFourthAreNotTouched) {
    write({kDirect | kManualProxy | kScriptUrl | kAutoDetect, "proxy.test:3128", "<local>", "http://pac.test/p.pac"});
    const jobjectArray elements = java.array({kKept, kKept, kKept, kKept, kKept, std::nullopt});
    EXPECT_EQ(java.ieConfig(elements), 0);
    EXPECT_EQ(java.contents(elements),
              (Elements{u"true", u"http://pac.test/p.pac", u"proxy.test:3128", u"<local>", kKept, std::nullopt}));
}

// The VM refuses the proxy list: what comes after it is not tried, and the
// VM's error is not left pending for Java.
TEST_F(BrowserSettings, AStringTheVmCannotMakeEndsTheAnswer) {
    write({kDirect | kManualProxy, "a-proxy-name-that-the-heap-has-no-room-for.test:3128", "<local>", ""});
    java.jni().limitStringLength(16);
    const jobjectArray elements = java.array(kKeptFour);
    EXPECT_EQ(java.ieConfig(elements), kNoStringMemory);
    EXPECT_FALSE(java.exceptionPending());
    EXPECT_EQ(java.contents(elements), (Elements{u"false", kKept, kKept, kKept}));
}

// netsh's record of the machine's default proxy, as it was before, is put
// back after each test.
class DefaultProxy : public ::testing::Test {
protected:
    JavaSide java;

private:
    SavedValue record_{HKEY_LOCAL_MACHINE, kConnections, L"WinHttpSettings"};
};

TEST_F(DefaultProxy, ANamedProxyIsTrueWithItsListsAndDirectIsFalse) {
    struct Case {
        const char* name;
        std::string proxy, bypass;
        Elements want;
    };
    const Case cases[] = {
        {"named proxy with a bypass list", "winhttp.test:8080", "*.local;<local>",
         {u"true", u"winhttp.test:8080", u"*.local;<local>"}},
        {"named proxy alone", "winhttp.test:8080", "", {u"true", u"winhttp.test:8080", kept()}},
        {"direct", "", "", {u"false", kept(), kept()}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(registry::setRaw(HKEY_LOCAL_MACHINE, kConnections, L"WinHttpSettings", REG_BINARY,
                                     winHttpSettings(c.proxy, c.bypass)));
        const jobjectArray keptArray = java.array(kKeptThree);
        EXPECT_EQ(java.defaultConfig(keptArray), 0);
        EXPECT_EQ(java.contents(keptArray), c.want);
        const jobjectArray nullArray = java.array(kNullThree);
        EXPECT_EQ(java.defaultConfig(nullArray), 0);
        EXPECT_EQ(java.contents(nullArray), nullsForKept(c.want));
    }
}

const char* const kScript =
    "function FindProxyForURL(url, host) {\n"
    "  if (host == \"inside.test\") return \"DIRECT\";\n"
    "  if (url.substring(0, 6) == \"https:\") return \"PROXY secure.test:8443\";\n"
    "  return \"PROXY pac.test:8080\";\n"
    "}\n";

TEST(AutoProxy, TheScriptsAnswerForTheUrlIsWritten) {
    ScriptServer server;
    server.serve("/proxy.pac", kScript);
    JavaSide java;
    struct Case {
        std::u16string url;
        Elements want;
    };
    const Case cases[] = {
        {u"http://outside.test/index.html", {u"true", u"pac.test:8080", kept()}},
        {u"https://outside.test/", {u"true", u"secure.test:8443", kept()}},
        {u"http://inside.test/", {u"false", kept(), kept()}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(utf8(c.url));
        const jobjectArray elements = java.array(kKeptThree);
        EXPECT_EQ(java.autoProxy(elements, c.url, server.url("/proxy.pac"), kUseScript, 0), 0);
        EXPECT_EQ(java.contents(elements), c.want);
    }
    EXPECT_FALSE(java.exceptionPending());
}

TEST(AutoProxy, ANullUrlDoesNothing) {
    ScriptServer server;
    server.serve("/proxy.pac", kScript);
    JavaSide java;
    for (const Elements& before : {kKeptThree, kNullThree}) {
        const jobjectArray elements = java.array(before);
        EXPECT_EQ(java.autoProxy(elements, std::nullopt, server.url("/proxy.pac"), kUseScript, 0), 0);
        EXPECT_EQ(java.contents(elements), before);
    }
    EXPECT_EQ(server.requests("/proxy.pac"), 0);
}

// The options reach WinHTTP unchanged: each failure is the one WinHTTP
// itself gives for them, above the step that failed.
TEST(AutoProxy, AFailedQueryIsTheStepWithWinHttpsError) {
    ScriptServer server;
    server.serve("/proxy.pac", kScript);
    JavaSide java;
    struct Case {
        const char* name;
        std::u16string scriptUrl;
        jint flags, autoDetectFlags;
        std::optional<DWORD> windowsError;  // where WinHTTP documents which
    };
    const Case cases[] = {
        {"no script at the URL", server.url("/missing.pac"), kUseScript, 0, kUnableToDownloadScript},
        {"nothing listening", u"http://127.0.0.1:1/proxy.pac", kUseScript, 0, kUnableToDownloadScript},
        {"discovery finds no script", u"", kDiscover, kDetectDhcp | kDetectDnsA, kAutodetectionFailed},
        // A script URL without the option that uses it is not fetched.
        {"neither discovery nor a script asked for", server.url("/proxy.pac"), 0, 0, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // The natives first: Wine's WinHTTP keeps what it fetched from a
        // script URL for the rest of the process.
        const jobjectArray elements = java.array(kKeptThree);
        const jlong status =
            java.autoProxy(elements, u"http://outside.test/", c.scriptUrl, c.flags, c.autoDetectFlags);
        const DWORD error = rawProxyQueryError(u"http://outside.test/", c.scriptUrl, static_cast<DWORD>(c.flags),
                                               static_cast<DWORD>(c.autoDetectFlags));
        ASSERT_NE(error, 0u);
        if (c.windowsError) EXPECT_EQ(error, *c.windowsError);
        EXPECT_EQ(status, kProxyQueryFailed + error);
        EXPECT_EQ(java.contents(elements), kKeptThree);
    }
    EXPECT_EQ(server.requests("/proxy.pac"), 0);
    EXPECT_GE(server.requests("/missing.pac"), 1);
}

TEST(AutoProxy, AStringTheVmCannotMakeEndsTheAnswer) {
    ScriptServer server;
    server.serve("/proxy.pac", kScript);
    JavaSide java;
    java.jni().limitStringLength(4);
    const jobjectArray elements = java.array(kKeptThree);
    EXPECT_EQ(java.autoProxy(elements, u"http://outside.test/", server.url("/proxy.pac"), kUseScript, 0),
              kNoStringMemory);
    EXPECT_FALSE(java.exceptionPending());
    EXPECT_EQ(java.contents(elements), (Elements{u"true", kKept, kKept}));
}

// An array too short for the answer, or none, is refused before WinHTTP is
// asked: nothing is written out of range and no exception is left pending.
TEST(ShortArrays, AreRefusedBeforeAnythingIsAskedOrWritten) {
    ScriptServer server;
    server.serve("/proxy.pac", kScript);
    JavaSide java;
    enum class Native { IEConfig, DefaultConfig, AutoProxy };
    struct Case {
        const char* name;
        Native native;
        std::optional<Elements> before;  // nullopt: a null array
    };
    const Case cases[] = {
        {"browser settings, three", Native::IEConfig, kKeptThree},
        {"browser settings, none", Native::IEConfig, Elements{}},
        {"browser settings, null", Native::IEConfig, std::nullopt},
        {"default proxy, two", Native::DefaultConfig, Elements{kKept, kKept}},
        {"default proxy, null", Native::DefaultConfig, std::nullopt},
        {"a URL's proxy, two", Native::AutoProxy, Elements{kKept, std::nullopt}},
        {"a URL's proxy, one", Native::AutoProxy, Elements{kKept}},
        {"a URL's proxy, null", Native::AutoProxy, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const jobjectArray elements = c.before ? java.array(*c.before) : nullptr;
        jlong status = 0;
        switch (c.native) {
            case Native::IEConfig: status = java.ieConfig(elements); break;
            case Native::DefaultConfig: status = java.defaultConfig(elements); break;
            case Native::AutoProxy:
                status = java.autoProxy(elements, u"http://outside.test/", server.url("/proxy.pac"), kUseScript, 0);
                break;
        }
        EXPECT_EQ(status, kArrayTooShort);
        EXPECT_FALSE(java.exceptionPending());
        if (c.before) EXPECT_EQ(java.contents(elements), *c.before);
    }
    EXPECT_EQ(server.requests("/proxy.pac"), 0);
    // A null URL ends the call first, short array or not.
    EXPECT_EQ(java.autoProxy(java.array({}), std::nullopt, server.url("/proxy.pac"), kUseScript, 0), 0);
}

TEST(WinHttpBinding, WithoutWinHttpEveryQueryIsUnavailable) {
    JavaSide java;
    EXPECT_TRUE(java.loadFunctions());
    // The binding is made once per process: a child of its own, one Wine
    // loads no WinHTTP into.
    const ProgramWithoutWinHttp program(testExecutable());
    const ChildResult child = runScenario(program.path(), "without-winhttp", {});
    ASSERT_EQ(child.exitCode, 0) << child.out << child.err;
    EXPECT_EQ(lines(child.out), (std::vector<std::string>{
                                    "winhttp=absent",
                                    "loadFunctions0=0",
                                    "getIEConfig0=" + std::to_string(kUnavailable),
                                    "getDefaultConfig0=" + std::to_string(kUnavailable),
                                    "getAutoProxyConfig0=" + std::to_string(kUnavailable),
                                    "untouched=1",
                                }));
}

}  // namespace
}  // namespace tavik::test::proxy
