#include "launcher/win/LaunchPipeline.h"

#include "launcher/core/ConfigIds.h"
#include "launcher/core/Log.h"
#include "launcher/win/ConsoleControl.h"
#include "launcher/win/ErrorReport.h"
#include "launcher/win/Extraction.h"
#include "launcher/win/JavaStart.h"
#include "launcher/win/JvmLoader.h"
#include "launcher/win/NativeLibraryPath.h"
#include "launcher/win/SingleInstance.h"

namespace tavik {
namespace {

void extractFiles() {
    if (extractArchive(true) != ExtractResult::Done)
        fatalMessage(config::kInternalFailureMessageId, config::kExtractionFailure);
}

void runJavaApplication(const std::vector<std::u16string>& tokens) {
    if (!jvm::LoadDLL(true, std::nullopt, false)) exitLauncher(1);
    const jvm::JavaStartResult result =
        jvm::startJavaApplication(gatherJavaStartInputs(tokens, singleInstanceSemaphoreName()));
    if (result.fatalMessageId) fatalMessage(*result.fatalMessageId, std::nullopt);
    if (!result.success) exitLauncher(1);
}

}  // namespace

void launchPipeline(const std::vector<std::u16string>& tokens, bool consoleHandler) {
    extractFiles();
    setupNativeLibraryPath();
    if (consoleHandler) {
        log::logLine(u"registering ConsoleCtrlHandler");
        registerConsoleCtrlHandler();
    }
    enforceSingleInstance(false);
    runJavaApplication(tokens);
}

}  // namespace tavik
