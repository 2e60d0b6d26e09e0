#pragma once
// Handing the process to the service control manager.
#include <string>

namespace tavik::service {

// Connects to the service control manager under the service's `name` and
// blocks until the service has stopped. Outside the manager the connection
// fails (under Wine only after about ten seconds); that is logged, not fatal.
void runServiceDispatcher(const std::u16string& name);

}  // namespace tavik::service
