#pragma once
// Support for the communication natives' tests: the other end of a pipe done
// with raw Win32 calls, never through the code under test, so that what
// crosses the pipe is seen byte by byte.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/win/Handles.h"

namespace tavik::test::comm {

// A local pipe name no other test or test run uses.
std::wstring uniquePipeName(const std::wstring& tag);

// A listening instance of the shape the natives make.
UniqueHandle rawListener(const std::wstring& name);
// ConnectNamedPipe, a client that came first counting as connected.
bool rawConnect(HANDLE listener);
// The client end, waiting up to 20 s for a free listening instance; empty when none came.
UniqueHandle rawClient(const std::wstring& name);

bool rawWrite(HANDLE pipe, const std::vector<std::uint8_t>& bytes);
// Exactly `count` bytes; nullopt when the pipe fails or ends first.
std::optional<std::vector<std::uint8_t>> rawRead(HANDLE pipe, std::size_t count);
// What the peer wrote and nobody read yet.
DWORD unreadBytes(HANDLE pipe);

// The block as the wire carries it, length spelled out byte by byte.
std::vector<std::uint8_t> wireBlock(const std::vector<std::uint8_t>& payload);
// Bytes that differ from their neighbours, so a lost or repeated piece shows.
std::vector<std::uint8_t> pattern(std::size_t size);

// Runs `body` on a thread of its own; false when it has not ended within the
// time (the thread is then left to itself).
bool endsWithin(DWORD millis, std::function<void()> body);

// The child's end of the two-process exchange, through the natives: a client
// of `name` that sends back each block it reads, reversed, until the listener
// goes. Its result is the number of blocks it sent back.
int echoReversedBlocks(const std::wstring& name);

// The natives take and give handles as jlong.
std::int64_t asJava(HANDLE handle);

}  // namespace tavik::test::comm
