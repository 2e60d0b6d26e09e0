#include "launcher/win/paths/Environment.h"

#include <windows.h>

#include "common/win/WideText.h"

namespace tavik::paths {
namespace {

// Calls `query(buffer, capacity)`, which returns the length written, or the
// capacity needed (terminator included) when the buffer is too small, or 0 on
// failure, until the result fits.
template <class Char, class Query>
std::optional<std::basic_string<Char>> grownQuery(Query query) {
    std::basic_string<Char> buffer(MAX_PATH, Char{});
    for (;;) {
        const DWORD length = query(buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return std::nullopt;
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.resize(length);
    }
}

// GetEnvironmentVariable returns 0 both for an unset variable and for an
// empty value; only the error code tells them apart.
template <class Char, class Get>
std::optional<std::basic_string<Char>> environmentValue(Get get) {
    ::SetLastError(ERROR_SUCCESS);
    auto value = grownQuery<Char>(get);
    if (value) return value;
    if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
    return std::basic_string<Char>();
}

}  // namespace

std::optional<std::string> environmentVariable(const char* name) {
    return environmentValue<char>([&](char* buffer, DWORD size) { return ::GetEnvironmentVariableA(name, buffer, size); });
}

std::optional<std::u16string> environmentVariable(const char16_t* name) {
    const std::wstring wideName = toWide(name);
    auto value = environmentValue<wchar_t>(
        [&](wchar_t* buffer, DWORD size) { return ::GetEnvironmentVariableW(wideName.c_str(), buffer, size); });
    if (!value) return std::nullopt;
    return toU16(*value);
}

std::optional<std::string> systemTempPath() {
    return grownQuery<char>([](char* buffer, DWORD size) { return ::GetTempPathA(size, buffer); });
}

std::optional<std::u16string> systemTempPathWide() {
    auto path = grownQuery<wchar_t>([](wchar_t* buffer, DWORD size) { return ::GetTempPathW(size, buffer); });
    if (!path) return std::nullopt;
    return toU16(*path);
}

std::optional<std::string> windowsDirectory() {
    return grownQuery<char>([](char* buffer, DWORD size) { return ::GetWindowsDirectoryA(buffer, size); });
}

std::optional<std::u16string> windowsDirectoryWide() {
    auto path = grownQuery<wchar_t>([](wchar_t* buffer, DWORD size) { return ::GetWindowsDirectoryW(buffer, size); });
    if (!path) return std::nullopt;
    return toU16(*path);
}

std::optional<std::string> longPathName(const std::string& path) {
    return grownQuery<char>(
        [&](char* buffer, DWORD size) { return ::GetLongPathNameA(path.c_str(), buffer, size); });
}

std::optional<std::u16string> longPathName(const std::u16string& path) {
    const std::wstring widePath = toWide(path);
    auto result = grownQuery<wchar_t>(
        [&](wchar_t* buffer, DWORD size) { return ::GetLongPathNameW(widePath.c_str(), buffer, size); });
    if (!result) return std::nullopt;
    return toU16(*result);
}

}  // namespace tavik::paths
