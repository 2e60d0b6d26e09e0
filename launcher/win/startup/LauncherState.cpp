#include "launcher/win/startup/LauncherState.h"

#include <utility>

namespace tavik::state {
namespace {

struct LauncherState {
    bool serviceProcess = true;
    bool noRedirect = false;
    std::u16string serviceName;
};

// Never destroyed: service threads may still read it while the process ends.
LauncherState& current() {
    static LauncherState& state = *new LauncherState();
    return state;
}

}  // namespace

bool isServiceProcess() { return current().serviceProcess; }
void setServiceProcess(bool on) { current().serviceProcess = on; }

bool noRedirect() { return current().noRedirect; }
void setNoRedirect(bool on) { current().noRedirect = on; }

const std::u16string& serviceName() { return current().serviceName; }
void setServiceName(std::u16string name) { current().serviceName = std::move(name); }

}  // namespace tavik::state
