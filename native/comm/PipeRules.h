#pragma once
// The decisions of the communication natives that need no pipe: the block's
// length prefix, the loop that moves a block in pieces, what a connect
// attempt's failure means, and how often a failing step is tried.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace tavik::native::comm {

// A block on the byte stream: its payload length as 4 bytes, least
// significant first, then the payload.
inline constexpr std::size_t kLengthBytes = 4;
using LengthPrefix = std::array<unsigned char, kLengthBytes>;

LengthPrefix encodeLength(std::uint32_t length);
std::uint32_t decodeLength(const LengthPrefix& prefix);

// The length of the Java byte array a block's payload fills; nullopt when
// the length read off the stream is beyond what a Java array can hold.
std::optional<std::int32_t> javaArrayLength(std::uint32_t blockLength);

// Moves `total` bytes in as many steps as it takes. `step(offset, wanted)`
// moves at most `wanted` bytes starting at `offset` and answers how many it
// moved, or nullopt when it failed. A step that moves nothing ends the
// transfer as a failure, since it would be asked the same again forever; so
// does one claiming more than it was asked for.
template <class Step>
bool transferAll(std::size_t total, Step step) {
    for (std::size_t done = 0; done < total;) {
        const std::size_t wanted = total - done;
        const std::optional<std::size_t> moved = step(done, wanted);
        if (!moved || *moved == 0 || *moved > wanted) return false;
        done += *moved;
    }
    return true;
}

// After one ConnectNamedPipe attempt.
enum class ConnectStep {
    Connected,
    Retry,
    // The client came and went: the instance keeps failing until it is
    // disconnected from that client.
    DisconnectThenRetry,
};

inline constexpr std::uint32_t kErrorNoData = 232;
inline constexpr std::uint32_t kErrorPipeConnected = 535;

ConnectStep afterConnectAttempt(bool succeeded, std::uint32_t error);

// Tries once, then once more after each pause until an attempt succeeds or
// `retries` retries have failed as well: at most retries + 1 attempts, with
// a pause only between two of them.
template <class Attempt, class Pause>
bool retrying(std::uint32_t retries, Attempt attempt, Pause pause) {
    for (std::uint32_t failed = 0;; ++failed) {
        if (attempt()) return true;
        if (failed == retries) return false;
        pause();
    }
}

}  // namespace tavik::native::comm
