// Still in the project's plain namespace.
namespace tavik {
}  // namespace tavik
