#pragma once
// Support for the proxy natives' tests: the registry records that WinHTTP
// reads the settings from, written raw and put back afterwards; a program
// copy without WinHTTP; and WinHTTP asked directly, never through the code
// under test.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tests/native/RegistryTestSupport.h"
#include "tests/native/ScriptServer.h"
#include "tests/win/TestSupport.h"

namespace tavik::test::proxy {

inline const std::wstring kInternetSettings = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
inline const std::wstring kConnections = kInternetSettings + L"\\Connections";

// A value as it was before the test: put back at the end, or removed again
// together with a key that the test's writes created.
class SavedValue {
public:
    SavedValue(HKEY root, std::wstring path, std::wstring name);
    ~SavedValue();
    SavedValue(const SavedValue&) = delete;
    SavedValue& operator=(const SavedValue&) = delete;

private:
    HKEY root_;
    std::wstring path_, name_;
    bool keyExisted_;
    std::optional<registry::RawValue> value_;
};

// Flags of a connection's settings record.
inline constexpr std::uint32_t kDirect = 0x01;
inline constexpr std::uint32_t kManualProxy = 0x02;
inline constexpr std::uint32_t kScriptUrl = 0x04;
inline constexpr std::uint32_t kAutoDetect = 0x08;

// DefaultConnectionSettings as the settings dialog writes it: version,
// change counter, flags, then the proxy list, the bypass list and the
// script URL, each ANSI text behind its length; reserved zeros at the end.
std::vector<std::uint8_t> connectionSettings(std::uint32_t flags, const std::string& proxy, const std::string& bypass,
                                             const std::string& scriptUrl);
// WinHttpSettings as netsh writes it: a named proxy when `proxy` is not empty.
std::vector<std::uint8_t> winHttpSettings(const std::string& proxy, const std::string& bypass);

// A copy of a program under a name of its own, for which Wine's per-program
// DLL overrides disable WinHTTP; the copy and the overrides go at the end.
class ProgramWithoutWinHttp {
public:
    explicit ProgramWithoutWinHttp(const fs::path& program);
    ~ProgramWithoutWinHttp();
    ProgramWithoutWinHttp(const ProgramWithoutWinHttp&) = delete;
    ProgramWithoutWinHttp& operator=(const ProgramWithoutWinHttp&) = delete;

    const fs::path& path() const { return copy_; }

private:
    ScratchDir directory_;
    fs::path copy_;
    std::wstring overridesKey_;
};

// What WinHttpGetProxyForUrl fails with (0 when it succeeds) for these
// options, WinHTTP bound here on its own.
DWORD rawProxyQueryError(const std::u16string& url, const std::u16string& scriptUrl, DWORD flags,
                         DWORD autoDetectFlags);

}  // namespace tavik::test::proxy
