#pragma once
// A failed system call: which call, and the code it failed with.
#include <cstdint>
#include <string>
#include <string_view>

namespace tavik {

struct SysError {
    const char* api;     // as the SDK spells it: "CreatePipe", "RegOpenKeyExW"
    std::uint32_t code;  // the last error taken right after the call, or the status a registry call returned
};

// The one text of a failure for log lines whose wording is left open, e.g.
// CreateThread("startupListener") failed: 8 (Not enough memory.)
// `subject` says what the call was about and `systemText` is the system's
// description of the code; either may be empty. Codes with the top bit set
// (HRESULT, NTSTATUS) read better in hex.
std::u16string failureText(const SysError& error, std::u16string_view subject, std::u16string_view systemText);

}  // namespace tavik
