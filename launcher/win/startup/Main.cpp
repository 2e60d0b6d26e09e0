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
#include "launcher/win/paths/LauncherPaths.h"
#include "launcher/win/paths/PathResolution.h"
#include "launcher/win/paths/TempDirectory.h"
#include "launcher/win/report/ErrorReport.h"
#include "launcher/win/service/ServiceControl.h"
#include "launcher/win/service/ServiceDispatcher.h"
#include "launcher/win/startup/LaunchPipeline.h"
#include "launcher/win/startup/LauncherState.h"
#include "launcher/win/vmstart/Expansion.h"

namespace tavik {
namespace {

void changeWorkingDirectory() {
    const std::u16string configured = configWideString(config::kWorkingDirectoryId);
    if (configured.empty()) {
        log::logLine(u"working directory unchanged");
        return;
    }
    const std::u16string directory = resolvePathWide(expandVariables(configured, true), true);
    // A directory that cannot be entered leaves the current one in place.
    ::SetCurrentDirectoryW(toWide(directory).c_str());
    log::logLine(u"change working directory to %s", directory);
}

void initialize() {
    setTempDirectory({});
    // The first log call happens in here, so the log is opened here.
    readConfigBlock();
    loadFlavourByte();
    changeWorkingDirectory();
}

// Only seen when standard output is redirected: this is a GUI program.
void printUsage() {
    bool substituted = false;
    const std::string line = toAnsi(cmdline::usageLine(moduleFileName()), substituted);
    std::fputs(line.c_str(), stdout);
    std::fflush(stdout);
}

void runDirectly(const std::u16string& programPath, std::vector<std::u16string> arguments) {
    state::setServiceProcess(false);
    arguments.insert(arguments.begin(), programPath);
    launchPipeline(arguments, false);
}

int runCommand(const cmdline::EntryDecision& decision, const std::u16string& programPath) {
    using cmdline::Command;
    switch (decision.command) {
        case Command::Usage:
            printUsage();
            return 0;
        case Command::Install:
            return service::install();
        case Command::InstallAndStart:
            return service::installAndStart(decision.arguments);
        case Command::InstallAuto:
            return service::installAuto();
        case Command::InstallDemand:
            return service::installDemand();
        case Command::Uninstall:
            return service::uninstall();
        case Command::Stop:
            return service::stop();
        case Command::Start:
            return service::start(decision.arguments);
        case Command::Restart:
            return service::restart(decision.arguments);
        case Command::Status:
            return service::status();
        case Command::Run:
            log::logLine(u"running service");
            state::setNoRedirect(true);
            runDirectly(programPath, decision.arguments);
            return 0;
        case Command::RunRedirect:
            log::logLine(u"running service with redirection");
            runDirectly(programPath, decision.arguments);
            return 0;
        case Command::Dispatcher:
            break;
    }
    service::runServiceDispatcher();
    return 0;
}

int run() {
    state::setServiceProcess(true);
    initialize();
    state::setServiceName(configWideString(config::kServiceNameId));
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
        launchPipeline(decision.arguments, true);
        return 0;
    }
    if (decision.serviceName) state::setServiceName(*decision.serviceName);
    return runCommand(decision, programPath);
}

}  // namespace
}  // namespace tavik

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Exceptions mean a bug or exhausted memory; the C runtime must not see them.
    try {
        return tavik::run();
    } catch (const std::exception& e) {
        tavik::fatalError(tavik::decodeAnsi(e.what()));
    } catch (...) {
        tavik::fatalError(u"unexpected exception");
    }
}
