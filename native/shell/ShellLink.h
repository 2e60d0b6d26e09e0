#pragma once
// Shell shortcuts written through the shell's link object, and change
// notifications to the shell. The calling thread has initialised COM.
#include <windows.h>

#include <optional>
#include <string>

namespace tavik::native::shell {

// Null texts, the target and working directory included, are left unset on the link.
template <class Char>
struct LinkRequest {
    const wchar_t* linkFile = nullptr;
    const Char* target = nullptr;
    const Char* workingDirectory = nullptr;
    const Char* iconFile = nullptr;  // icon index 0
    const Char* arguments = nullptr;
    bool runAsAdministrator = false;
    const Char* description = nullptr;
    std::optional<int> showCommand;  // left as the link object has it when absent
};

// True when the link file was saved.
bool saveLink(const LinkRequest<wchar_t>& request);
// Texts in the system code page, through the link object's 8-bit interface.
bool saveLink(const LinkRequest<char>& request);

// The shell learns that `deleted` is gone and that `updatedDirectory` changed,
// the latter flushed; a missing path goes as none. False when the shell
// binding is unavailable.
bool notifyDeletedAndUpdated(const std::optional<std::u16string>& deleted,
                             const std::optional<std::u16string>& updatedDirectory);

}  // namespace tavik::native::shell
