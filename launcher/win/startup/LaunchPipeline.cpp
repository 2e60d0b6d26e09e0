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

namespace tavik::startup {
namespace {

image::ExtractedFiles extractFiles() {
    image::ExtractedFiles extracted = image::extractArchive();
    if (extracted.result != image::ExtractResult::Done)
        report::fatalMessage(config::kInternalFailureMessageId, config::kExtractionFailure);
    return extracted;
}

void runJavaApplication(const std::vector<std::u16string>& tokens, vmstart::SettledLaunch settled) {
    std::optional<runtime::LoadedRuntime> loaded =
        runtime::LoadDLL(runtime::OnFailure::ShowMessage, std::nullopt, runtime::LocationKind::RuntimeDirectory,
                         settled.tempDirectory);
    if (!loaded) report::exitLauncher(1);
    settled.runtime = std::move(*loaded);
    const jvm::JavaStartResult result = jvm::startJavaApplication(vmstart::gatherJavaStartInputs(tokens, settled));
    if (result.fatalMessageId) report::fatalMessage(*result.fatalMessageId, std::nullopt);
    if (!result.success) report::exitLauncher(1);
}

}  // namespace

void launchPipeline(const std::vector<std::u16string>& tokens, LaunchMode mode) {
    vmstart::SettledLaunch settled;
    settled.serviceMode = mode == LaunchMode::SupervisedChild;
    settled.noRedirect = mode == LaunchMode::Run;

    image::ExtractedFiles extracted = extractFiles();
    settled.tempDirectory = std::move(extracted.tempDirectory);
    settled.archiveEnd = extracted.archiveEnd;
    vmstart::setupNativeLibraryPath(settled.tempDirectory);
    if (mode == LaunchMode::SupervisedChild) {
        log::logLine(u"registering ConsoleCtrlHandler");
        registerConsoleCtrlHandler();
    }
    // Held while the application runs: the semaphore marks this instance as running.
    const instance::InstanceGuard guard = instance::enforceSingleInstance(instance::StartupNotification::Off);
    settled.semaphoreName = guard.semaphoreName;
    runJavaApplication(tokens, std::move(settled));
}

}  // namespace tavik::startup
