#include "launcher/win/startup/LaunchPipeline.h"

#include "launcher/core/ConfigIds.h"
#include "launcher/core/Log.h"
#include "launcher/win/image/Extraction.h"
#include "launcher/win/instance/SingleInstance.h"
#include "launcher/win/report/ErrorReport.h"
#include "launcher/win/runtime/JvmLoader.h"
#include "launcher/win/startup/ConsoleControl.h"
#include "launcher/win/vmstart/JavaStart.h"
#include "launcher/win/vmstart/NativeLibraryPath.h"

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
