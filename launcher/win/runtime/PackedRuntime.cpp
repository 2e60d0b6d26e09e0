#include "launcher/win/runtime/PackedRuntime.h"

#include <windows.h>

#include <string_view>

#include "common/win/LastError.h"
#include "common/win/Process.h"
#include "launcher/core/ConfigIds.h"
#include "launcher/core/Log.h"
#include "launcher/core/RuntimeLayout.h"
#include "launcher/win/paths/FileSystem.h"
#include "launcher/win/paths/PathResolution.h"
#include "launcher/win/report/ErrorReport.h"

namespace tavik::runtime {
namespace {


}  // namespace

void unpackPackedRuntime(const std::string& runtimeDirectory) {
    bool started = false;
    for (const char* subdirectory : jvm::kPackedArchiveDirectories)
        unpackPackedDirectory(runtimeDirectory, subdirectory, started);
    if (started) log::logLine(u"Unpacking JRE done");
}

void unpackPackedDirectory(const std::string& runtimeDirectory, const std::string& subdirectory, bool& started) {
    const std::string directory = runtimeDirectory + "\\" + subdirectory;
    for (const std::string& name : paths::listFilesWithExtension(directory, "jar.pack")) {
        const std::string unpacked = directory + "\\" + jvm::unpackedArchiveOf(name);
        log::logLine(u"checking %S", unpacked);
        if (paths::pathExists(unpacked)) continue;
        if (!started) {
            log::logLine(u"Unpacking JRE");
            report::consolePrint("Preparing JRE ...\n");
            started = true;
        }
        unpackArchive(runtimeDirectory, unpacked + std::string(jvm::kPackSuffix));
    }
}

void unpackArchive(const std::string& runtimeDirectory, const std::string& packedPath) {
    if (!paths::pathExists(packedPath)) {
        log::logLine(u"pack path doesn't exists");
        return;
    }
    const std::string tool = runtimeDirectory + "\\bin\\unpack200.exe";
    // The tool gets exactly these arguments, without its own name in front.
    const std::string arguments = jvm::unpackArguments(packedPath);
    log::logLine(u"%s", tool);
    log::logLine(u"%s", arguments);

    ProcessOptions options;
    options.inheritHandles = true;
    options.creationFlags = NORMAL_PRIORITY_CLASS;
    options.showWindow = SW_HIDE;
    const Result<ChildProcess> child = startProcess(tool.c_str(), arguments, options);
    if (!child) {
        log::logLine(u"could not create unpack process");
        report::fatalMessage(config::kInternalFailureMessageId, config::kRuntimePreparationFailure);
    }
    log::logLine(u"waiting for unpack200 to finish");
    child->wait(INFINITE);  // its exit code is not examined: a missing archive shows in the version check
    log::logLine(u"unpack done");

    if (!::DeleteFileA(packedPath.c_str())) {
        const SysError error = lastError("DeleteFileA");
        if (error.code != ERROR_FILE_NOT_FOUND) log::logLine(u"could not delete packed file (error %d)", error);
    }
}

}  // namespace tavik::runtime
