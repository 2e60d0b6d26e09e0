#pragma once
// Failure records of Win32 calls.
#include <windows.h>

#include <string>
#include <string_view>

#include "common/SysError.h"

namespace tavik {

// Take it on the line right after the failed call: logging, allocating and
// closing handles overwrite the thread's last error.
inline SysError lastError(const char* api) noexcept { return {api, ::GetLastError()}; }

// Registry calls return their code and leave the last error alone.
inline SysError statusError(const char* api, LSTATUS status) noexcept {
    return {api, static_cast<std::uint32_t>(status)};
}

// failureText with the system's description of the code.
std::u16string describe(const SysError& error, std::u16string_view subject = {});

}  // namespace tavik
