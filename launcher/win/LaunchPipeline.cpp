#include "launcher/win/LaunchPipeline.h"

#include "launcher/core/Log.h"
#include "launcher/win/ConsoleControl.h"
#include "launcher/win/ErrorReport.h"
#include "launcher/win/Extraction.h"

namespace tavik {
namespace {

constexpr std::int32_t kInternalFailureMessage = 1009;
constexpr std::int32_t kNoJavaRuntimeMessage = 1005;

void extractFiles() {
    if (extractArchive(true) != ExtractResult::Done) fatalMessageNarrow(kInternalFailureMessage, "16");
}

// The configured native library directories (id 10004) belong here; this
// build adds none.
void addNativeLibraryDirectories() {}

// The single-instance guard belongs here; this build has none, so a second
// instance starts as the first did.
void applySingleInstanceGuard() {}

// This build finds no Java runtime: the launch ends as it does on a machine
// without a usable one.
[[noreturn]] void runJavaApplication(const std::vector<std::u16string>&) {
    fatalMessage(kNoJavaRuntimeMessage, std::nullopt);
}

}  // namespace

void launchPipeline(const std::vector<std::u16string>& tokens, bool consoleHandler) {
    extractFiles();
    addNativeLibraryDirectories();
    if (consoleHandler) {
        log::logLine(u"registering ConsoleCtrlHandler");
        registerConsoleCtrlHandler();
    }
    applySingleInstanceGuard();
    runJavaApplication(tokens);
}

}  // namespace tavik
