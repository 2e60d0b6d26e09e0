#pragma once
// The service command words of the command line: one operation per word,
// each returning the process exit code. This build carries no service
// control: each logs "service control is not available in this build" as an
// error line and returns 1.

namespace tavik::service {

int install();
int installAndStart();
int installAuto();
int installDemand();
int uninstall();
int stop();
int start();
int restart();
int status();

}  // namespace tavik::service
