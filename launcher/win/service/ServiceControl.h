#pragma once
// The service command words of the command line: installing, removing,
// starting, stopping and querying the service under its name
// through the service control manager. Results are one-line texts on
// standard output and the returned process exit code: 0 success, 1 failure,
// 3 from the status command when the service is not running.
#include <string>
#include <vector>

namespace tavik::service {

// Start types of service creation.
enum class StartType { Automatic, OnDemand };

// Whether a command prints its failures and its uninstall confirmation: not
// when it is a step of another command (install first uninstalls, restart
// first stops).
enum class Reporting { Quiet, Full };

// `name`: the service the command acts on.
int installService(const std::u16string& name, StartType startType);
int uninstallService(const std::u16string& name, Reporting reporting);
int stopService(const std::u16string& name, Reporting reporting);
// `remaining`: the tokens after the command word; the first names the service.
int startService(const std::u16string& name, const std::vector<std::u16string>& remaining);
int queryServiceStatus(const std::u16string& name);

// The command words.
int install(const std::u16string& name);
int installAndStart(const std::u16string& name, const std::vector<std::u16string>& remaining);
int installAuto(const std::u16string& name);
int installDemand(const std::u16string& name);
int uninstall(const std::u16string& name);
int stop(const std::u16string& name);
int start(const std::u16string& name, const std::vector<std::u16string>& remaining);
int restart(const std::u16string& name, const std::vector<std::u16string>& remaining);
int status(const std::u16string& name);

}  // namespace tavik::service
