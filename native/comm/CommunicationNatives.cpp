// The natives of Win32CommunicationBackend: handles cross as jlong, -1 being
// none; blocks move between Java arrays and the pipe module. None throws into
// Java: a VM's failed allocation is cleared and answered with null or false.
#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <optional>

#include "native/comm/NamedPipe.h"
#include "native/jni/JniShell.h"
#include "native/comm/PipeRules.h"
#include "native/jni/JniExport.h"
#include "native/jni/JniText.h"

using tavik::native::toWideString;
namespace comm = tavik::native::comm;

namespace {

using tavik::native::fromHandle;

constexpr jlong kNoHandle = -1;
// What connectClient0 answers for no handle, unlike the others.
constexpr jlong kNoClient = 0;

// Through intptr_t both ways, so -1 is INVALID_HANDLE_VALUE on x86 and x64 alike.
HANDLE toHandle(jlong value) { return tavik::native::toHandle<HANDLE>(value); }

// Payloads move between array and pipe through a buffer of one piece: taking
// a large array's elements instead costs a VM a fresh buffer of the whole
// length and a copy of it each way, the zeros of a new array included. A
// piece fills the pipe's buffer at most.
constexpr jsize kPieceBytes = 65536;

// Uninitialised, and null rather than an exception when there is no memory.
std::unique_ptr<unsigned char[]> pieceBuffer(jsize length) {
    return std::unique_ptr<unsigned char[]>(new (std::nothrow) unsigned char[std::min(length, kPieceBytes)]);
}

jsize pieceAt(jsize offset, jsize length) { return std::min(length - offset, kPieceBytes); }

bool readInto(JNIEnv* env, HANDLE pipe, jbyteArray block, jsize length) {
    const std::unique_ptr<unsigned char[]> piece = pieceBuffer(length);
    if (!piece) return false;
    for (jsize offset = 0; offset < length;) {
        const jsize size = pieceAt(offset, length);
        if (!comm::readExactly(pipe, piece.get(), static_cast<std::size_t>(size))) return false;
        env->SetByteArrayRegion(block, offset, size, reinterpret_cast<const jbyte*>(piece.get()));
        offset += size;
    }
    return true;
}

// Reads the payload into a new array; null when it cannot be had whole.
jbyteArray readPayload(JNIEnv* env, HANDLE pipe, std::int32_t length) {
    const jbyteArray block = env->NewByteArray(length);
    if (block == nullptr) {
        env->ExceptionClear();  // the VM's OutOfMemoryError
        return nullptr;
    }
    if (readInto(env, pipe, block, length)) return block;
    env->DeleteLocalRef(block);
    return nullptr;
}

// The buffer comes first: once the length is on the stream, the peer waits
// for the payload.
bool writeBlock(JNIEnv* env, HANDLE pipe, jbyteArray data) {
    const jsize length = env->GetArrayLength(data);
    if (length == 0) return comm::writeBlockLength(pipe, 0);
    const std::unique_ptr<unsigned char[]> piece = pieceBuffer(length);
    if (!piece || !comm::writeBlockLength(pipe, static_cast<std::uint32_t>(length))) return false;
    for (jsize offset = 0; offset < length;) {
        const jsize size = pieceAt(offset, length);
        env->GetByteArrayRegion(data, offset, size, reinterpret_cast<jbyte*>(piece.get()));
        if (!comm::writeExactly(pipe, piece.get(), static_cast<std::size_t>(size))) return false;
        offset += size;
    }
    return true;
}

}  // namespace

TAVIK_NATIVE(jlong, Win32CommunicationBackend, getInvalidHandle0)(JNIEnv*, jclass) { return kNoHandle; }

TAVIK_NATIVE(jlong, Win32CommunicationBackend, createListener0)(JNIEnv* env, jclass, jstring name) {
    try {
        return fromHandle(comm::createListener(toWideString(env, name).wide()));
    } catch (...) {
        return kNoHandle;
    }
}

TAVIK_NATIVE(jbyteArray, Win32CommunicationBackend, readDataBlock0)(JNIEnv* env, jclass, jlong handle) {
    if (handle == kNoHandle) return nullptr;
    const HANDLE pipe = toHandle(handle);
    const std::optional<std::uint32_t> blockLength = comm::readBlockLength(pipe);
    if (!blockLength) return nullptr;
    // Too long for an array: nothing more is read, the stream is the caller's to close.
    const std::optional<std::int32_t> length = comm::javaArrayLength(*blockLength);
    if (!length) return nullptr;
    return readPayload(env, pipe, *length);
}

TAVIK_NATIVE(jboolean, Win32CommunicationBackend, writeDataBlock0)(JNIEnv* env, jclass, jlong handle,
                                                                   jbyteArray data) {
    if (handle == kNoHandle || data == nullptr) return JNI_FALSE;
    const HANDLE pipe = toHandle(handle);
    if (!writeBlock(env, pipe, data)) return JNI_FALSE;
    comm::flush(pipe);
    return JNI_TRUE;
}

TAVIK_NATIVE(jlong, Win32CommunicationBackend, connectClient0)(JNIEnv* env, jclass, jstring name) {
    try {
        tavik::UniqueHandle client = comm::connectClient(toWideString(env, name).wide(), comm::kClientRetry);
        // The Java side owns the handle from here and closes it with closeHandle0.
        return client ? fromHandle(client.release()) : kNoClient;
    } catch (...) {
        return kNoClient;
    }
}

TAVIK_NATIVE(jboolean, Win32CommunicationBackend, connectNamedPipe0)(JNIEnv*, jclass, jlong handle) {
    if (handle == kNoHandle) return JNI_FALSE;
    return comm::connectListener(toHandle(handle), comm::kListenerRetry) ? JNI_TRUE : JNI_FALSE;
}

TAVIK_NATIVE(void, Win32CommunicationBackend, disconnectNamedPipe0)(JNIEnv*, jclass, jlong handle) {
    if (handle != kNoHandle) comm::disconnect(toHandle(handle));
}

TAVIK_NATIVE(void, Win32CommunicationBackend, closeHandle0)(JNIEnv*, jclass, jlong handle) {
    if (handle != kNoHandle) comm::close(toHandle(handle));
}

TAVIK_NATIVE(jboolean, Win32CommunicationBackend, isProcessAlive0)(JNIEnv*, jclass, jint processId) {
    return comm::isProcessAlive(static_cast<DWORD>(processId)) ? JNI_TRUE : JNI_FALSE;
}

TAVIK_NATIVE(jint, Win32CommunicationBackend, getCurrentProcessId0)(JNIEnv*, jclass) {
    return static_cast<jint>(comm::currentProcessId());
}
