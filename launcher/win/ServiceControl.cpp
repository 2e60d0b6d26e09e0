#include "launcher/win/ServiceControl.h"

#include "launcher/core/Log.h"

namespace tavik::service {
namespace {

// This build carries no service control: every command fails visibly
// rather than pretending to have done its work.
int unavailable() {
    log::logError(u"service control is not available in this build");
    return 1;
}

}  // namespace

int install() { return unavailable(); }
int installAndStart() { return unavailable(); }
int installAuto() { return unavailable(); }
int installDemand() { return unavailable(); }
int uninstall() { return unavailable(); }
int stop() { return unavailable(); }
int start() { return unavailable(); }
int restart() { return unavailable(); }
int status() { return unavailable(); }

}  // namespace tavik::service
