#pragma once
// The service command words of the command line: installing, removing,
// starting, stopping and querying the service under the current service name
// through the service control manager. Results are one-line texts on
// standard output and the returned process exit code: 0 success, 1 failure,
// 3 from the status command when the service is not running.
#include <string>
#include <vector>

namespace tavik::service {

// Start types of service creation.
enum class StartType { Automatic, OnDemand };

int installService(StartType startType);
int uninstallService(bool reporting);
int stopService(bool reporting);
// `remaining`: the tokens after the command word; the first names the service.
int startService(const std::vector<std::u16string>& remaining);
int queryServiceStatus();

// The command words.
int install();
int installAndStart(const std::vector<std::u16string>& remaining);
int installAuto();
int installDemand();
int uninstall();
int stop();
int start(const std::vector<std::u16string>& remaining);
int restart(const std::vector<std::u16string>& remaining);
int status();

}  // namespace tavik::service
