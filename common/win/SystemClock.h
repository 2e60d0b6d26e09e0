#pragma once
// Seconds since 1970 straight from the system clock: the C library's time()
// first works out the time zone, which costs a start tens of milliseconds.
#include <windows.h>

#include <cstdint>

namespace tavik {

inline std::uint64_t secondsSince1970() {
    constexpr std::uint64_t kTicksPerSecond = 10000000;        // FILETIME counts 100 ns
    constexpr std::uint64_t kSecondsFrom1601To1970 = 11644473600;
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    const std::uint64_t ticks = static_cast<std::uint64_t>(now.dwHighDateTime) << 32 | now.dwLowDateTime;
    return ticks / kTicksPerSecond - kSecondsFrom1601To1970;
}

}  // namespace tavik
