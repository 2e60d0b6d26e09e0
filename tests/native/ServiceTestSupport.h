#pragma once
// Support for the service natives' tests: services of their own names set up
// and removed with Wine's sc, and what the service manager keeps read back
// with sc and raw from the registry, never through the code under test.
#include <windows.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tests/win/TestSupport.h"

namespace tavik::test::services {

// The states as sc shows them.
inline constexpr int kStopped = 1;
inline constexpr int kStartPending = 2;
inline constexpr int kStopPending = 3;
inline constexpr int kRunning = 4;

// A service name no other test or test run uses.
std::wstring uniqueServiceName(const std::wstring& tag);

struct ScRun {
    int exitCode = -1;
    std::string out;
};
ScRun sc(const std::vector<std::wstring>& arguments);

// The state "sc query" shows; nullopt when it knows no such service.
std::optional<int> scState(const std::wstring& name);
bool reachesState(const std::wstring& name, int state, int seconds = 60);

// A value of HKLM\System\CurrentControlSet\Services\<name> as stored.
struct RawValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;
};
std::optional<RawValue> serviceValue(const std::wstring& name, const wchar_t* valueName);
// Without terminators; nullopt when missing or of another type.
std::optional<std::wstring> serviceString(const std::wstring& name, const wchar_t* valueName);
std::optional<DWORD> serviceDword(const std::wstring& name, const wchar_t* valueName);
std::optional<std::vector<std::wstring>> serviceStrings(const std::wstring& name, const wchar_t* valueName);
bool serviceKeyExists(const std::wstring& name);

// The probe service's command line with its behaviour options.
std::wstring probeCommandLine(const std::vector<std::wstring>& options);

// A probe service created with "sc create" for one test (on demand, as
// LocalSystem unless `createOptions` say otherwise), stopped and deleted at
// its end. It records its start arguments in a file of its own.
class TestService {
public:
    explicit TestService(const std::wstring& tag, const std::vector<std::wstring>& probeOptions = {},
                         const std::vector<std::wstring>& createOptions = {});
    ~TestService();
    TestService(const TestService&) = delete;
    TestService& operator=(const TestService&) = delete;

    const std::wstring& name() const { return name_; }
    bool created() const { return created_; }
    std::wstring commandLine() const { return commandLine_; }

    // The arguments its service main was given at the latest start, waited
    // for; nullopt when it recorded none in time.
    std::optional<std::vector<std::wstring>> recordedArguments(int seconds = 60) const;
    void forgetRecord() const;

private:
    ScratchDir dir_;
    std::wstring name_;
    std::wstring commandLine_;
    bool created_ = false;
};

// What the service manager itself answers, 0 or the error code, when asked
// directly for the delayed-start flag (Wine keeps no such flag and refuses
// the request as an invalid level).
int managerAnswerToDelayedAutoStart(const std::wstring& name, bool delayed);

// Sets the dependencies through the service manager. Wine's "sc create ...
// depend=" stores its list without the final terminator, so tests that read the
// stored list back set it this way.
bool setDependencies(const std::wstring& name, const std::vector<std::wstring>& dependencies);

// Removes a service some test made, in whatever state it was left.
void removeService(const std::wstring& name);

std::string narrow(const std::wstring& text);

}  // namespace tavik::test::services
