#pragma once
// Move-only owner of one OS resource; Traits say what is invalid and how to close it.
#include <utility>

namespace tavik {

template <class Traits>
class UniqueResource {
public:
    using Handle = typename Traits::Handle;

    UniqueResource() noexcept = default;
    explicit UniqueResource(Handle h) noexcept : h_(h) {}
    UniqueResource(UniqueResource&& other) noexcept : h_(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        reset(other.release());
        return *this;
    }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    ~UniqueResource() { reset(); }

    Handle get() const noexcept { return h_; }
    explicit operator bool() const noexcept { return Traits::isValid(h_); }
    Handle release() noexcept { return std::exchange(h_, Traits::invalid()); }
    void reset(Handle h = Traits::invalid()) noexcept {
        if (Traits::isValid(h_)) Traits::close(h_);
        h_ = h;
    }
    // For APIs that return the resource through a pointer.
    Handle* put() noexcept {
        reset();
        return &h_;
    }

private:
    Handle h_ = Traits::invalid();
};

template <class H, auto Close>
struct NullIsInvalid {
    using Handle = H;
    static H invalid() noexcept { return H{}; }
    static bool isValid(H h) noexcept { return h != H{}; }
    static void close(H h) noexcept { Close(h); }
};

}  // namespace tavik
