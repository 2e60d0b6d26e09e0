#pragma once
// The registry as the Registry natives reach it: a root by its small code, a
// key path, and the caller's view flags OR-ed into every open, create and
// tree deletion. Failures are told only by what comes back.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/win/Handles.h"

namespace tavik::native::registry {

// 1 HKEY_CLASSES_ROOT ... 5 HKEY_CURRENT_CONFIG; null for any other code.
HKEY rootKey(std::int32_t code) noexcept;

// With `create` the key is created or opened with full access; otherwise it
// is opened for reading, with KEY_SET_VALUE as well when `write` is set.
UniqueHKey openRegistryKey(std::int32_t root, const wchar_t* path, bool create, bool write, REGSAM view);

struct StoredValue {
    DWORD type = REG_NONE;
    std::vector<std::uint8_t> bytes;
};

// Nullopt for a missing key or value, and for one larger than the value buffer.
std::optional<StoredValue> readValue(std::int32_t root, const wchar_t* path, const wchar_t* name, REGSAM view);

// The key is created before `prepare` says what to write, so it exists even
// when nothing is written. A refused write is tried once more, and reported.
bool writeValue(std::int32_t root, const wchar_t* path, const wchar_t* name, REGSAM view,
                const std::function<std::optional<StoredValue>()>& prepare);

void deleteValue(std::int32_t root, const wchar_t* path, const wchar_t* name, REGSAM view);

// The key and everything below it, best effort; with `onlyIfEmpty` only a
// key that opens for writing and holds neither sub-keys nor values. A null or
// empty path names the root itself, which is never emptied.
void deleteKey(std::int32_t root, const wchar_t* path, bool onlyIfEmpty, REGSAM view);

// Sub-keys deepest first, then the key; whatever cannot be opened or deleted
// stays, silently.
void deleteKeyTree(HKEY parent, const wchar_t* name, REGSAM view);

// Both need privileges of the account: false when they cannot be enabled.
bool saveKey(std::int32_t root, const wchar_t* path, const wchar_t* file, REGSAM view);
bool restoreKey(std::int32_t root, const wchar_t* path, const wchar_t* file, REGSAM view);

// In enumeration order; nullopt when the key does not open. A name too long
// for the buffer is left out; an enumeration that fails otherwise (the key
// deleted meanwhile) ends with the names it had.
std::optional<std::vector<std::u16string>> subKeyNames(std::int32_t root, const wchar_t* path, REGSAM view);
std::optional<std::vector<std::u16string>> valueNames(std::int32_t root, const wchar_t* path, REGSAM view);

}  // namespace tavik::native::registry
