#include "launcher/win/paths/TempDirectory.h"

#include <windows.h>

#include <utility>

#include "common/win/Handles.h"
#include "common/win/LastError.h"
#include "common/win/SystemClock.h"
#include "common/win/WideText.h"
#include "launcher/core/ConfigIds.h"
#include "launcher/core/Log.h"
#include "launcher/win/paths/AnsiPath.h"
#include "launcher/win/paths/FileSystem.h"
#include "launcher/win/paths/TempBase.h"
#include "launcher/win/report/ErrorReport.h"

namespace tavik::paths {
namespace {

constexpr int kTempDirectoryAttempts = 10;

}  // namespace

std::string tempBaseDirectory() {
    const auto base = processTempBase();
    if (!base) report::fatalMessage(config::kNoTempDirectoryMessageId, std::nullopt);
    return *base;
}

std::u16string tempBaseDirectoryWide() {
    const auto base = processTempBaseWide();
    if (!base) report::fatalMessage(config::kNoTempDirectoryMessageId, std::nullopt);
    return *base;
}

std::string tempFileName() {
    const std::string base = tempBaseDirectory();
    log::logLine(u"tempPath is %S", base);
    std::string name;
    char unique[MAX_PATH];
    if (::GetTempFileNameA(base.c_str(), "tvk", 0, unique) != 0) {
        name = unique;
    } else {
        log::logLine(u"GetTempFileName failed (last error %d)", lastError("GetTempFileNameA"));
        name = base + (endsWithPathSeparator(base) ? "" : "\\") + "tvk" + std::to_string(probeNumber());
    }
    log::logLine(u"tempFile is %S", name);
    return name;
}

std::string createTempDirectory() {
    for (int attempt = 0; attempt < kTempDirectoryAttempts; ++attempt) {
        const auto seconds = static_cast<std::int32_t>(static_cast<std::uint32_t>(secondsSince1970()));
        const std::string directory = tempFileName() + "_dir" + std::to_string(seconds);
        log::logLine(u"Temp dir3: %S", directory);
        if (::CreateDirectoryA(directory.c_str(), nullptr)) {
            removeAtLauncherExit(directory);
            return directory;
        }
        log::logLine(u"Could not create dir (%d)", lastError("CreateDirectoryA"));
    }
    report::fatalMessage(config::kInternalFailureMessageId, config::kTempDirectoryFailure);
}

void removeAtLauncherExit(std::string directory) {
    report::setExitCleanup([directory = std::move(directory)] {
        if (directory.empty()) return;
        removeDirectoryContents(directory, Subdirectories::Emptied);
        ::RemoveDirectoryA(directory.c_str());
    });
}

}  // namespace tavik::paths
