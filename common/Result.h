#pragma once
// A value or the failure that prevented it.
#include <optional>
#include <utility>

#include "common/SysError.h"

namespace tavik {

template <class T>
class Result {
public:
    // Two forms, so that `return local;` moves a move-only value.
    Result(T&& value) : value_(std::move(value)) {}
    Result(const T& value) : value_(value) {}
    Result(SysError error) noexcept : error_(error) {}

    explicit operator bool() const noexcept { return value_.has_value(); }
    T& operator*() & { return *value_; }
    const T& operator*() const& { return *value_; }
    T&& operator*() && { return *std::move(value_); }
    T* operator->() { return &*value_; }
    const T* operator->() const { return &*value_; }

    // Meaningful only when there is no value.
    const SysError& error() const noexcept { return error_; }

    // For callers to whom a failure means only that the thing is absent.
    std::optional<T> optional() && { return std::move(value_); }

private:
    std::optional<T> value_;
    SysError error_{nullptr, 0};
};

}  // namespace tavik
