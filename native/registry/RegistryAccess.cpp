#include "native/registry/RegistryAccess.h"

#include <cstdio>

#include "common/win/SystemLibrary.h"
#include "common/win/WideText.h"
#include "native/registry/RegistryRules.h"
#include "native/system/Privilege.h"

namespace tavik::native::registry {
namespace {

constexpr DWORD kEnumeratedNameUnits = 4096;
constexpr DWORD kTreeNameUnits = 1024;

using RegDeleteKeyExFn = LSTATUS(WINAPI*)(HKEY, LPCWSTR, REGSAM, DWORD);

// Looked up at each call: systems without it delete in the caller's own view.
void deleteOneKey(HKEY parent, const wchar_t* name, REGSAM view) {
    if (view != 0) {
        const auto deleteKeyEx =
            findFunction<RegDeleteKeyExFn>(::GetModuleHandleW(L"advapi32.dll"), "RegDeleteKeyExW");
        if (deleteKeyEx != nullptr) {
            deleteKeyEx(parent, name, view, 0);
            return;
        }
    }
    ::RegDeleteKeyW(parent, name);
}

template <class Enumerate>
std::vector<std::u16string> enumeratedNames(Enumerate enumerate) {
    std::vector<std::u16string> names;
    std::vector<wchar_t> buffer(kEnumeratedNameUnits);
    for (DWORD index = 0;; ++index) {
        DWORD length = kEnumeratedNameUnits;
        const LSTATUS status = enumerate(index, buffer.data(), &length);
        if (status == ERROR_MORE_DATA) continue;
        if (status != ERROR_SUCCESS) return names;
        names.push_back(toU16(std::wstring_view(buffer.data(), length)));
    }
}

}  // namespace

HKEY rootKey(std::int32_t code) noexcept {
    switch (code) {
    case 1: return HKEY_CLASSES_ROOT;
    case 2: return HKEY_CURRENT_USER;
    case 3: return HKEY_LOCAL_MACHINE;
    case 4: return HKEY_USERS;
    case 5: return HKEY_CURRENT_CONFIG;
    default: return nullptr;
    }
}

UniqueHKey openRegistryKey(std::int32_t root, const wchar_t* path, bool create, bool write, REGSAM view) {
    UniqueHKey key;
    const HKEY rootHandle = rootKey(root);
    if (rootHandle == nullptr) return key;
    const LSTATUS status =
        create ? ::RegCreateKeyExW(rootHandle, path, 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, key.put(), nullptr)
               : ::RegOpenKeyExW(rootHandle, path, 0, KEY_READ | (write ? KEY_SET_VALUE : 0) | view, key.put());
    if (status != ERROR_SUCCESS) key.reset();
    return key;
}

std::optional<StoredValue> readValue(std::int32_t root, const wchar_t* path, const wchar_t* name, REGSAM view) {
    const UniqueHKey key = openRegistryKey(root, path, false, false, view);
    if (!key) return std::nullopt;
    StoredValue value;
    value.bytes.resize(kValueBufferBytes);
    DWORD size = static_cast<DWORD>(value.bytes.size());
    if (::RegQueryValueExW(key.get(), name, nullptr, &value.type, value.bytes.data(), &size) != ERROR_SUCCESS)
        return std::nullopt;
    value.bytes.resize(size);
    return value;
}

bool writeValue(std::int32_t root, const wchar_t* path, const wchar_t* name, REGSAM view,
                const std::function<std::optional<StoredValue>()>& prepare) {
    const UniqueHKey key = openRegistryKey(root, path, true, false, view);
    if (!key) return false;
    const std::optional<StoredValue> value = prepare();
    if (!value) return false;
    const auto write = [&] {
        return ::RegSetValueExW(key.get(), name, 0, value->type, value->bytes.data(),
                                static_cast<DWORD>(value->bytes.size()));
    };
    if (write() == ERROR_SUCCESS) return true;
    // The second try's status is reported; the write counts as failed either way.
    std::printf("no success %d\n", static_cast<int>(write()));
    std::fflush(stdout);
    return false;
}

void deleteValue(std::int32_t root, const wchar_t* path, const wchar_t* name, REGSAM view) {
    const UniqueHKey key = openRegistryKey(root, path, false, true, view);
    if (key) ::RegDeleteValueW(key.get(), name);
}

void deleteKey(std::int32_t root, const wchar_t* path, bool onlyIfEmpty, REGSAM view) {
    // The root opens under an empty path; its tree would go, sub-key by sub-key.
    if (path == nullptr || *path == L'\0') return;
    if (onlyIfEmpty) {
        // A key that does not open for writing might not be empty: it stays.
        const UniqueHKey key = openRegistryKey(root, path, false, true, view);
        if (!key) return;
        DWORD subKeys = 0;
        DWORD values = 0;
        if (::RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr,
                               nullptr, nullptr, nullptr) != ERROR_SUCCESS ||
            subKeys > 0 || values > 0)
            return;
    }
    deleteKeyTree(rootKey(root), path, view);
}

void deleteKeyTree(HKEY parent, const wchar_t* name, REGSAM view) {
    UniqueHKey key;
    if (::RegOpenKeyExW(parent, name, 0, KEY_READ | view, key.put()) != ERROR_SUCCESS) return;
    // Collected first: deleting while enumerating would shift the indexes.
    std::vector<std::wstring> subKeys;
    wchar_t subKey[kTreeNameUnits];
    for (DWORD index = 0;; ++index) {
        DWORD length = kTreeNameUnits;
        if (::RegEnumKeyExW(key.get(), index, subKey, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        subKeys.emplace_back(subKey, length);
    }
    for (auto it = subKeys.rbegin(); it != subKeys.rend(); ++it) deleteKeyTree(key.get(), it->c_str(), view);
    key.reset();
    deleteOneKey(parent, name, view);
}

bool saveKey(std::int32_t root, const wchar_t* path, const wchar_t* file, REGSAM view) {
    if (!enablePrivilege(L"SeBackupPrivilege", true)) return false;
    const UniqueHKey key = openRegistryKey(root, path, false, true, view);
    return key && ::RegSaveKeyW(key.get(), file, nullptr) == ERROR_SUCCESS;
}

bool restoreKey(std::int32_t root, const wchar_t* path, const wchar_t* file, REGSAM view) {
    if (!enablePrivilege(L"SeBackupPrivilege", true) || !enablePrivilege(L"SeRestorePrivilege", true)) return false;
    const UniqueHKey key = openRegistryKey(root, path, true, false, view);
    return key && ::RegRestoreKeyW(key.get(), file, 0) == ERROR_SUCCESS;
}

std::optional<std::vector<std::u16string>> subKeyNames(std::int32_t root, const wchar_t* path, REGSAM view) {
    const UniqueHKey key = openRegistryKey(root, path, false, false, view);
    if (!key) return std::nullopt;
    std::vector<wchar_t> className(kEnumeratedNameUnits);
    return enumeratedNames([&](DWORD index, wchar_t* name, DWORD* length) {
        DWORD classLength = kEnumeratedNameUnits;
        return ::RegEnumKeyExW(key.get(), index, name, length, nullptr, className.data(), &classLength, nullptr);
    });
}

std::optional<std::vector<std::u16string>> valueNames(std::int32_t root, const wchar_t* path, REGSAM view) {
    const UniqueHKey key = openRegistryKey(root, path, false, false, view);
    if (!key) return std::nullopt;
    return enumeratedNames([&](DWORD index, wchar_t* name, DWORD* length) {
        return ::RegEnumValueW(key.get(), index, name, length, nullptr, nullptr, nullptr, nullptr);
    });
}

}  // namespace tavik::native::registry
