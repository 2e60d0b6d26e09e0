#pragma once
// Handing the process to the service control manager.

namespace tavik::service {

// Connects to the service control manager under the current service name and
// blocks until the service has stopped. Outside the manager the connection
// fails (under Wine only after about ten seconds); that is logged, not fatal.
void runServiceDispatcher();

}  // namespace tavik::service
