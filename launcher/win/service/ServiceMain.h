#pragma once
// The service process: its service main starts this executable again as the
// supervised child that runs the application, forwards stop and shutdown
// requests to it as a line on its standard input, and reports the service's
// status from the child's end.
#include <windows.h>

namespace tavik::service {

// The service entry handed to the service control dispatcher; the first
// argument names the service, the others reach the child.
void WINAPI serviceMain(DWORD argumentCount, LPWSTR* arguments);

// The dispatcher returns as soon as the service reports itself stopped, while
// the service main still has its last steps to take; the process must not
// end under it. Returns at once when the service main never ran.
void awaitServiceMainEnd();

}  // namespace tavik::service
