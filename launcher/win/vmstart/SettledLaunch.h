#pragma once
// What the launch stages before the VM start settled, handed on as values.
#include <cstdint>
#include <optional>
#include <string>

#include "launcher/win/runtime/JvmLoader.h"
#include "launcher/win/vmstart/Expansion.h"

namespace tavik::vmstart {

struct SettledLaunch {
    bool serviceMode = false;  // every start but the "run" commands
    bool noRedirect = false;   // the "run" command: the Java side keeps its output as it is
    std::string tempDirectory;                 // empty when nothing was extracted
    std::uint32_t archiveEnd = 0;              // 0 when nothing was extracted
    std::optional<std::string> semaphoreName;  // the single-instance semaphore, when one was created
    runtime::LoadedRuntime runtime;

    SettledPaths paths() const { return {tempDirectory, runtime.home}; }
};

}  // namespace tavik::vmstart
