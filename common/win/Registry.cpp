#include "common/win/Registry.h"

#include <algorithm>
#include <cstring>

#include "common/win/LastError.h"

namespace tavik::registry {
namespace {

// Most values fit at once; a longer one says how much it needs.
constexpr DWORD kFirstGuessBytes = 256;

template <class Query>
Result<Value> grownQuery(const char* api, Query query) {
    Value value;
    value.bytes.resize(kFirstGuessBytes);
    for (;;) {
        DWORD size = static_cast<DWORD>(value.bytes.size());
        const LSTATUS status = query(&value.type, value.bytes.data(), &size);
        if (status == ERROR_SUCCESS) {
            value.bytes.resize(size);
            return value;
        }
        if (status != ERROR_MORE_DATA) return statusError(api, status);
        // The value may have grown since `size` was measured: never retry with the same buffer.
        value.bytes.resize(std::max<std::size_t>(size, 2 * value.bytes.size()));
    }
}

bool isString(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

template <class Char>
Result<std::basic_string<Char>> stringOf(const char* api, Result<Value> value) {
    if (!value) return value.error();
    if (!isString(value->type)) return statusError(api, ERROR_INVALID_DATATYPE);
    std::basic_string<Char> text(value->bytes.size() / sizeof(Char), Char{});
    std::memcpy(text.data(), value->bytes.data(), text.size() * sizeof(Char));
    while (!text.empty() && text.back() == Char{}) text.pop_back();
    return text;
}

}  // namespace

Result<UniqueHKey> openKey(HKEY root, const char* path, REGSAM access) {
    UniqueHKey key;
    const LSTATUS status = ::RegOpenKeyExA(root, path, 0, access, key.put());
    if (status != ERROR_SUCCESS) return statusError("RegOpenKeyExA", status);
    return key;
}

Result<UniqueHKey> openKey(HKEY root, const wchar_t* path, REGSAM access) {
    UniqueHKey key;
    const LSTATUS status = ::RegOpenKeyExW(root, path, 0, access, key.put());
    if (status != ERROR_SUCCESS) return statusError("RegOpenKeyExW", status);
    return key;
}

Result<UniqueHKey> createKey(HKEY root, const char* path, REGSAM access) {
    UniqueHKey key;
    const LSTATUS status =
        ::RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, key.put(), nullptr);
    if (status != ERROR_SUCCESS) return statusError("RegCreateKeyExA", status);
    return key;
}

Result<UniqueHKey> createKey(HKEY root, const wchar_t* path, REGSAM access) {
    UniqueHKey key;
    const LSTATUS status =
        ::RegCreateKeyExW(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, key.put(), nullptr);
    if (status != ERROR_SUCCESS) return statusError("RegCreateKeyExW", status);
    return key;
}

Result<Value> queryValue(HKEY key, const char* name) {
    return grownQuery("RegQueryValueExA", [&](DWORD* type, BYTE* data, DWORD* size) {
        return ::RegQueryValueExA(key, name, nullptr, type, data, size);
    });
}

Result<Value> queryValue(HKEY key, const wchar_t* name) {
    return grownQuery("RegQueryValueExW", [&](DWORD* type, BYTE* data, DWORD* size) {
        return ::RegQueryValueExW(key, name, nullptr, type, data, size);
    });
}

Result<std::string> queryString(HKEY key, const char* name) {
    return stringOf<char>("RegQueryValueExA", queryValue(key, name));
}

Result<std::wstring> queryString(HKEY key, const wchar_t* name) {
    return stringOf<wchar_t>("RegQueryValueExW", queryValue(key, name));
}

}  // namespace tavik::registry
