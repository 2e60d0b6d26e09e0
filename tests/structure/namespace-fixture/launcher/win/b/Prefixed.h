#pragma once
// A namespace whose name only starts like the folder's.
namespace tavik::bb {
}  // namespace tavik::bb
