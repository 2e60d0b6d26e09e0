#include "tests/native/CommTestSupport.h"

#include <algorithm>
#include <atomic>
#include <memory>

namespace tavik::test::comm {

std::wstring uniquePipeName(const std::wstring& tag) {
    static std::atomic<int> counter{0};
    return L"\\\\.\\pipe\\tavik-test-" + tag + L"-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
           std::to_wstring(++counter);
}

UniqueHandle rawListener(const std::wstring& name) {
    return UniqueHandle(::CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 65536,
                                           65536, 0, nullptr));
}

bool rawConnect(HANDLE listener) {
    return ::ConnectNamedPipe(listener, nullptr) || ::GetLastError() == ERROR_PIPE_CONNECTED;
}

UniqueHandle rawClient(const std::wstring& name) {
    const ULONGLONG giveUp = ::GetTickCount64() + 20000;
    do {
        UniqueHandle client(::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                                          nullptr));
        if (client) return client;
        // A pipe not yet listening again after a disconnect answers busy; one
        // not there yet, not found.
        if (!::WaitNamedPipeW(name.c_str(), 100)) ::Sleep(20);
    } while (::GetTickCount64() < giveUp);
    return {};
}

bool rawWrite(HANDLE pipe, const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD written = 0;
        if (!::WriteFile(pipe, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &written, nullptr) ||
            written == 0)
            return false;
        done += written;
    }
    return true;
}

std::optional<std::vector<std::uint8_t>> rawRead(HANDLE pipe, std::size_t count) {
    std::vector<std::uint8_t> bytes(count);
    std::size_t done = 0;
    while (done < count) {
        DWORD read = 0;
        if (!::ReadFile(pipe, bytes.data() + done, static_cast<DWORD>(count - done), &read, nullptr) || read == 0)
            return std::nullopt;
        done += read;
    }
    return bytes;
}

DWORD unreadBytes(HANDLE pipe) {
    DWORD available = 0;
    if (!::PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) return MAXDWORD;
    return available;
}

std::vector<std::uint8_t> wireBlock(const std::vector<std::uint8_t>& payload) {
    const auto length = static_cast<std::uint32_t>(payload.size());
    std::vector<std::uint8_t> block(4 + payload.size());
    for (std::size_t i = 0; i < 4; ++i) block[i] = static_cast<std::uint8_t>(length >> (8 * i));
    std::copy(payload.begin(), payload.end(), block.begin() + 4);
    return block;
}

std::vector<std::uint8_t> pattern(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>((i * 131 + i / 251) % 256);
    return bytes;
}

namespace {

DWORD WINAPI runBody(void* body) {
    (*static_cast<std::function<void()>*>(body))();
    return 0;
}

}  // namespace

bool endsWithin(DWORD millis, std::function<void()> body) {
    auto owned = std::make_unique<std::function<void()>>(std::move(body));
    const UniqueHandle thread(::CreateThread(nullptr, 0, &runBody, owned.get(), 0, nullptr));
    if (!thread) return false;
    if (::WaitForSingleObject(thread.get(), millis) == WAIT_OBJECT_0) return true;
    owned.release();  // the thread that did not end still runs it
    return false;
}

std::int64_t asJava(HANDLE handle) { return static_cast<std::int64_t>(reinterpret_cast<std::intptr_t>(handle)); }

}  // namespace tavik::test::comm
