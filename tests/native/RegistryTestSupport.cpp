#include "tests/native/RegistryTestSupport.h"

#include <sddl.h>

#include <atomic>
#include <cstring>

namespace tavik::test::registry {
namespace {

class Key {
public:
    Key(HKEY root, const std::wstring& path, REGSAM access) {
        if (::RegOpenKeyExW(root, path.c_str(), 0, access, &key_) != ERROR_SUCCESS) key_ = nullptr;
    }
    ~Key() {
        if (key_ != nullptr) ::RegCloseKey(key_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

// Access lists some tests narrow would keep the scratch key from going.
void openUp(HKEY root, const std::wstring& path) {
    setKeyAccess(root, path, L"D:(A;OICI;KA;;;WD)");
    const Key key(root, path, KEY_READ);
    if (key.get() == nullptr) return;
    wchar_t name[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = 256;
        if (::RegEnumKeyExW(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return;
        openUp(root, path + L"\\" + name);
    }
}

void removeTree(HKEY root, const std::wstring& path) {
    openUp(root, path);
    ::RegDeleteTreeW(root, path.c_str());
    ::RegDeleteKeyW(root, path.c_str());
}

constexpr const wchar_t* kSoftware = L"Software\\";

}  // namespace

std::vector<std::uint8_t> bytesOf(const std::u16string& units) {
    const auto* first = reinterpret_cast<const std::uint8_t*>(units.data());
    return std::vector<std::uint8_t>(first, first + units.size() * sizeof(char16_t));
}

ScratchKey::ScratchKey(const std::wstring& tag, HKEY root) : root_(root) {
    static std::atomic<int> counter{0};
    path_ = std::wstring(kSoftware) + L"tavik-test\\" + tag + L"-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
            std::to_wstring(++counter);
}

ScratchKey::~ScratchKey() {
    removeTree(root_, path_);
    // Tree deletion opens its sub-keys in the process's own view; the other
    // view's keys are reached by their stored path.
    if (hasTwoViews()) removeTree(root_, L"Software\\Wow6432Node\\" + path_.substr(std::wcslen(kSoftware)));
}

std::wstring ScratchKey::path(const std::wstring& child) const {
    return child.empty() ? path_ : path_ + L"\\" + child;
}

bool createRawKey(HKEY root, const std::wstring& path, REGSAM view) {
    HKEY key = nullptr;
    if (::RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    ::RegCloseKey(key);
    return true;
}

LSTATUS rawSetStatus(HKEY root, const std::wstring& path, const wchar_t* name, DWORD type,
                     const std::vector<std::uint8_t>& bytes) {
    HKEY key = nullptr;
    const LSTATUS created =
        ::RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (created != ERROR_SUCCESS) return created;
    const LSTATUS status = ::RegSetValueExW(key, name, 0, type, bytes.data(), static_cast<DWORD>(bytes.size()));
    ::RegCloseKey(key);
    return status;
}

bool setRaw(HKEY root, const std::wstring& path, const wchar_t* name, DWORD type, const std::vector<std::uint8_t>& bytes,
            REGSAM view) {
    HKEY key = nullptr;
    if (::RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const LSTATUS status = ::RegSetValueExW(key, name, 0, type, bytes.data(), static_cast<DWORD>(bytes.size()));
    ::RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

bool rawKeyExists(HKEY root, const std::wstring& path, REGSAM view) {
    return Key(root, path, KEY_READ | view).get() != nullptr;
}

std::optional<RawValue> rawValue(HKEY root, const std::wstring& path, const wchar_t* name, REGSAM view) {
    const Key key(root, path, KEY_READ | view);
    if (key.get() == nullptr) return std::nullopt;
    RawValue value;
    DWORD size = 0;
    if (::RegQueryValueExW(key.get(), name, nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    value.bytes.resize(size);
    if (::RegQueryValueExW(key.get(), name, nullptr, &value.type, value.bytes.data(), &size) != ERROR_SUCCESS)
        return std::nullopt;
    value.bytes.resize(size);
    return value;
}

std::vector<std::wstring> rawSubKeys(HKEY root, const std::wstring& path) {
    std::vector<std::wstring> names;
    const Key key(root, path, KEY_READ);
    wchar_t name[256];
    for (DWORD index = 0; key.get() != nullptr; ++index) {
        DWORD length = 256;
        if (::RegEnumKeyExW(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    return names;
}

std::vector<std::wstring> rawValueNames(HKEY root, const std::wstring& path) {
    std::vector<std::wstring> names;
    const Key key(root, path, KEY_READ);
    std::vector<wchar_t> name(16384);
    for (DWORD index = 0; key.get() != nullptr; ++index) {
        DWORD length = static_cast<DWORD>(name.size());
        if (::RegEnumValueW(key.get(), index, name.data(), &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        names.emplace_back(name.data(), length);
    }
    return names;
}

bool setKeyAccess(HKEY root, const std::wstring& path, const wchar_t* sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor, nullptr))
        return false;
    const Key key(root, path, WRITE_DAC);
    const bool set = key.get() != nullptr &&
                     ::RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, descriptor) == ERROR_SUCCESS;
    ::LocalFree(descriptor);
    return set;
}

bool hasTwoViews() {
#ifdef _WIN64
    return true;
#else
    BOOL wow64 = FALSE;
    return ::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64;
#endif
}

}  // namespace tavik::test::registry
