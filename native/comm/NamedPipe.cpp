#include "native/comm/NamedPipe.h"

#include <algorithm>
#include <cstdio>

#include "native/comm/PipeRules.h"

namespace tavik::native::comm {
namespace {

constexpr DWORD kBufferBytes = 65536;

DWORD chunk(std::size_t wanted) { return static_cast<DWORD>(std::min<std::size_t>(wanted, MAXDWORD)); }

}  // namespace

HANDLE createListener(const wchar_t* name) noexcept {
    return ::CreateNamedPipeW(name, PIPE_ACCESS_DUPLEX,
                              PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1,
                              kBufferBytes, kBufferBytes, 0, nullptr);
}

bool connectListener(HANDLE listener, const ListenerRetry& retry) noexcept {
    DWORD error = 0;
    const auto attempt = [&] {
        const bool succeeded = ::ConnectNamedPipe(listener, nullptr) != FALSE;
        error = succeeded ? ERROR_SUCCESS : ::GetLastError();
        switch (afterConnectAttempt(succeeded, error)) {
        case ConnectStep::Connected: return true;
        case ConnectStep::DisconnectThenRetry: ::DisconnectNamedPipe(listener); return false;
        case ConnectStep::Retry: return false;
        }
        return false;
    };
    if (retrying(retry.retries, attempt, [&] { ::Sleep(retry.pauseMillis); })) return true;
    std::printf("could not connect named pipe %d\n", static_cast<int>(error));
    std::fflush(stdout);  // the message is all a caller learns: out before the process may end
    return false;
}

UniqueHandle connectClient(const wchar_t* name, const ClientRetry& retry) noexcept {
    // Only a wait for the pipe: whether it ended in time shows in the open.
    ::WaitNamedPipeW(name, retry.firstWaitMillis);
    UniqueHandle client;
    DWORD error = 0;
    const auto attempt = [&] {
        const HANDLE opened =
            ::CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        error = ::GetLastError();
        client.reset(opened);
        return static_cast<bool>(client);
    };
    const auto pause = [&] {
        ::Sleep(retry.pauseMillis);
        ::WaitNamedPipeW(name, retry.laterWaitMillis);
    };
    if (!retrying(retry.retries, attempt, pause)) {
        // %ls rather than %S, which ISO C++ lacks; both print the wide name.
        std::printf("could not open file %d %ls\n", static_cast<int>(error), name);
        std::fflush(stdout);
    }
    return client;
}

std::optional<std::uint32_t> readBlockLength(HANDLE pipe) noexcept {
    LengthPrefix prefix{};
    DWORD read = 0;
    if (!::ReadFile(pipe, prefix.data(), kLengthBytes, &read, nullptr) || read != kLengthBytes) return std::nullopt;
    return decodeLength(prefix);
}

bool writeBlockLength(HANDLE pipe, std::uint32_t length) noexcept {
    const LengthPrefix prefix = encodeLength(length);
    DWORD written = 0;
    return ::WriteFile(pipe, prefix.data(), kLengthBytes, &written, nullptr) && written == kLengthBytes;
}

bool readExactly(HANDLE pipe, unsigned char* into, std::size_t count) noexcept {
    return transferAll(count, [&](std::size_t offset, std::size_t wanted) -> std::optional<std::size_t> {
        DWORD read = 0;
        if (!::ReadFile(pipe, into + offset, chunk(wanted), &read, nullptr)) return std::nullopt;
        return read;
    });
}

bool writeExactly(HANDLE pipe, const unsigned char* from, std::size_t count) noexcept {
    return transferAll(count, [&](std::size_t offset, std::size_t wanted) -> std::optional<std::size_t> {
        DWORD written = 0;
        if (!::WriteFile(pipe, from + offset, chunk(wanted), &written, nullptr)) return std::nullopt;
        return written;
    });
}

void flush(HANDLE pipe) noexcept { ::FlushFileBuffers(pipe); }

void disconnect(HANDLE listener) noexcept { ::DisconnectNamedPipe(listener); }

void close(HANDLE handle) noexcept { ::CloseHandle(handle); }

DWORD currentProcessId() noexcept { return ::GetCurrentProcessId(); }

bool isProcessAlive(DWORD processId) noexcept {
    const UniqueHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process) return ::GetLastError() == ERROR_ACCESS_DENIED;
    DWORD exitCode = 0;
    return ::GetExitCodeProcess(process.get(), &exitCode) && exitCode == STILL_ACTIVE;
}

}  // namespace tavik::native::comm
