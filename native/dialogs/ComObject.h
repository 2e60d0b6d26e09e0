#pragma once
// Owners for what COM hands out: interface pointers and task-allocator memory.
#include <windows.h>
#include <objbase.h>

#include "common/UniqueResource.h"

namespace tavik::native::dialogs {

template <class Interface>
struct ComTraits {
    using Handle = Interface*;
    static Interface* invalid() noexcept { return nullptr; }
    static bool isValid(Interface* object) noexcept { return object != nullptr; }
    static void close(Interface* object) noexcept { object->Release(); }
};
template <class Interface>
using ComObject = UniqueResource<ComTraits<Interface>>;

// For the creating calls that return an interface through void**.
template <class Interface>
void** asOut(ComObject<Interface>& object) noexcept {
    return reinterpret_cast<void**>(object.put());
}

using TaskMemoryText = UniqueResource<NullIsInvalid<wchar_t*, &::CoTaskMemFree>>;

}  // namespace tavik::native::dialogs
