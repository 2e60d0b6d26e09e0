#pragma once
// The named pipe between two processes of the installer runtime, block by
// block, and the liveness of a peer process. Handles handed out belong to
// the caller from then on.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <optional>

#include "common/win/Handles.h"

namespace tavik::native::comm {

struct ListenerRetry {
    std::uint32_t retries;
    DWORD pauseMillis;
};
// About five minutes of pauses for a client to turn up.
inline constexpr ListenerRetry kListenerRetry{600, 500};

struct ClientRetry {
    std::uint32_t retries;
    DWORD pauseMillis;
    DWORD firstWaitMillis;  // for the listener to exist and be free
    DWORD laterWaitMillis;  // after each pause
};
inline constexpr ClientRetry kClientRetry{200, 500, 300000, 1000};

// One duplex byte-stream instance refusing remote clients; INVALID_HANDLE_VALUE on failure.
HANDLE createListener(const wchar_t* name) noexcept;

// Blocks until a client is connected, also one that connected before the
// call. When every retry has failed too, prints
// "could not connect named pipe <code>" and answers false.
bool connectListener(HANDLE listener, const ListenerRetry& retry) noexcept;

// Opens the client end; when every retry has failed too, prints
// "could not open file <code> <name>" and answers an empty handle.
UniqueHandle connectClient(const wchar_t* name, const ClientRetry& retry) noexcept;

// A single read of the 4 bytes: failed or fewer bytes give nullopt.
std::optional<std::uint32_t> readBlockLength(HANDLE pipe) noexcept;
// False unless the 4 bytes went in one write.
bool writeBlockLength(HANDLE pipe, std::uint32_t length) noexcept;

// Loop until all `count` bytes have moved; false when a read or write fails
// or moves nothing.
bool readExactly(HANDLE pipe, unsigned char* into, std::size_t count) noexcept;
bool writeExactly(HANDLE pipe, const unsigned char* from, std::size_t count) noexcept;

// Returns once the peer has read everything written; a failure changes nothing for the caller.
void flush(HANDLE pipe) noexcept;
void disconnect(HANDLE listener) noexcept;
void close(HANDLE handle) noexcept;

DWORD currentProcessId() noexcept;
// True while the process runs, and for one that exists but may not be opened.
bool isProcessAlive(DWORD processId) noexcept;

}  // namespace tavik::native::comm
