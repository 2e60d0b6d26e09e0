#pragma once
// In its folder's namespace, with a namespace alias that opens nothing.
namespace fs = std::filesystem;

namespace tavik::a {
}  // namespace tavik::a
