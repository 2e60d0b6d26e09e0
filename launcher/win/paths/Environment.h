#pragma once
// Process environment and system paths, read with growing buffers.
#include <optional>
#include <string>
#include <string_view>

namespace tavik::paths {

// None when the variable is not set; an empty value is a value.
std::optional<std::string> environmentVariable(const char* name);
std::optional<std::u16string> environmentVariable(const char16_t* name);

// None when the system query fails.
std::optional<std::string> systemTempPath();
std::optional<std::u16string> systemTempPathWide();
std::optional<std::string> windowsDirectory();
std::optional<std::u16string> windowsDirectoryWide();

// The long form of an existing path; none when the query fails.
std::optional<std::string> longPathName(const std::string& path);
std::optional<std::u16string> longPathName(const std::u16string& path);

}  // namespace tavik::paths
