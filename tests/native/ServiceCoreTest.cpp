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

}  // namespace
}  // namespace tavik::native::services
