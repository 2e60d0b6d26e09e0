#pragma once
// Support for the registry natives' tests: keys of their own names, fixtures
// written raw with exact bytes, and what the registry keeps read back raw,
// never through the code under test.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavik::test::registry {

struct RawValue {
    DWORD type = REG_NONE;
    std::vector<std::uint8_t> bytes;

    bool operator==(const RawValue& other) const { return type == other.type && bytes == other.bytes; }
};

// UTF-16 units as the registry stores them.
std::vector<std::uint8_t> bytesOf(const std::u16string& units);

// A key path no other test or test run uses, below Software\tavik-test\ of
// its root, removed with all it holds, in both registry views, at the end.
class ScratchKey {
public:
    explicit ScratchKey(const std::wstring& tag, HKEY root = HKEY_CURRENT_USER);
    ~ScratchKey();
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;

    HKEY root() const { return root_; }
    // Relative to the root; `child` is appended after a backslash.
    std::wstring path(const std::wstring& child = L"") const;

private:
    HKEY root_;
    std::wstring path_;
};

// Raw writes: the key is created as needed; false when the registry refuses.
bool createRawKey(HKEY root, const std::wstring& path, REGSAM view = 0);
bool setRaw(HKEY root, const std::wstring& path, const wchar_t* name, DWORD type, const std::vector<std::uint8_t>& bytes,
            REGSAM view = 0);
// The status RegSetValueExW gives for this write.
LSTATUS rawSetStatus(HKEY root, const std::wstring& path, const wchar_t* name, DWORD type,
                     const std::vector<std::uint8_t>& bytes);

// Raw reads, in the given view.
bool rawKeyExists(HKEY root, const std::wstring& path, REGSAM view = 0);
std::optional<RawValue> rawValue(HKEY root, const std::wstring& path, const wchar_t* name, REGSAM view = 0);
std::vector<std::wstring> rawSubKeys(HKEY root, const std::wstring& path);
std::vector<std::wstring> rawValueNames(HKEY root, const std::wstring& path);

// Replaces the key's access list, as an SDDL text.
bool setKeyAccess(HKEY root, const std::wstring& path, const wchar_t* sddl);

// Whether this process sees two registry views (64-bit Windows).
bool hasTwoViews();

}  // namespace tavik::test::registry
