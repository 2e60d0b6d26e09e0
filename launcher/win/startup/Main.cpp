// The launcher's entry: fixed initialization, then the command line decides
// what this process is: a service command, the service process, the
// service's supervised child or a direct run of the application.
#include <windows.h>

#include <cstdio>
#include <exception>

#include "common/TextFormat.h"
#include "common/win/WideText.h"
#include "launcher/core/CommandLine.h"
#include "launcher/core/ConfigIds.h"
#include "launcher/core/Log.h"
#include "launcher/win/image/Config.h"
#include "launcher/win/image/ConfigLoad.h"
#include "launcher/win/paths/LauncherPaths.h"
#include "launcher/win/paths/PathResolution.h"
#include "launcher/win/report/ErrorReport.h"
#include "launcher/win/service/ServiceControl.h"
#include "launcher/win/service/ServiceDispatcher.h"
#include "launcher/win/startup/LaunchPipeline.h"
#include "launcher/win/vmstart/Expansion.h"

namespace tavik::startup {
namespace {

void changeWorkingDirectory() {
    const std::u16string configured = image::configWideString(config::kWorkingDirectoryId);
    if (configured.empty()) {
        log::logLine(u"working directory unchanged");
        return;
    }
    // Before the extraction and the runtime: their variables expand to nothing.
    const std::u16string directory =
        paths::resolvePathWide(vmstart::expandVariables(configured, paths::DirectoryForm::AnsiSafe, {}),
                               paths::DirectoryForm::AnsiSafe);
    // A directory that cannot be entered leaves the current one in place.
    ::SetCurrentDirectoryW(toWide(directory).c_str());
    log::logLine(u"change working directory to %s", directory);
}

void initialize() {
    // The first log call happens in here, so the log is opened here.
    image::readConfigBlock();
    image::loadFlavourByte();
    changeWorkingDirectory();
}

// Only seen when standard output is redirected: this is a GUI program.
void printUsage() {
    bool substituted = false;
    const std::string line = toAnsi(cmdline::usageLine(paths::moduleFileName()), substituted);
    std::fputs(line.c_str(), stdout);
    std::fflush(stdout);
}

void runDirectly(const std::u16string& programPath, std::vector<std::u16string> arguments, LaunchMode mode) {
    arguments.insert(arguments.begin(), programPath);
    launchPipeline(arguments, mode);
}

int runCommand(const cmdline::EntryDecision& decision, const std::u16string& programPath,
               const std::u16string& serviceName) {
    using cmdline::Command;
    switch (decision.command) {
        case Command::Usage:
            printUsage();
            return 0;
        case Command::Install:
            return service::install(serviceName);
        case Command::InstallAndStart:
            return service::installAndStart(serviceName, decision.arguments);
        case Command::InstallAuto:
            return service::installAuto(serviceName);
        case Command::InstallDemand:
            return service::installDemand(serviceName);
        case Command::Uninstall:
            return service::uninstall(serviceName);
        case Command::Stop:
            return service::stop(serviceName);
        case Command::Start:
            return service::start(serviceName, decision.arguments);
        case Command::Restart:
            return service::restart(serviceName, decision.arguments);
        case Command::Status:
            return service::status(serviceName);
        case Command::Run:
            log::logLine(u"running service");
            runDirectly(programPath, decision.arguments, LaunchMode::Run);
            return 0;
        case Command::RunRedirect:
            log::logLine(u"running service with redirection");
            runDirectly(programPath, decision.arguments, LaunchMode::RunRedirect);
            return 0;
        case Command::Dispatcher:
            break;
    }
    service::runServiceDispatcher(serviceName);
    return 0;
}

int run() {
    initialize();
    const std::u16string configuredServiceName = image::configWideString(config::kServiceNameId);
    const std::u16string commandLine = toU16(::GetCommandLineW());
    log::logLine(u"command line %s", commandLine);

    std::vector<std::u16string> tokens = cmdline::splitCommandLine(commandLine);
    std::u16string programPath;
    if (!tokens.empty()) {
        programPath = tokens.front();
        tokens.erase(tokens.begin());
    }
    const cmdline::EntryDecision decision = cmdline::decideEntry(std::move(tokens));
    if (decision.supervisedChild) {
        launchPipeline(decision.arguments, LaunchMode::SupervisedChild);
        return 0;
    }
    return runCommand(decision, programPath, decision.serviceName.value_or(configuredServiceName));
}

}  // namespace
}  // namespace tavik::startup

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Exceptions mean a bug or exhausted memory; the C runtime must not see them.
    try {
        return tavik::startup::run();
    } catch (const std::exception& e) {
        tavik::report::fatalError(tavik::decodeAnsi(e.what()));
    } catch (...) {
        tavik::report::fatalError(u"unexpected exception");
    }
}
