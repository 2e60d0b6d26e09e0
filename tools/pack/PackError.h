#pragma once
// What the packer reports when it cannot produce an executable, and the
// value-or-error type its steps return.
#include <string>
#include <utility>
#include <variant>

namespace tavik::pack {

struct PackError {
    std::string path;   // the file the problem is in or about
    unsigned line = 0;  // 1-based line in that file; 0 when no line applies
    std::string key;    // dotted key of the project file, empty when none applies
    std::string what;
};

// "tavik-pack: <file>:<line>: <key>: <what>", leaving out the parts that do not apply.
std::string describe(const PackError& error);

// A value or the reason there is none. T and E must be different types.
template <class T, class E = PackError>
class Expected {
public:
    Expected(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Expected(E error) : state_(std::in_place_index<1>, std::move(error)) {}

    explicit operator bool() const noexcept { return state_.index() == 0; }
    T& value() & { return std::get<0>(state_); }
    const T& value() const& { return std::get<0>(state_); }
    T&& value() && { return std::get<0>(std::move(state_)); }
    const E& error() const { return std::get<1>(state_); }

private:
    std::variant<T, E> state_;
};

}  // namespace tavik::pack
