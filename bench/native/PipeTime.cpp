// pipetime: the communication natives of rwtnative.dll against the same
// exchange in plain Win32, over one named pipe inside one process: a listener
// thread echoes every block a client thread sends.
//   pipetime [runs] [small round trips] [large round trips]
// (defaults 7, 20000, 256). Each run times both ways with 16-byte blocks
// (round trips per second) and with 1 MiB blocks (MiB/s of payload, counted
// in both directions); then the medians and natives/direct. An echo that
// differs from what was sent, or a step that fails, ends the program with
// exit code 1 and the reason on stderr.
#include <windows.h>

#include <jni.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/win/Handles.h"
#include "common/win/WideText.h"
#include "tests/native/support/TestJni.h"

namespace {

using tavik::UniqueHandle;
using tavik::testjni::NativeLibrary;
using tavik::testjni::TestJni;
using Bytes = std::vector<unsigned char>;

constexpr std::size_t kSmallBlock = 16;
constexpr std::size_t kLargeBlock = 1 << 20;
constexpr jlong kNoHandle = -1;
constexpr jlong kNoClient = 0;

[[noreturn]] void fail(const std::string& why) {
    std::fprintf(stderr, "pipetime: %s\n", why.c_str());
    std::fflush(stderr);
    ::ExitProcess(1);
}

struct Exchange {
    std::size_t blockBytes;
    int roundTrips;
    // The test environment keeps every array it ever made until it ends, so
    // each thread starts a fresh one after this many round trips.
    int roundTripsPerEnvironment;
};

// The round trip's number in the first bytes, so a stale or repeated echo differs.
void stamp(unsigned char* payload, std::size_t size, int roundTrip) {
    for (std::size_t i = 0; i < std::min<std::size_t>(size, 4); ++i)
        payload[i] = static_cast<unsigned char>(static_cast<unsigned>(roundTrip) >> (8 * i));
}

Bytes pattern(std::size_t size) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<unsigned char>((i * 131 + i / 251) % 256);
    return bytes;
}

void checkEcho(const Bytes& sent, const unsigned char* echoed, std::size_t echoedBytes, int roundTrip) {
    if (echoedBytes != sent.size() || std::memcmp(sent.data(), echoed, sent.size()) != 0)
        fail("round trip " + std::to_string(roundTrip) + ": the echo of " + std::to_string(sent.size()) +
             " bytes came back as " + std::to_string(echoedBytes) + " other bytes");
}

std::wstring uniquePipeName() {
    static int counter = 0;
    return L"\\\\.\\pipe\\tavik-bench-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
           std::to_wstring(++counter);
}

class Stopwatch {
public:
    Stopwatch() { ::QueryPerformanceCounter(&start_); }
    double seconds() const {
        LARGE_INTEGER now, frequency;
        ::QueryPerformanceCounter(&now);
        ::QueryPerformanceFrequency(&frequency);
        return static_cast<double>(now.QuadPart - start_.QuadPart) / static_cast<double>(frequency.QuadPart);
    }

private:
    LARGE_INTEGER start_;
};

DWORD WINAPI runBody(void* body) {
    (*static_cast<std::function<void()>*>(body))();
    return 0;
}

// The listener on a thread of its own, the client on this one; `listening`
// is set once the listener's pipe exists. Answers the client's seconds.
double exchangeAlongside(const std::function<void(HANDLE listening)>& listener,
                         const std::function<double()>& client) {
    const UniqueHandle listening(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!listening) fail("CreateEventW failed");
    std::function<void()> body = [&] { listener(listening.get()); };
    const UniqueHandle thread(::CreateThread(nullptr, 0, &runBody, &body, 0, nullptr));
    if (!thread) fail("CreateThread failed");
    if (::WaitForSingleObject(listening.get(), 30000) != WAIT_OBJECT_0) fail("the listener did not come up");
    const double seconds = client();
    if (::WaitForSingleObject(thread.get(), 60000) != WAIT_OBJECT_0) fail("the listener did not end");
    return seconds;
}

// ---- Through the natives, as a VM binding them by name calls them.

struct Natives {
    using LongOfName = jlong(JNICALL*)(JNIEnv*, jclass, jstring);
    using BlockOfHandle = jbyteArray(JNICALL*)(JNIEnv*, jclass, jlong);
    using WriteBlock = jboolean(JNICALL*)(JNIEnv*, jclass, jlong, jbyteArray);
    using BooleanOfHandle = jboolean(JNICALL*)(JNIEnv*, jclass, jlong);
    using VoidOfHandle = void(JNICALL*)(JNIEnv*, jclass, jlong);

    template <class Function>
    Function get(const char* method) const {
        return library.native<Function>("Win32CommunicationBackend", method);
    }

    NativeLibrary library{tavik::testjni::rwtnativePath()};
    const LongOfName createListener = get<LongOfName>("createListener0");
    const BooleanOfHandle connectNamedPipe = get<BooleanOfHandle>("connectNamedPipe0");
    const LongOfName connectClient = get<LongOfName>("connectClient0");
    const BlockOfHandle readDataBlock = get<BlockOfHandle>("readDataBlock0");
    const WriteBlock writeDataBlock = get<WriteBlock>("writeDataBlock0");
    const VoidOfHandle closeHandle = get<VoidOfHandle>("closeHandle0");
};

// One thread's environment, renewed every so many round trips.
class Environment {
public:
    explicit Environment(int roundTripsEach) : roundTripsEach_(roundTripsEach) {}
    // True when the environment is a fresh one, so the caller's references are gone.
    bool renewBefore(int roundTrip) {
        if (roundTrip % roundTripsEach_ != 0) return false;
        jni_ = std::make_unique<TestJni>();
        return true;
    }
    TestJni& jni() { return *jni_; }
    JNIEnv* env() { return jni_->env(); }

private:
    int roundTripsEach_;
    std::unique_ptr<TestJni> jni_ = std::make_unique<TestJni>();
};

void nativeEcho(const Natives& natives, const std::wstring& name, const Exchange& exchange, HANDLE listening) {
    Environment java(exchange.roundTripsPerEnvironment);
    const jlong listener = natives.createListener(java.env(), nullptr, java.jni().string(tavik::toU16(name)));
    if (listener == kNoHandle) fail("createListener0 failed");
    ::SetEvent(listening);
    if (!natives.connectNamedPipe(java.env(), nullptr, listener)) fail("connectNamedPipe0 failed");
    for (int roundTrip = 0; roundTrip < exchange.roundTrips; ++roundTrip) {
        java.renewBefore(roundTrip);
        const jbyteArray block = natives.readDataBlock(java.env(), nullptr, listener);
        if (block == nullptr) fail("readDataBlock0 on the listener gave null");
        if (!natives.writeDataBlock(java.env(), nullptr, listener, block)) fail("writeDataBlock0 of the echo failed");
    }
    natives.closeHandle(java.env(), nullptr, listener);
}

double nativeSend(const Natives& natives, const std::wstring& name, const Exchange& exchange) {
    Environment java(exchange.roundTripsPerEnvironment);
    const jlong client = natives.connectClient(java.env(), nullptr, java.jni().string(tavik::toU16(name)));
    if (client == kNoClient) fail("connectClient0 failed");
    Bytes payload = pattern(exchange.blockBytes);
    Bytes echoed(exchange.blockBytes);
    jbyteArray sent = nullptr;
    const Stopwatch clock;
    for (int roundTrip = 0; roundTrip < exchange.roundTrips; ++roundTrip) {
        if (java.renewBefore(roundTrip)) sent = java.jni().bytes(payload);
        stamp(payload.data(), payload.size(), roundTrip);
        java.env()->SetByteArrayRegion(sent, 0, static_cast<jsize>(std::min<std::size_t>(payload.size(), 4)),
                                       reinterpret_cast<const jbyte*>(payload.data()));
        if (!natives.writeDataBlock(java.env(), nullptr, client, sent)) fail("writeDataBlock0 on the client failed");
        const jbyteArray back = natives.readDataBlock(java.env(), nullptr, client);
        if (back == nullptr) fail("readDataBlock0 on the client gave null");
        const jsize length = java.env()->GetArrayLength(back);
        if (static_cast<std::size_t>(length) == echoed.size())
            java.env()->GetByteArrayRegion(back, 0, length, reinterpret_cast<jbyte*>(echoed.data()));
        checkEcho(payload, echoed.data(), static_cast<std::size_t>(length), roundTrip);
    }
    const double seconds = clock.seconds();
    natives.closeHandle(java.env(), nullptr, client);
    return seconds;
}

double timeNatives(const Natives& natives, const Exchange& exchange) {
    const std::wstring name = uniquePipeName();
    return exchangeAlongside([&](HANDLE listening) { nativeEcho(natives, name, exchange, listening); },
                             [&] { return nativeSend(natives, name, exchange); });
}

// ---- Plain Win32: the pipe, the calls and the flush the natives make.

void writeAll(HANDLE pipe, const unsigned char* from, std::size_t count) {
    for (std::size_t done = 0; done < count;) {
        DWORD written = 0;
        if (!::WriteFile(pipe, from + done, static_cast<DWORD>(count - done), &written, nullptr) || written == 0)
            fail("WriteFile failed: " + std::to_string(::GetLastError()));
        done += written;
    }
}

void readAll(HANDLE pipe, unsigned char* into, std::size_t count) {
    for (std::size_t done = 0; done < count;) {
        DWORD read = 0;
        if (!::ReadFile(pipe, into + done, static_cast<DWORD>(count - done), &read, nullptr) || read == 0)
            fail("ReadFile failed: " + std::to_string(::GetLastError()));
        done += read;
    }
}

void writeBlock(HANDLE pipe, const Bytes& payload) {
    const auto length = static_cast<std::uint32_t>(payload.size());
    unsigned char prefix[4];
    for (int i = 0; i < 4; ++i) prefix[i] = static_cast<unsigned char>(length >> (8 * i));
    writeAll(pipe, prefix, sizeof prefix);
    writeAll(pipe, payload.data(), payload.size());
    ::FlushFileBuffers(pipe);
}

// The payload into `into`, which must be just as long.
void readBlock(HANDLE pipe, Bytes& into) {
    unsigned char prefix[4];
    readAll(pipe, prefix, sizeof prefix);
    std::uint32_t length = 0;
    for (int i = 0; i < 4; ++i) length |= static_cast<std::uint32_t>(prefix[i]) << (8 * i);
    if (length != into.size()) fail("a block of " + std::to_string(length) + " bytes, not " + std::to_string(into.size()));
    readAll(pipe, into.data(), into.size());
}

void directEcho(const std::wstring& name, const Exchange& exchange, HANDLE listening) {
    const UniqueHandle listener(::CreateNamedPipeW(
        name.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS,
        1, 65536, 65536, 0, nullptr));
    if (!listener) fail("CreateNamedPipeW failed: " + std::to_string(::GetLastError()));
    ::SetEvent(listening);
    if (!::ConnectNamedPipe(listener.get(), nullptr) && ::GetLastError() != ERROR_PIPE_CONNECTED)
        fail("ConnectNamedPipe failed: " + std::to_string(::GetLastError()));
    Bytes block(exchange.blockBytes);
    for (int roundTrip = 0; roundTrip < exchange.roundTrips; ++roundTrip) {
        readBlock(listener.get(), block);
        writeBlock(listener.get(), block);
    }
}

double directSend(const std::wstring& name, const Exchange& exchange) {
    const UniqueHandle client(
        ::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!client) fail("CreateFileW of the pipe failed: " + std::to_string(::GetLastError()));
    Bytes payload = pattern(exchange.blockBytes);
    Bytes echoed(exchange.blockBytes);
    const Stopwatch clock;
    for (int roundTrip = 0; roundTrip < exchange.roundTrips; ++roundTrip) {
        stamp(payload.data(), payload.size(), roundTrip);
        writeBlock(client.get(), payload);
        readBlock(client.get(), echoed);
        checkEcho(payload, echoed.data(), echoed.size(), roundTrip);
    }
    return clock.seconds();
}

double timeDirect(const Exchange& exchange) {
    const std::wstring name = uniquePipeName();
    return exchangeAlongside([&](HANDLE listening) { directEcho(name, exchange, listening); },
                             [&] { return directSend(name, exchange); });
}

// ---- Figures.

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

struct Figure {
    const char* title;
    const char* unit;
    Exchange exchange;
    // From the round trips' seconds to the figure.
    std::function<double(double)> rate;
    std::vector<double> natives, direct;
};

void measure(const Natives& natives, Figure& figure, int run) {
    // Alternating which goes first evens out what the one before leaves behind.
    const bool nativesFirst = run % 2 == 1;
    for (int turn = 0; turn < 2; ++turn) {
        const bool throughNatives = (turn == 0) == nativesFirst;
        const double seconds = throughNatives ? timeNatives(natives, figure.exchange) : timeDirect(figure.exchange);
        const double rate = figure.rate(seconds);
        (throughNatives ? figure.natives : figure.direct).push_back(rate);
        std::printf("run %d %-7s %s: %d round trips in %.3f s, %.1f %s\n", run, throughNatives ? "natives" : "direct",
                    figure.title, figure.exchange.roundTrips, seconds, rate, figure.unit);
        std::fflush(stdout);
    }
}

int argumentOr(int argc, char** argv, int index, int fallback) {
    if (argc <= index) return fallback;
    const int value = std::atoi(argv[index]);
    if (value <= 0) fail(std::string("not a positive count: ") + argv[index]);
    return value;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argumentOr(argc, argv, 1, 7);
    const int smallTrips = argumentOr(argc, argv, 2, 20000);
    const int largeTrips = argumentOr(argc, argv, 3, 256);
    std::unique_ptr<Natives> loaded;
    try {
        loaded = std::make_unique<Natives>();
    } catch (const std::exception& e) {
        fail(e.what());
    }
    const Natives& natives = *loaded;
    Figure figures[] = {
        {"16-byte blocks", "round trips/s", {kSmallBlock, smallTrips, 1000},
         [=](double seconds) { return smallTrips / seconds; }, {}, {}},
        {"1 MiB blocks", "MiB/s (payload, both directions)", {kLargeBlock, largeTrips, 16},
         [=](double seconds) { return 2.0 * largeTrips / seconds; }, {}, {}},
    };
    for (int run = 1; run <= runs; ++run)
        for (Figure& figure : figures) measure(natives, figure, run);
    for (const Figure& figure : figures) {
        const double nativesMedian = median(figure.natives), directMedian = median(figure.direct);
        // Each run's own ratio too: its two modes ran back to back, under much the same load.
        std::vector<double> ratios;
        for (std::size_t i = 0; i < figure.natives.size(); ++i) ratios.push_back(figure.natives[i] / figure.direct[i]);
        std::printf("median %s: natives %.1f, direct %.1f %s; natives/direct %.3f, median of the runs' ratios %.3f\n",
                    figure.title, nativesMedian, directMedian, figure.unit, nativesMedian / directMedian, median(ratios));
    }
    return 0;
}
