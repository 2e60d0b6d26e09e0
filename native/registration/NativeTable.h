#pragma once
// The native interface of the installer runtime's Windows platform layer:
// every class whose natives the helper library binds, in registration order,
// and every method in the order of its class's registration array. Plain data
// so that a host test can hand it to a real VM.
#include <cstddef>
#include <iterator>
#include <string>
#include <string_view>

namespace tavik::native {

inline constexpr std::string_view kClassPackage = "com/runwright/runtime/installer/platform/win32/";

template <class T>
struct Span {
    const T* first;
    std::size_t count;
    const T* begin() const { return first; }
    const T* end() const { return first + count; }
    std::size_t size() const { return count; }
    const T& operator[](std::size_t i) const { return first[i]; }
};

struct NativeMethod {
    const char* name;
    const char* signature;  // JNI descriptor
};

struct NativeClass {
    const char* name;  // below kClassPackage
    Span<const NativeMethod> methods;

    template <std::size_t N>
    constexpr NativeClass(const char* className, const NativeMethod (&table)[N]) : name(className), methods{table, N} {}
};

struct NativeExport {
    const char* className;
    NativeMethod method;
};

Span<const NativeClass> registeredClasses();

// Exported natives that registration leaves out.
Span<const NativeExport> nameBoundOnlyNatives();

// "com/runwright/runtime/installer/platform/win32/<class>"
std::string classPath(std::string_view className);

// The JNI short name a VM looks a native up by. No name in the table needs
// JNI's escapes ("_1" and the like).
std::string exportName(std::string_view className, std::string_view methodName);

}  // namespace tavik::native
