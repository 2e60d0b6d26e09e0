#include "native/process/FileHandles.h"

#include <winternl.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cwchar>
#include <vector>

#include "common/win/Handles.h"
#include "common/win/SystemLibrary.h"
#include "native/process/ProcessRules.h"

namespace tavik::native::process {
namespace {

using NtQuerySystemInformationFn = LONG(NTAPI*)(ULONG, void*, ULONG, ULONG*);
using NtDuplicateObjectFn = LONG(NTAPI*)(HANDLE, HANDLE, HANDLE, HANDLE*, ACCESS_MASK, ULONG, ULONG);
using NtQueryObjectFn = LONG(NTAPI*)(HANDLE, ULONG, void*, ULONG, ULONG*);
using NtOpenSymbolicLinkObjectFn = LONG(NTAPI*)(HANDLE*, ACCESS_MASK, OBJECT_ATTRIBUTES*);
using NtQuerySymbolicLinkObjectFn = LONG(NTAPI*)(HANDLE, UNICODE_STRING*, ULONG*);

constexpr ULONG kSystemHandleInformation = 16;
constexpr ULONG kObjectNameInformation = 1;
constexpr ULONG kObjectTypeInformation = 2;
constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);
constexpr LONG kBufferTooSmall = static_cast<LONG>(0xC0000023);
constexpr LONG kBufferOverflow = static_cast<LONG>(0x80000005);
constexpr ULONG kQueryBytes = 4096;
constexpr ULONG kFirstTableBytes = 65536;

bool succeeded(LONG status) { return status >= 0; }

// One entry of the system handle table as information class 16 lays it out.
struct HandleEntry {
    ULONG processId;
    UCHAR objectType;
    UCHAR attributes;
    USHORT value;
    void* object;
    ACCESS_MASK grantedAccess;
};
struct HandleTable {
    ULONG count;
    HandleEntry entries[1];
};

HMODULE ntdll() noexcept { return ::GetModuleHandleA("ntdll.dll"); }

template <class Fn>
Fn ntFunction(const char* name) noexcept {
    return findFunction<Fn>(ntdll(), name);
}

std::u16string units(const UNICODE_STRING& text) {
    if (text.Buffer == nullptr) return {};
    return std::u16string(reinterpret_cast<const char16_t*>(text.Buffer), text.Length / sizeof(wchar_t));
}

struct NtFunctions {
    NtQuerySystemInformationFn querySystem = ntFunction<NtQuerySystemInformationFn>("NtQuerySystemInformation");
    NtDuplicateObjectFn duplicate = ntFunction<NtDuplicateObjectFn>("NtDuplicateObject");
    NtQueryObjectFn queryObject = ntFunction<NtQueryObjectFn>("NtQueryObject");

    bool complete() const { return querySystem != nullptr && duplicate != nullptr && queryObject != nullptr; }
};

std::optional<std::vector<unsigned char>> handleTable(const NtFunctions& nt) {
    std::vector<unsigned char> table(kFirstTableBytes);
    for (;;) {
        const LONG status =
            nt.querySystem(kSystemHandleInformation, table.data(), static_cast<ULONG>(table.size()), nullptr);
        if (succeeded(status)) return table;
        if (status != kInfoLengthMismatch) return std::nullopt;
        table.resize(table.size() * 2);
    }
}

std::optional<std::u16string> typeName(const NtFunctions& nt, HANDLE handle) {
    std::vector<unsigned char> type(kQueryBytes);
    if (!succeeded(nt.queryObject(handle, kObjectTypeInformation, type.data(), kQueryBytes, nullptr)))
        return std::nullopt;
    return units(*reinterpret_cast<const UNICODE_STRING*>(type.data()));
}

std::optional<std::u16string> objectName(const NtFunctions& nt, HANDLE handle) {
    std::vector<unsigned char> name(kQueryBytes);
    ULONG needed = 0;
    LONG status = nt.queryObject(handle, kObjectNameInformation, name.data(), kQueryBytes, &needed);
    if ((status == kInfoLengthMismatch || status == kBufferOverflow || status == kBufferTooSmall) &&
        needed > name.size()) {
        name.resize(needed);
        status = nt.queryObject(handle, kObjectNameInformation, name.data(), needed, nullptr);
    }
    if (!succeeded(status)) return std::nullopt;
    return units(*reinterpret_cast<const UNICODE_STRING*>(name.data()));
}

std::optional<FileHandle> listedFile(const NtFunctions& nt, const HandleEntry& entry) {
    UniqueHandle copy;
    if (!succeeded(nt.duplicate(::GetCurrentProcess(), reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(entry.value)),
                                ::GetCurrentProcess(), copy.put(), 0, 0, 0)))
        return std::nullopt;
    const std::optional<std::u16string> type = typeName(nt, copy.get());
    if (!type || !mayQueryName(entry.grantedAccess)) return std::nullopt;
    std::optional<std::u16string> name = objectName(nt, copy.get());
    if (!name || !isListedFile(*type, *name)) return std::nullopt;
    return FileHandle{entry.value, std::move(*name)};
}

}  // namespace

std::optional<std::vector<FileHandle>> openFileHandles() {
    const NtFunctions nt;
    if (!nt.complete()) return std::nullopt;
    const std::optional<std::vector<unsigned char>> bytes = handleTable(nt);
    if (!bytes) {
        std::printf("NtQuerySystemInformation failed!\n");
        std::fflush(stdout);
        return std::nullopt;
    }
    const auto* table = reinterpret_cast<const HandleTable*>(bytes->data());
    // The count comes from the system: never read past the bytes it filled.
    const std::size_t room = (bytes->size() - offsetof(HandleTable, entries)) / sizeof(HandleEntry);
    const std::size_t count = table->count < room ? table->count : room;
    const DWORD self = ::GetCurrentProcessId();
    std::vector<FileHandle> files;
    for (std::size_t i = 0; i < count; ++i) {
        const HandleEntry& entry = table->entries[i];
        if (entry.processId != self) continue;
        if (std::optional<FileHandle> file = listedFile(nt, entry)) files.push_back(std::move(*file));
    }
    std::fflush(stdout);
    return files;
}

bool closeHandleValue(std::int32_t value) noexcept {
    static const auto duplicate = ntFunction<NtDuplicateObjectFn>("NtDuplicateObject");
    if (duplicate == nullptr) return false;
    HANDLE copy = nullptr;
    const HANDLE handle = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(value));
    if (!succeeded(duplicate(::GetCurrentProcess(), handle, ::GetCurrentProcess(), &copy, 0, 0, DUPLICATE_CLOSE_SOURCE)))
        return false;
    ::CloseHandle(copy);
    return true;
}

std::optional<std::u16string> symbolicLinkTarget(const wchar_t* linkName) {
    if (linkName == nullptr) return std::nullopt;
    const auto openLink = ntFunction<NtOpenSymbolicLinkObjectFn>("NtOpenSymbolicLinkObject");
    const auto queryLink = ntFunction<NtQuerySymbolicLinkObjectFn>("NtQuerySymbolicLinkObject");
    if (openLink == nullptr || queryLink == nullptr) {
        std::printf("did not find functions\n");
        std::fflush(stdout);
        return std::nullopt;
    }
    UNICODE_STRING name{};
    const std::size_t nameBytes = std::wcslen(linkName) * sizeof(wchar_t);
    if (nameBytes > 0xFFFE) return std::nullopt;  // beyond what a counted string holds
    name.Length = static_cast<USHORT>(nameBytes);
    name.MaximumLength = static_cast<USHORT>(nameBytes);
    name.Buffer = const_cast<wchar_t*>(linkName);
    OBJECT_ATTRIBUTES attributes{};
    attributes.Length = sizeof attributes;
    attributes.ObjectName = &name;
    UniqueHandle link;
    const LONG opened = openLink(link.put(), GENERIC_READ, &attributes);
    if (!succeeded(opened)) {
        std::printf("could not open link %ls %p\n", linkName, reinterpret_cast<void*>(static_cast<ULONG_PTR>(static_cast<ULONG>(opened))));
        std::fflush(stdout);
        return std::nullopt;
    }
    UNICODE_STRING target{};
    ULONG needed = 0;
    if (queryLink(link.get(), &target, &needed) != kBufferTooSmall) {
        std::printf("could not query link length %ls\n", linkName);
        std::fflush(stdout);
        return std::nullopt;
    }
    std::vector<wchar_t> buffer(needed / sizeof(wchar_t) + 1);
    target.Buffer = buffer.data();
    target.MaximumLength = static_cast<USHORT>(std::min<std::size_t>(buffer.size() * sizeof(wchar_t), 0xFFFE));
    if (!succeeded(queryLink(link.get(), &target, &needed))) {
        std::printf("could not query link %ls\n", linkName);
        std::fflush(stdout);
        return std::nullopt;
    }
    return units(target);
}

}  // namespace tavik::native::process
