#pragma once
// The PATH value that puts the application's native library directories in
// front of the inherited search path.
#include <cstddef>
#include <optional>
#include <string>

namespace tavik::path {

// The directory list and PATH are put together in this many bytes, the
// terminator included; a PATH that does not fit behind the list is left out.
inline constexpr std::size_t kNativeLibraryPathCapacity = 48000;

// The resolved directory list, ";" unless it is empty or ends with one, then
// `currentPath` when there is room for it. The list itself is never cut.
std::string nativeLibraryPathValue(std::string directories, const std::optional<std::string>& currentPath);

}  // namespace tavik::path
