#pragma once
// Optional system functions bound at run time, from the system directory only
// so that a DLL of the same name beside the executable is never picked up.
#include <windows.h>

#include <string>

namespace tavik {

// Loaded by full path and never freed, so cached function pointers stay valid
// until the process ends. Null when the library is missing.
inline HMODULE systemLibrary(const wchar_t* fileName) noexcept {
    try {
        std::wstring path(::GetSystemDirectoryW(nullptr, 0), L'\0');
        const UINT length = ::GetSystemDirectoryW(path.data(), static_cast<UINT>(path.size()));
        if (length == 0 || length >= path.size()) return nullptr;
        path.resize(length);
        path += L'\\';
        path += fileName;
        return ::LoadLibraryW(path.c_str());
    } catch (...) {
        return nullptr;
    }
}

// Null when the library or the function is missing: the caller falls back.
template <class Fn>
Fn findFunction(HMODULE library, const char* name) noexcept {
    if (library == nullptr) return nullptr;
    // Through void*: GCC warns about casts between unrelated function types.
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(library, name)));
}

}  // namespace tavik
