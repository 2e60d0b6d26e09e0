// The folder's namespace, and a second one beside it.
namespace tavik::b {
}  // namespace tavik::b

namespace tavik::log {
}  // namespace tavik::log
