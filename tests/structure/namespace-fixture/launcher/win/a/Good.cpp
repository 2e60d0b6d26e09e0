#include "launcher/win/a/Good.h"

// Anonymous and nested namespaces inside the folder's one are fine.
namespace tavik::a {
namespace {
}  // namespace
}  // namespace tavik::a

namespace tavik::a::detail {
}  // namespace tavik::a::detail
