#include "native/comm/PipeRules.h"

#include <limits>

namespace tavik::native::comm {

LengthPrefix encodeLength(std::uint32_t length) {
    LengthPrefix prefix{};
    for (std::size_t i = 0; i < kLengthBytes; ++i) prefix[i] = static_cast<unsigned char>(length >> (8 * i));
    return prefix;
}

std::uint32_t decodeLength(const LengthPrefix& prefix) {
    std::uint32_t length = 0;
    for (std::size_t i = 0; i < kLengthBytes; ++i) length |= static_cast<std::uint32_t>(prefix[i]) << (8 * i);
    return length;
}

std::optional<std::int32_t> javaArrayLength(std::uint32_t blockLength) {
    if (blockLength > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max())) return std::nullopt;
    return static_cast<std::int32_t>(blockLength);
}

ConnectStep afterConnectAttempt(bool succeeded, std::uint32_t error) {
    if (succeeded || error == kErrorPipeConnected) return ConnectStep::Connected;
    if (error == kErrorNoData) return ConnectStep::DisconnectThenRetry;
    return ConnectStep::Retry;
}

}  // namespace tavik::native::comm
