#pragma once
// Process-wide facts that the entry decides and later stages consult.
#include <string>

namespace tavik::state {

// On from the start; off only when the application runs directly, outside
// the service control manager.
bool isServiceProcess();
void setServiceProcess(bool on);

// The "run" command asks the Java side not to redirect its output.
bool noRedirect();
void setNoRedirect(bool on);

// The name the service is installed, controlled and dispatched under.
const std::u16string& serviceName();
void setServiceName(std::u16string name);

}  // namespace tavik::state
