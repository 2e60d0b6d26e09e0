// The Win32CommunicationBackend natives as a VM binding by name calls them:
// looked up in the real rwtnative.dll and called with the test JNI
// environment, one per thread as Java threads have. The other end of each
// pipe is raw Win32, so the bytes on the wire are seen as they are.
#include <windows.h>

#include <jni.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <future>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/win/WideText.h"
#include "tests/native/CommTestSupport.h"
#include "tests/native/support/TestJni.h"
#include "tests/win/TestSupport.h"

namespace tavik::test::comm {
namespace {

using testjni::NativeLibrary;
using testjni::TestJni;
using Bytes = std::vector<std::uint8_t>;

constexpr jlong kNoHandle = -1;
constexpr jlong kNoClient = 0;

HANDLE asHandle(jlong value) { return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(value)); }

struct Natives {
    using LongOfNothing = jlong(JNICALL*)(JNIEnv*, jclass);
    using LongOfName = jlong(JNICALL*)(JNIEnv*, jclass, jstring);
    using BlockOfHandle = jbyteArray(JNICALL*)(JNIEnv*, jclass, jlong);
    using WriteBlock = jboolean(JNICALL*)(JNIEnv*, jclass, jlong, jbyteArray);
    using BooleanOfHandle = jboolean(JNICALL*)(JNIEnv*, jclass, jlong);
    using VoidOfHandle = void(JNICALL*)(JNIEnv*, jclass, jlong);
    using BooleanOfInt = jboolean(JNICALL*)(JNIEnv*, jclass, jint);
    using IntOfNothing = jint(JNICALL*)(JNIEnv*, jclass);

    template <class Function>
    Function get(const char* method) const {
        return library.native<Function>("Win32CommunicationBackend", method);
    }

    NativeLibrary library{testjni::rwtnativePath()};
    const LongOfNothing getInvalidHandle = get<LongOfNothing>("getInvalidHandle0");
    const LongOfName createListener = get<LongOfName>("createListener0");
    const BlockOfHandle readDataBlock = get<BlockOfHandle>("readDataBlock0");
    const WriteBlock writeDataBlock = get<WriteBlock>("writeDataBlock0");
    const LongOfName connectClient = get<LongOfName>("connectClient0");
    const BooleanOfHandle connectNamedPipe = get<BooleanOfHandle>("connectNamedPipe0");
    const VoidOfHandle disconnectNamedPipe = get<VoidOfHandle>("disconnectNamedPipe0");
    const VoidOfHandle closeHandle = get<VoidOfHandle>("closeHandle0");
    const BooleanOfInt isProcessAlive = get<BooleanOfInt>("isProcessAlive0");
    const IntOfNothing getCurrentProcessId = get<IntOfNothing>("getCurrentProcessId0");
};

const Natives& natives() {
    static const Natives* const loaded = new Natives;
    return *loaded;
}

// One Java thread's calls: each thread makes its own.
class JavaSide {
public:
    JNIEnv* env() { return jni_.env(); }
    TestJni& jni() { return jni_; }

    jlong invalidHandle() { return natives().getInvalidHandle(env(), nullptr); }
    jlong listen(const std::wstring& name) { return natives().createListener(env(), nullptr, jni_.string(toU16(name))); }
    jlong connect(const std::wstring& name) { return natives().connectClient(env(), nullptr, jni_.string(toU16(name))); }
    bool accept(jlong listener) { return natives().connectNamedPipe(env(), nullptr, listener) == JNI_TRUE; }
    std::optional<Bytes> read(jlong handle) { return jni_.bytesOf(natives().readDataBlock(env(), nullptr, handle)); }
    bool write(jlong handle, const Bytes& data) {
        return natives().writeDataBlock(env(), nullptr, handle, jni_.bytes(data)) == JNI_TRUE;
    }
    void disconnect(jlong listener) { natives().disconnectNamedPipe(env(), nullptr, listener); }
    void close(jlong handle) { natives().closeHandle(env(), nullptr, handle); }
    bool alive(DWORD processId) {
        return natives().isProcessAlive(env(), nullptr, static_cast<jint>(processId)) == JNI_TRUE;
    }
    DWORD processId() { return static_cast<DWORD>(natives().getCurrentProcessId(env(), nullptr)); }

private:
    TestJni jni_;
};

// A listener made by the natives with a raw client connected to it.
struct NativeListener {
    explicit NativeListener(JavaSide& java, const std::wstring& tag) : name(uniquePipeName(tag)) {
        handle = java.listen(name);
        client = rawClient(name);
        connected = handle != kNoHandle && client && java.accept(handle);
    }
    std::wstring name;
    jlong handle = kNoHandle;
    UniqueHandle client;
    bool connected = false;
};

// A raw listener with a client made by the natives connected to it.
struct NativeClient {
    explicit NativeClient(JavaSide& java, const std::wstring& tag) : name(uniquePipeName(tag)) {
        server = rawListener(name);
        handle = server ? java.connect(name) : kNoClient;
        connected = handle != kNoClient && rawConnect(server.get());
    }
    std::wstring name;
    UniqueHandle server;
    jlong handle = kNoClient;
    bool connected = false;
};

// This test program as a child running a scenario ("<name> <arguments>").
bool startChild(const std::wstring& scenario, PROCESS_INFORMATION& process) {
    std::wstring commandLine = L"\"" + testExecutable().wstring() + L"\" --child " + scenario;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    return createProcessRetrying(testExecutable().c_str(), commandLine, FALSE, 0, nullptr, startup, process);
}

Bytes firstBytes(const Bytes& bytes, std::size_t count) { return Bytes(bytes.begin(), bytes.begin() + count); }

Bytes concatenated(Bytes first, const Bytes& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

TEST(CommNatives, MinusOneIsNoHandleAndNoNativeTakingOneTouchesTheSystem) {
    JavaSide java;
    EXPECT_EQ(java.invalidHandle(), kNoHandle);
    // A call that reached Windows with -1, the current process's pseudo handle, would fail and set this.
    constexpr DWORD kUntouched = 0x2468ACE;
    ::SetLastError(kUntouched);
    EXPECT_EQ(java.read(kNoHandle), std::nullopt);
    EXPECT_FALSE(java.write(kNoHandle, {1, 2, 3}));
    EXPECT_FALSE(java.accept(kNoHandle));
    java.disconnect(kNoHandle);
    java.close(kNoHandle);
    EXPECT_EQ(::GetLastError(), kUntouched);
}

TEST(CommNatives, AListenerIsTheOneDuplexByteStreamInstanceOfItsName) {
    JavaSide java;
    const std::wstring name = uniquePipeName(L"shape");
    const jlong listener = java.listen(name);
    ASSERT_NE(listener, kNoHandle);
    DWORD flags = 0, outBuffer = 0, inBuffer = 0, instances = 0;
    ASSERT_TRUE(::GetNamedPipeInfo(asHandle(listener), &flags, &outBuffer, &inBuffer, &instances));
    EXPECT_EQ(flags, DWORD{PIPE_SERVER_END | PIPE_TYPE_BYTE});
    EXPECT_EQ(outBuffer, 65536u);
    EXPECT_EQ(inBuffer, 65536u);
    EXPECT_EQ(instances, 1u);
    EXPECT_EQ(java.listen(name), kNoHandle);
    EXPECT_EQ(natives().createListener(java.env(), nullptr, nullptr), kNoHandle);
    java.close(listener);
}

TEST(CommNatives, ABlockGoesOutAsItsLengthLeastSignificantFirstThenThePayload) {
    struct Case {
        const char* name;
        std::size_t size;
        Bytes prefix;
    };
    const Case cases[] = {
        {"empty", 0, {0, 0, 0, 0}},
        {"one byte", 1, {1, 0, 0, 0}},
        {"as much as a buffer holds", 65536, {0x00, 0x00, 0x01, 0x00}},
        {"more than both buffers together", 100000, {0xA0, 0x86, 0x01, 0x00}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        JavaSide java;
        NativeClient pipe(java, L"out");
        ASSERT_TRUE(pipe.connected);
        const Bytes payload = pattern(c.size);
        auto written = std::async(std::launch::async, [&] { return JavaSide().write(pipe.handle, payload); });
        EXPECT_EQ(rawRead(pipe.server.get(), 4), c.prefix);
        EXPECT_EQ(rawRead(pipe.server.get(), c.size), payload);
        if (::testing::Test::HasFailure()) pipe.server.reset();  // lets a writer that waits for a reader go
        EXPECT_TRUE(written.get());
        EXPECT_EQ(unreadBytes(pipe.server.get()), 0u);
        java.close(pipe.handle);
    }
}

TEST(CommNatives, ABlockComesInWholeHoweverThePeerSplitsItsPayload) {
    struct Case {
        const char* name;
        std::size_t size;
        std::size_t piece;
    };
    const Case cases[] = {
        {"empty", 0, 1},
        {"in one write", 100000, 100000},
        {"in writes of 1000 bytes", 100000, 1000},
        {"byte by byte", 300, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        JavaSide java;
        NativeListener pipe(java, L"in");
        ASSERT_TRUE(pipe.connected);
        const Bytes payload = pattern(c.size);
        const Bytes next{'n', 'e', 'x', 't'};
        auto sent = std::async(std::launch::async, [&] {
            bool ok = rawWrite(pipe.client.get(), firstBytes(wireBlock(payload), 4));
            for (std::size_t at = 0; ok && at < payload.size(); at += c.piece)
                ok = rawWrite(pipe.client.get(), Bytes(payload.begin() + at,
                                                       payload.begin() + std::min(payload.size(), at + c.piece)));
            return ok && rawWrite(pipe.client.get(), wireBlock(next));
        });
        EXPECT_EQ(java.read(pipe.handle), payload);
        EXPECT_EQ(java.read(pipe.handle), next);  // the next block starts right after
        java.close(pipe.handle);
        EXPECT_TRUE(sent.get());
    }
}

TEST(CommNatives, OneListenerServesOneClientAfterAnotherBothEndsThroughTheNatives) {
    const std::wstring name = uniquePipeName(L"roles");
    JavaSide java;
    const jlong listener = java.listen(name);
    ASSERT_NE(listener, kNoHandle);
    auto served = std::async(std::launch::async, [&] {
        JavaSide server;
        std::vector<std::optional<Bytes>> received;
        for (std::uint8_t client = 0; client < 2; ++client) {
            if (!server.accept(listener)) break;
            received.push_back(server.read(listener));
            if (!server.write(listener, {'o', 'k', client})) break;
            server.disconnect(listener);
        }
        return received;
    });
    for (std::uint8_t client = 0; client < 2; ++client) {
        SCOPED_TRACE(client);
        const jlong handle = java.connect(name);
        EXPECT_NE(handle, kNoClient);
        EXPECT_NE(handle, kNoHandle);
        EXPECT_TRUE(java.write(handle, {'h', 'i', client}));
        EXPECT_EQ(java.read(handle), (Bytes{'o', 'k', client}));
        // Disconnected by the listener, this client's end reads no more.
        EXPECT_EQ(java.read(handle), std::nullopt);
        java.close(handle);
    }
    EXPECT_EQ(served.get(), (std::vector<std::optional<Bytes>>{Bytes{'h', 'i', 0}, Bytes{'h', 'i', 1}}));
    java.close(listener);
}

TEST(CommNatives, AListenerConnectsAtOnceToAClientThatCameFirst) {
    JavaSide java;
    const std::wstring name = uniquePipeName(L"early");
    const jlong listener = java.listen(name);
    ASSERT_NE(listener, kNoHandle);
    const UniqueHandle client = rawClient(name);
    ASSERT_TRUE(client);
    EXPECT_TRUE(java.accept(listener));
    ASSERT_TRUE(rawWrite(client.get(), wireBlock({1, 2, 3})));
    EXPECT_EQ(java.read(listener), (Bytes{1, 2, 3}));
    java.close(listener);
}

TEST(CommNatives, AClientThatCameAndWentMakesWayForTheNext) {
    JavaSide java;
    const std::wstring name = uniquePipeName(L"gone");
    const jlong listener = java.listen(name);
    ASSERT_NE(listener, kNoHandle);
    ASSERT_TRUE(rawClient(name));  // opened and closed again before the listener connects
    auto accepted = std::async(std::launch::async, [&]() -> std::optional<Bytes> {
        JavaSide server;
        if (!server.accept(listener)) return std::nullopt;
        return server.read(listener);
    });
    const UniqueHandle next = rawClient(name);
    EXPECT_TRUE(next);
    EXPECT_TRUE(next && rawWrite(next.get(), wireBlock({4, 5})));
    EXPECT_EQ(accepted.get(), (Bytes{4, 5}));
    java.close(listener);
}

TEST(CommNatives, APeerThatLeavesMidBlockFailsTheRead) {
    struct Case {
        const char* name;
        Bytes sentBeforeLeaving;
    };
    const Case cases[] = {
        {"nothing sent", {}},
        {"half the length", {100, 0}},
        {"the length alone", {100, 0, 0, 0}},
        {"part of the payload", firstBytes(wireBlock(pattern(100)), 14)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        JavaSide java;
        NativeListener pipe(java, L"leave-read");
        ASSERT_TRUE(pipe.connected);
        ASSERT_TRUE(rawWrite(pipe.client.get(), c.sentBeforeLeaving));
        pipe.client.reset();
        EXPECT_EQ(java.read(pipe.handle), std::nullopt);
        java.close(pipe.handle);
    }
}

TEST(CommNatives, APeerThatLeavesMidBlockFailsTheWrite) {
    struct Case {
        const char* name;
        std::optional<std::size_t> readBeforeLeaving;  // nullopt: gone before the write starts
    };
    const Case cases[] = {
        {"gone before", std::nullopt},
        {"after the length", 4},
        {"after part of the payload", 4 + 1000},
    };
    const Bytes block = pattern(1 << 20);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        JavaSide java;
        NativeClient pipe(java, L"leave-write");
        ASSERT_TRUE(pipe.connected);
        if (!c.readBeforeLeaving) {
            pipe.server.reset();
            EXPECT_FALSE(java.write(pipe.handle, block));
        } else {
            auto written = std::async(std::launch::async, [&] { return JavaSide().write(pipe.handle, block); });
            EXPECT_TRUE(rawRead(pipe.server.get(), *c.readBeforeLeaving));
            pipe.server.reset();
            EXPECT_FALSE(written.get());
        }
        java.close(pipe.handle);
    }
}

TEST(CommNatives, ANullArrayIsNoBlock) {
    JavaSide java;
    NativeClient pipe(java, L"null");
    ASSERT_TRUE(pipe.connected);
    EXPECT_EQ(natives().writeDataBlock(java.env(), nullptr, pipe.handle, nullptr), JNI_FALSE);
    EXPECT_EQ(unreadBytes(pipe.server.get()), 0u);
    java.close(pipe.handle);
}

TEST(CommNatives, ALengthNoJavaArrayCanHoldGivesNullAndReadsNoFurther) {
    for (const std::uint32_t length : {0x80000000u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(length);
        JavaSide java;
        NativeListener pipe(java, L"huge");
        ASSERT_TRUE(pipe.connected);
        const Bytes prefix{static_cast<std::uint8_t>(length), static_cast<std::uint8_t>(length >> 8),
                           static_cast<std::uint8_t>(length >> 16), static_cast<std::uint8_t>(length >> 24)};
        ASSERT_TRUE(rawWrite(pipe.client.get(), concatenated(prefix, wireBlock({'a', 'b', 'c'}))));
        EXPECT_EQ(java.read(pipe.handle), std::nullopt);
        EXPECT_EQ(java.read(pipe.handle), (Bytes{'a', 'b', 'c'}));
        java.close(pipe.handle);
    }
}

TEST(CommNatives, AnArrayTheVmCannotMakeGivesNullWithNothingPending) {
    JavaSide java;
    NativeListener pipe(java, L"full-heap");
    ASSERT_TRUE(pipe.connected);
    java.jni().limitArrayLength(999);
    ASSERT_TRUE(rawWrite(pipe.client.get(), wireBlock(pattern(1000))));
    EXPECT_EQ(java.read(pipe.handle), std::nullopt);
    EXPECT_FALSE(java.env()->ExceptionCheck());
    java.close(pipe.handle);
}

TEST(CommNatives, ATransferOfNothingEndsTheBlockInsteadOfBeingAskedAgain) {
    // A file at its end reads nothing, successfully: where a pipe would wait.
    ScratchDir dir;
    const fs::path shortBlock = dir.write("short-block", std::string("\x0a\x00\x00\x00" "abc", 7));
    const UniqueHandle file(::CreateFileW(shortBlock.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file);
    const auto read = std::make_shared<std::optional<Bytes>>(Bytes{});
    EXPECT_TRUE(endsWithin(30000, [read, handle = asJava(file.get())] { *read = JavaSide().read(handle); }));
    EXPECT_EQ(*read, std::nullopt);

    // A pipe that does not wait takes nothing once its buffer is full.
    const std::wstring name = uniquePipeName(L"nowait");
    const UniqueHandle server = rawListener(name);
    const UniqueHandle client = rawClient(name);
    ASSERT_TRUE(client);
    DWORD noWait = PIPE_NOWAIT;
    ASSERT_TRUE(::SetNamedPipeHandleState(client.get(), &noWait, nullptr, nullptr));
    const auto written = std::make_shared<bool>(true);
    EXPECT_TRUE(endsWithin(30000, [written, handle = asJava(client.get())] {
        *written = JavaSide().write(handle, pattern(1 << 20));
    }));
    EXPECT_FALSE(*written);
}

TEST(CommNatives, AProcessIsAliveWhileItRunsAndNotOnceItHasEnded) {
    JavaSide java;
    EXPECT_EQ(java.processId(), ::GetCurrentProcessId());

    PROCESS_INFORMATION running{}, ended{};
    ASSERT_TRUE(startChild(L"linger", running));
    const UniqueHandle runningProcess(running.hProcess), runningThread(running.hThread);
    ASSERT_TRUE(startChild(L"exit", ended));
    const UniqueHandle endedProcess(ended.hProcess), endedThread(ended.hThread);
    ASSERT_EQ(::WaitForSingleObject(ended.hProcess, 60000), WAIT_OBJECT_0);

    struct Case {
        const char* name;
        DWORD processId;
        bool want;
    };
    const Case cases[] = {
        {"this process", ::GetCurrentProcessId(), true},
        {"a running child", running.dwProcessId, true},
        {"a child that has ended", ended.dwProcessId, false},
        {"an id never given out", 0x7FFFFFF0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(java.alive(c.processId), c.want);
    }
    ::TerminateProcess(running.hProcess, 0);
    ::WaitForSingleObject(running.hProcess, 60000);
    EXPECT_FALSE(java.alive(running.dwProcessId));
}

TEST(CommNatives, BlocksCrossByteForByteBothWaysBetweenAListenerAndAClientInAnotherProcess) {
    JavaSide java;
    const std::wstring name = uniquePipeName(L"processes");
    const jlong listener = java.listen(name);
    ASSERT_NE(listener, kNoHandle);
    PROCESS_INFORMATION child{};
    ASSERT_TRUE(startChild(L"echo-reversed " + name, child));
    const UniqueHandle childProcess(child.hProcess), childThread(child.hThread);
    ASSERT_TRUE(java.accept(listener));

    const std::size_t sizes[] = {0, 5, 1 << 20};
    for (const std::size_t size : sizes) {
        SCOPED_TRACE(size);
        const Bytes sent = pattern(size);
        ASSERT_TRUE(java.write(listener, sent));
        EXPECT_EQ(java.read(listener), Bytes(sent.rbegin(), sent.rend()));
    }
    java.disconnect(listener);
    java.close(listener);
    ASSERT_EQ(::WaitForSingleObject(child.hProcess, 60000), WAIT_OBJECT_0);
    DWORD echoed = 0;
    ASSERT_TRUE(::GetExitCodeProcess(child.hProcess, &echoed));
    EXPECT_EQ(echoed, std::size(sizes));
}

}  // namespace

int echoReversedBlocks(const std::wstring& name) {
    JavaSide java;
    const jlong client = java.connect(name);
    if (client == kNoClient) return -1;
    int echoed = 0;
    for (std::optional<Bytes> block = java.read(client); block; block = java.read(client)) {
        if (!java.write(client, Bytes(block->rbegin(), block->rend()))) break;
        ++echoed;
    }
    java.close(client);
    return echoed;
}

}  // namespace tavik::test::comm
