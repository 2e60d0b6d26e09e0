#pragma once
// Text operations on Windows paths that need no file system.
#include <string>
#include <string_view>

namespace tavik::path {

// Every run of backslashes becomes one, except that the first two characters
// are kept as they are: a network path keeps its leading "\\".
std::u16string collapseBackslashes(std::u16string_view path);

}  // namespace tavik::path
