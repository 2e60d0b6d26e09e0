#include "launcher/win/vmstart/NativeLibraryPath.h"

#include <windows.h>

#include <cstdlib>

#include "common/win/LastError.h"
#include "launcher/core/ConfigIds.h"
#include "launcher/core/Log.h"
#include "launcher/core/NativeLibraryRules.h"
#include "launcher/win/image/Config.h"
#include "launcher/win/paths/Environment.h"
#include "launcher/win/paths/PathResolution.h"
#include "launcher/win/vmstart/Expansion.h"

namespace tavik::vmstart {
namespace {

void setPath(const std::string& value) {
    if (::SetEnvironmentVariableA("PATH", value.c_str()))
        log::logLine(u"Setting PATH (native libs) %S", value);
    else
        log::logLine(u"Setting PATH (native libs) %S failed with error %d", value,
                     lastError("SetEnvironmentVariableA"));
    // The C runtime keeps its own copy of the environment for getenv.
    const std::string entry = "PATH=" + value;
    ::_putenv(entry.c_str());
}

}  // namespace

void setupNativeLibraryPath(const std::string& launcherTempDirectory) {
    const std::string configured = image::configString(config::kNativeLibraryDirectoriesId, config::kTextCapacity);
    log::logLine(u"native lib dir is %S", configured);
    // The cookies are not kept: the directories stay registered for the process.
    const std::string directories = paths::resolvePathList(
        expandVariablesNarrow(configured, {launcherTempDirectory, {}}),
        [](const std::string& directory) { runtime::addDllDirectory(directory); });
    setPath(path::nativeLibraryPathValue(directories, paths::environmentVariable("PATH")));
}

}  // namespace tavik::vmstart
