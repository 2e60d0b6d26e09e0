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
#include "launcher/win/vmstart/SettledLaunch.h"

namespace tavik {
namespace {

ExtractedFiles extractFiles() {
    ExtractedFiles extracted = extractArchive();
    if (extracted.result != ExtractResult::Done)
        fatalMessage(config::kInternalFailureMessageId, config::kExtractionFailure);
    return extracted;
}

void runJavaApplication(const std::vector<std::u16string>& tokens, SettledLaunch settled) {
    std::optional<jvm::LoadedRuntime> runtime =
        jvm::LoadDLL(jvm::OnFailure::ShowMessage, std::nullopt, jvm::LocationKind::RuntimeDirectory,
                     settled.tempDirectory);
    if (!runtime) exitLauncher(1);
    settled.runtime = std::move(*runtime);
    const jvm::JavaStartResult result = jvm::startJavaApplication(gatherJavaStartInputs(tokens, settled));
    if (result.fatalMessageId) fatalMessage(*result.fatalMessageId, std::nullopt);
    if (!result.success) exitLauncher(1);
}

}  // namespace

void launchPipeline(const std::vector<std::u16string>& tokens, LaunchMode mode) {
    SettledLaunch settled;
    settled.serviceMode = mode == LaunchMode::SupervisedChild;
    settled.noRedirect = mode == LaunchMode::Run;

    ExtractedFiles extracted = extractFiles();
    settled.tempDirectory = std::move(extracted.tempDirectory);
    settled.archiveEnd = extracted.archiveEnd;
    setupNativeLibraryPath(settled.tempDirectory);
    if (mode == LaunchMode::SupervisedChild) {
        log::logLine(u"registering ConsoleCtrlHandler");
        registerConsoleCtrlHandler();
    }
    // Held while the application runs: the semaphore marks this instance as running.
    const InstanceGuard guard = enforceSingleInstance(StartupNotification::Off);
    settled.semaphoreName = guard.semaphoreName;
    runJavaApplication(tokens, std::move(settled));
}

}  // namespace tavik
