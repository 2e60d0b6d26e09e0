#include "tests/unit/support/AllocationProbe.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<bool> watching{false};
std::atomic<std::size_t> largestSeen{0};

void note(std::size_t size) {
    if (!watching.load(std::memory_order_relaxed)) return;
    std::size_t seen = largestSeen.load(std::memory_order_relaxed);
    while (size > seen && !largestSeen.compare_exchange_weak(seen, size)) {
    }
}

}  // namespace

// The other forms of new and delete forward to these two by default.
void* operator new(std::size_t size) {
    note(size);
    if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
    throw std::bad_alloc();
}

void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }

namespace tavik::testsupport {

AllocationProbe::AllocationProbe() {
    largestSeen.store(0);
    watching.store(true);
}

AllocationProbe::~AllocationProbe() { watching.store(false); }

std::size_t AllocationProbe::largest() const { return largestSeen.load(); }

}  // namespace tavik::testsupport
