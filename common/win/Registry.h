#pragma once
// Registry keys and values. Every opened key comes back in its owner; every
// failure carries the status the call returned.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/Result.h"
#include "common/win/Handles.h"

namespace tavik::registry {

struct Value {
    DWORD type = REG_NONE;
    std::vector<std::uint8_t> bytes;
};

Result<UniqueHKey> openKey(HKEY root, const char* path, REGSAM access);
Result<UniqueHKey> openKey(HKEY root, const wchar_t* path, REGSAM access);

// Opens the key, creating it (non-volatile, without a class) when missing.
Result<UniqueHKey> createKey(HKEY root, const char* path, REGSAM access);
Result<UniqueHKey> createKey(HKEY root, const wchar_t* path, REGSAM access);

// The whole value, however long: the buffer grows until it fits. The 8-bit
// form hands string data over in the ANSI code page.
Result<Value> queryValue(HKEY key, const char* name);
Result<Value> queryValue(HKEY key, const wchar_t* name);

// A REG_SZ or REG_EXPAND_SZ value without its terminating zeros, stored with
// them or not, unexpanded; other types fail with ERROR_INVALID_DATATYPE.
Result<std::string> queryString(HKEY key, const char* name);
Result<std::wstring> queryString(HKEY key, const wchar_t* name);

}  // namespace tavik::registry
