#pragma once
// Watches the size of single allocations made through operator new while it
// lives, so a test can show that a length read from a file was not trusted.
#include <cstddef>

namespace tavik::testsupport {

class AllocationProbe {
public:
    AllocationProbe();
    ~AllocationProbe();
    AllocationProbe(const AllocationProbe&) = delete;
    AllocationProbe& operator=(const AllocationProbe&) = delete;

    std::size_t largest() const;
};

}  // namespace tavik::testsupport
