#pragma once
// In the namespace of the folder next to it.
namespace tavik::b {
}  // namespace tavik::b
