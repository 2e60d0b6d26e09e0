// The service modules against Wine's service control manager: every service
// is the test's own, made with sc and removed at the end; what the manager
// keeps is read back with sc and raw from the registry.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "native/services/ServiceConfig.h"
#include "native/services/ServiceControl.h"
#include "tests/native/ServiceTestSupport.h"

namespace tavik::native::services {
namespace {

using namespace tavik::test::services;

constexpr Status kMissing = ERROR_SERVICE_DOES_NOT_EXIST;  // 1060

// Removes what a test installed itself.
struct InstalledBy {
    std::wstring name;
    ~InstalledBy() { removeService(name); }
};

TEST(ServiceInstall, CreatesAnOwnProcessServiceStartedOnDemandAsLocalSystem) {
    struct Case {
        const char* name;
        std::wstring displayName;
        std::wstring binaryPath;
    };
    const Case cases[] = {
        {"plain", L"Tavik probe", L"C:\\probe.exe"},
        {"quoted path with arguments", L"Tavik probe, quoted", L"\"C:\\Program Files\\probe.exe\" -service \"a b\""},
        {"non-ASCII display name", L"Tavik pr\u00f6be \u20ac", L"C:\\pr\u00f6be.exe"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const InstalledBy installed{uniqueServiceName(L"install")};
        const std::wstring& name = installed.name;
        ASSERT_EQ(installService(name.c_str(), c.displayName.c_str(), c.binaryPath.c_str()), kSuccess);
        EXPECT_EQ(scState(name), kStopped);
        EXPECT_EQ(serviceString(name, L"ImagePath"), c.binaryPath);
        EXPECT_EQ(serviceString(name, L"DisplayName"), c.displayName);
        EXPECT_EQ(serviceDword(name, L"Type"), DWORD{SERVICE_WIN32_OWN_PROCESS});
        EXPECT_EQ(serviceDword(name, L"Start"), DWORD{SERVICE_DEMAND_START});
        EXPECT_EQ(serviceDword(name, L"ErrorControl"), DWORD{SERVICE_ERROR_NORMAL});
        EXPECT_EQ(serviceString(name, L"ObjectName"), L"LocalSystem");

        EXPECT_EQ(installService(name.c_str(), L"again", L"C:\\again.exe"), ERROR_SERVICE_EXISTS);
        EXPECT_EQ(serviceString(name, L"ImagePath"), c.binaryPath);
    }
}

TEST(ServiceStatus, IsTheNegatedStateOrTheCodeOfAMissingService) {
    EXPECT_EQ(queryStatus(uniqueServiceName(L"missing").c_str()), kMissing);

    const TestService stopped(L"stopped");
    ASSERT_TRUE(stopped.created());
    EXPECT_EQ(queryStatus(stopped.name().c_str()), -1);

    const TestService starting(L"starting", {L"--start-pending", L"8000", L"--wait-hint", L"20000"});
    ASSERT_TRUE(starting.created());
    sc({L"start", starting.name()});
    ASSERT_TRUE(reachesState(starting.name(), kStartPending));
    EXPECT_EQ(queryStatus(starting.name().c_str()), -2);

    const TestService running(L"running");
    ASSERT_TRUE(running.created());
    sc({L"start", running.name()});
    ASSERT_TRUE(running.recordedArguments());
    EXPECT_EQ(queryStatus(running.name().c_str()), -4);

    const TestService stopping(L"stopping", {L"--stop-pending", L"8000", L"--wait-hint", L"20000"});
    ASSERT_TRUE(stopping.created());
    sc({L"start", stopping.name()});
    ASSERT_TRUE(stopping.recordedArguments());
    sc({L"stop", stopping.name()});
    ASSERT_TRUE(reachesState(stopping.name(), kStopPending));
    EXPECT_EQ(queryStatus(stopping.name().c_str()), -3);
}

TEST(ServiceStartType, IsTheNegatedStartType) {
    struct Case {
        const char* name;
        std::vector<std::wstring> createOptions;
        Status want;
    };
    const Case cases[] = {
        {"boot start driver", {L"type=", L"kernel", L"start=", L"boot"}, 0},
        {"system start driver", {L"type=", L"kernel", L"start=", L"system"}, -1},
        {"automatic", {L"start=", L"auto"}, -2},
        {"on demand", {L"start=", L"demand"}, -3},
        {"disabled", {L"start=", L"disabled"}, -4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TestService service(L"starttype", {}, c.createOptions);
        ASSERT_TRUE(service.created());
        EXPECT_EQ(startType(service.name().c_str()), c.want);
    }
    EXPECT_EQ(startType(uniqueServiceName(L"missing").c_str()), kMissing);
}

TEST(ServiceBinary, IsTheCommandLineOrABlankAndTheCode) {
    const TestService service(L"binary", {L"--wait-hint", L"0"});
    ASSERT_TRUE(service.created());
    EXPECT_EQ(serviceBinary(service.name().c_str()), service.commandLine());
    EXPECT_EQ(serviceBinary(uniqueServiceName(L"missing").c_str()), L" 1060");
}

// A configuration of more than 8 KB: a fixed buffer of that size would answer
// ERROR_INSUFFICIENT_BUFFER for both queries.
TEST(ServiceBinary, AConfigurationBeyondEightKilobytesComesWhole) {
    const TestService service(L"longpath", {L"--pad", std::wstring(6000, L'p')});
    ASSERT_TRUE(service.created());
    ASSERT_EQ(serviceString(service.name(), L"ImagePath"), service.commandLine());
    ASSERT_GT(service.commandLine().size() * sizeof(wchar_t), 8192u);
    EXPECT_EQ(serviceBinary(service.name().c_str()), service.commandLine());
    EXPECT_EQ(startType(service.name().c_str()), -3);
}


// What a change leaves in the service's key; nullopt: as before the change.
struct KeptConfig {
    std::optional<std::wstring> displayName;
    std::optional<std::wstring> imagePath;
    std::optional<DWORD> start;
    std::vector<std::wstring> dependencies;
    std::optional<std::wstring> objectName;
    std::optional<std::wstring> description;
};

TEST(ServiceConfigChange, ReplacesWhatIsGivenAndAlwaysTheDependencies) {
    const std::wstring tooManyNames = std::wstring(3000, L'x') + L"," + std::wstring(3000, L'y') + L"," +
                                      std::wstring(3000, L'z');
    struct Case {
        const char* name;
        ConfigChange change;
        Status want;
        KeptConfig kept;
    };
    const auto change = [](auto edit) {
        ConfigChange c;
        edit(c);
        return c;
    };
    const Case cases[] = {
        {"display name only: the dependencies go", change([](ConfigChange& c) { c.displayName = L"After"; }), kSuccess,
         {L"After", {}, {}, {}, {}, {}}},
        {"binary path and start type",
         change([](ConfigChange& c) {
             c.binaryPath = L"\"C:\\Other\\probe.exe\" -x";
             c.startType = SERVICE_AUTO_START;
         }),
         kSuccess, {{}, L"\"C:\\Other\\probe.exe\" -x", DWORD{SERVICE_AUTO_START}, {}, {}, {}}},
        {"two names between two commas", change([](ConfigChange& c) { c.dependencies = L"Tcpip,,Dnscache"; }),
         kSuccess, {{}, {}, {}, {L"Tcpip", L"Dnscache"}, {}, {}}},
        {"empty dependencies", change([](ConfigChange& c) { c.dependencies = L""; }), kSuccess, {}},
        {"NT AUTHORITY\\LocalSystem", change([](ConfigChange& c) { c.account = L"NT AUTHORITY\\LocalSystem"; }),
         kSuccess, {{}, {}, {}, {}, L"LocalSystem", {}}},
        {"NT AUTHORITY\\System", change([](ConfigChange& c) { c.account = L"NT AUTHORITY\\System"; }), kSuccess,
         {{}, {}, {}, {}, L"LocalSystem", {}}},
        {"lower case stays", change([](ConfigChange& c) { c.account = L"nt authority\\localsystem"; }), kSuccess,
         {{}, {}, {}, {}, L"nt authority\\localsystem", {}}},
        {"description", change([](ConfigChange& c) { c.description = L"Runs the probe"; }), kSuccess,
         {{}, {}, {}, {}, {}, L"Runs the probe"}},
        {"a refused change sets no description",
         change([](ConfigChange& c) {
             c.startType = 7;
             c.description = L"Not this";
         }),
         ERROR_INVALID_PARAMETER, {{}, {}, {}, {L"Tcpip"}, {}, {}}},
        {"too long a dependency list changes nothing",
         change([&](ConfigChange& c) {
             c.displayName = L"Not this";
             c.dependencies = tooManyNames.c_str();
         }),
         ERROR_INSUFFICIENT_BUFFER, {{}, {}, {}, {L"Tcpip"}, {}, {}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TestService service(L"change", {},
                                  {L"DisplayName=", L"Before", L"obj=", L".\\someone"});
        ASSERT_TRUE(service.created());
        ASSERT_TRUE(setDependencies(service.name(), {L"Tcpip"}));
        ASSERT_EQ(sc({L"description", service.name(), L"Described before"}).exitCode, 0);
        const std::wstring& name = service.name();

        EXPECT_EQ(changeServiceConfig(name.c_str(), c.change), c.want);
        EXPECT_EQ(serviceString(name, L"DisplayName"), c.kept.displayName.value_or(L"Before"));
        EXPECT_EQ(serviceString(name, L"ImagePath"), c.kept.imagePath.value_or(service.commandLine()));
        EXPECT_EQ(serviceDword(name, L"Start"), c.kept.start.value_or(SERVICE_DEMAND_START));
        EXPECT_EQ(serviceDword(name, L"Type"), DWORD{SERVICE_WIN32_OWN_PROCESS});
        EXPECT_EQ(serviceStrings(name, L"DependOnService").value_or(std::vector<std::wstring>{}), c.kept.dependencies);
        EXPECT_EQ(serviceString(name, L"ObjectName"), c.kept.objectName.value_or(L".\\someone"));
        EXPECT_EQ(serviceString(name, L"Description"), c.kept.description.value_or(L"Described before"));
    }
    EXPECT_EQ(changeServiceConfig(uniqueServiceName(L"missing").c_str(), ConfigChange{}), kMissing);
}

TEST(ServiceRestartConfig, IsAcceptedForAServiceAndRefusedForAMissingOne) {
    struct Case {
        const char* name;
        bool restart;
        std::int32_t restarts;
    };
    const Case cases[] = {{"three restarts", true, 3}, {"restart once", true, 0}, {"clear", false, 3}};
    const TestService service(L"restart");
    ASSERT_TRUE(service.created());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(setRestartConfig(service.name().c_str(), c.restart, 2000, c.restarts, 86400), kSuccess);
    }
    EXPECT_EQ(setRestartConfig(uniqueServiceName(L"missing").c_str(), true, 2000, 3, 86400), kMissing);
}

TEST(ServiceDelayedAutoStart, AnswersAsTheServiceManagerDoes) {
    const TestService service(L"delayed", {}, {L"start=", L"auto"});
    ASSERT_TRUE(service.created());
    for (const bool delayed : {true, false}) {
        SCOPED_TRACE(delayed ? "delayed" : "not delayed");
        EXPECT_EQ(setDelayedAutoStart(service.name().c_str(), delayed),
                  managerAnswerToDelayedAutoStart(service.name(), delayed));
    }
    EXPECT_EQ(serviceDword(service.name(), L"Start"), DWORD{SERVICE_AUTO_START});
    EXPECT_EQ(setDelayedAutoStart(uniqueServiceName(L"missing").c_str(), true), kMissing);
}

std::vector<const wchar_t*> pointersTo(const std::vector<std::wstring>& texts) {
    std::vector<const wchar_t*> pointers;
    for (const std::wstring& text : texts) pointers.push_back(text.c_str());
    return pointers;
}

// Wine hands on no argument from the first empty one on, so none is empty here.
TEST(ServiceStart, HandsTheArgumentsToTheServiceMainInOrder) {
    std::vector<std::wstring> many;
    for (int i = 0; i < 40; ++i) many.push_back(L"argument " + std::to_wstring(i));
    struct Case {
        const char* name;
        std::vector<std::wstring> arguments;
    };
    const Case cases[] = {
        {"none", {}},
        {"one", {L"one"}},
        {"blanks, quotes, backslashes, tabs and non-ASCII",
         {L"two words", L"quo\"ted", L"back\\slash\\", L"tab\there", L"pr\u00f6be \u20ac \U0001F600"}},
        {"many", many},
    };
    const TestService service(L"start");
    ASSERT_TRUE(service.created());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        service.forgetRecord();
        ASSERT_EQ(startService(service.name().c_str(), pointersTo(c.arguments)), kSuccess);
        // The service manager puts the service's name first.
        std::vector<std::wstring> want = {service.name()};
        want.insert(want.end(), c.arguments.begin(), c.arguments.end());
        EXPECT_EQ(service.recordedArguments(), want);
        EXPECT_EQ(scState(service.name()), kRunning);
        sc({L"stop", service.name()});
        ASSERT_TRUE(reachesState(service.name(), kStopped));
    }
}

TEST(ServiceStart, FailsWithTheCodeOfWhatStandsInTheWay) {
    EXPECT_EQ(startService(uniqueServiceName(L"missing").c_str(), {}), kMissing);

    const TestService disabled(L"disabled", {}, {L"start=", L"disabled"});
    ASSERT_TRUE(disabled.created());
    EXPECT_EQ(startService(disabled.name().c_str(), {}), ERROR_SERVICE_DISABLED);

    const TestService service(L"startagain");
    ASSERT_TRUE(service.created());
    // A null argument never reaches the service manager: the service stays stopped.
    EXPECT_EQ(startService(service.name().c_str(), {L"first", nullptr}), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(scState(service.name()), kStopped);

    ASSERT_EQ(startService(service.name().c_str(), {}), kSuccess);
    ASSERT_TRUE(service.recordedArguments());
    EXPECT_EQ(startService(service.name().c_str(), {}), ERROR_SERVICE_ALREADY_RUNNING);
}

TEST(ServiceStop, FailsWithTheCodeOfWhatStandsInTheWay) {
    EXPECT_EQ(stopService(uniqueServiceName(L"missing").c_str(), 1000), kMissing);
    const TestService service(L"notrunning");
    ASSERT_TRUE(service.created());
    EXPECT_EQ(stopService(service.name().c_str(), 1000), ERROR_SERVICE_NOT_ACTIVE);
}

// The probe takes its time to stop as told; margins are wide, for a loaded machine.
TEST(ServiceStop, WaitsAsLongAsTheServiceAsksOrTheCallerAllows) {
    struct Case {
        const char* name;
        std::vector<std::wstring> probeOptions;
        DWORD timeoutMillis;
        Status want;
        int stateAfter;
    };
    const Case cases[] = {
        {"stops at once", {}, 0, kSuccess, kStopped},
        {"a time-out of 0 still waits the wait hint", {L"--stop-pending", L"1500", L"--wait-hint", L"8000"}, 0,
         kSuccess, kStopped},
        {"the time-out is waited", {L"--stop-pending", L"1500", L"--wait-hint", L"0"}, 8000, kSuccess, kStopped},
        {"progress is waited for beyond the time-out",
         {L"--stop-pending", L"5000", L"--wait-hint", L"1500", L"--progress", L"250"}, 0, kSuccess, kStopped},
        {"no progress and both times passed", {L"--stop-pending", L"10000", L"--wait-hint", L"500"}, 1000,
         kStopTimedOut, kStopPending},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TestService service(L"stop", c.probeOptions);
        ASSERT_TRUE(service.created());
        sc({L"start", service.name()});
        ASSERT_TRUE(service.recordedArguments());
        EXPECT_EQ(stopService(service.name().c_str(), c.timeoutMillis), c.want);
        EXPECT_EQ(scState(service.name()), c.stateAfter);
    }
}

TEST(ServiceUninstall, RemovesTheServiceAndItsKey) {
    const TestService service(L"uninstall");
    ASSERT_TRUE(service.created());
    EXPECT_EQ(uninstallService(service.name().c_str()), kSuccess);
    EXPECT_EQ(scState(service.name()), std::nullopt);
    EXPECT_FALSE(serviceKeyExists(service.name()));
    EXPECT_EQ(uninstallService(service.name().c_str()), kMissing);
}

}  // namespace
}  // namespace tavik::native::services
