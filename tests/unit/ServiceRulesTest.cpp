#include "launcher/core/ServiceRules.h"

#include <gtest/gtest.h>

#include "launcher/core/CommandLine.h"

namespace tavik::service {
namespace {

using Texts = std::vector<std::u16string>;

TEST(ChildCommandLine, QuotesElementsWithBlanksAndEndsWithTheMarker) {
    struct Case {
        const char* name;
        Texts own;
        std::u16string_view serviceName;
        Texts serviceArguments;
        std::u16string_view want;
    };
    const Case cases[] = {
        {"path and name with blanks, one start argument",
         {u"C:\\Program Files\\App\\svc.exe"},
         u"My Service",
         {u"My Service", u"-x"},
         u"\"C:\\Program Files\\App\\svc.exe\" \"My Service\" -x __rwt_restart"},
        {"argument holding a blank", {u"C:\\App\\svc.exe"}, u"Svc", {u"Svc", u"a b", u"c"},
         u"C:\\App\\svc.exe Svc \"a b\" c __rwt_restart"},
        {"own arguments come before the service arguments", {u"C:\\svc.exe", u"-own", u"two words"}, u"Svc",
         {u"Svc", u"-start"}, u"C:\\svc.exe Svc -own \"two words\" -start __rwt_restart"},
        {"no service arguments at all", {u"C:\\svc.exe"}, u"unknown", {}, u"C:\\svc.exe unknown __rwt_restart"},
        {"an empty argument stays an (invisible) element", {u"C:\\svc.exe"}, u"Svc", {u"Svc", u""},
         u"C:\\svc.exe Svc  __rwt_restart"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(childCommandLine(c.own, c.serviceName, c.serviceArguments), std::u16string(c.want));
    }
}

// The child splits its command line with the launcher's own splitter: every
// element without quotes or a blank inside comes back as it went in.
TEST(ChildCommandLine, ChildSplitsItBackIntoTheElements) {
    const Texts own = {u"C:\\Program Files\\App\\svc.exe"};
    const std::optional<std::u16string> line = childCommandLine(own, u"My Service", {u"My Service", u"-x", u"a b"});
    ASSERT_TRUE(line);
    const Texts want = {u"C:\\Program Files\\App\\svc.exe", u"My Service", u"-x", u"a b", u"__rwt_restart"};
    EXPECT_EQ(cmdline::splitCommandLine(*line), want);
}

TEST(ChildCommandLine, LineThatWouldNotFitItsBufferIsRefused) {
    const Texts own = {u"C:\\svc.exe"};
    const std::u16string fixed = u"C:\\svc.exe Svc  __rwt_restart";  // the line around one argument
    const std::size_t roomForArgument = kChildCommandLineCapacity - 1 - fixed.size();

    const auto fitting = childCommandLine(own, u"Svc", {u"Svc", std::u16string(roomForArgument, u'a')});
    ASSERT_TRUE(fitting);
    EXPECT_EQ(fitting->size(), kChildCommandLineCapacity - 1);

    EXPECT_FALSE(childCommandLine(own, u"Svc", {u"Svc", std::u16string(roomForArgument + 1, u'a')}));
    // Quotes count: a blank in the argument adds two characters.
    EXPECT_FALSE(childCommandLine(own, u"Svc", {u"Svc", u" " + std::u16string(roomForArgument - 2, u'a')}));
    Texts many = {u"Svc"};
    many.insert(many.end(), 6000, u"ab");
    EXPECT_FALSE(childCommandLine(own, u"Svc", many));
}

TEST(ServiceName, FirstArgumentOfOneTo5999Characters) {
    EXPECT_EQ(serviceNameFromArguments({u"My Service", u"x"}), u"My Service");
    EXPECT_EQ(serviceNameFromArguments({std::u16string(5999, u'n')}), std::u16string(5999, u'n'));
    EXPECT_EQ(serviceNameFromArguments({std::u16string(6000, u'n')}), u"unknown");
    EXPECT_EQ(serviceNameFromArguments({u""}), u"unknown");
    EXPECT_EQ(serviceNameFromArguments({}), u"unknown");
}

TEST(StartArguments, ThoseAfterTheServiceName) {
    EXPECT_EQ(startArguments({u"MySvc", u"a", u"b"}), (Texts{u"a", u"b"}));
    EXPECT_EQ(startArguments({u"MySvc"}), Texts{});
    EXPECT_EQ(startArguments({}), Texts{});
}

TEST(DependencyList, ZeroSeparatedWithAFinalZero) {
    using namespace std::string_literals;
    struct Case {
        std::u16string_view text;
        std::u16string want;
    };
    const Case cases[] = {
        {u"", u""s},
        {u"Tcpip", u"Tcpip\0\0"s},
        {u"Tcpip,Dnscache", u"Tcpip\0Dnscache\0\0"s},
        {u"a,,b,", u"a\0b\0\0"s},  // an empty piece would end the list after "a"
        {u",", u""s},
    };
    for (const Case& c : cases) EXPECT_EQ(dependencyList(c.text), c.want);
}

constexpr std::uint32_t kHint = 50000;

ServiceProgress pending(std::uint32_t checkPoint) { return {kServiceStopPending, checkPoint, kHint}; }

TEST(StopWait, EndsWithTheFirstStateThatIsNotStopPending) {
    StopWait stopped;
    EXPECT_EQ(stopped.begin({kServiceStopped, 0, 0}, 0), StopWaitStep::Stopped);
    StopWait running;
    EXPECT_EQ(running.begin({kServiceRunning, 0, 0}, 0), StopWaitStep::NotStopped);

    StopWait wait;
    ASSERT_EQ(wait.begin(pending(0), 1000), StopWaitStep::KeepWaiting);
    EXPECT_EQ(wait.next(pending(0), 1500), StopWaitStep::KeepWaiting);
    EXPECT_EQ(wait.next({kServiceStopped, 0, 0}, 2000), StopWaitStep::Stopped);
}

TEST(StopWait, GivesUpAfterTheWaitHintWithoutProgress) {
    StopWait wait;
    ASSERT_EQ(wait.begin(pending(0), 1000), StopWaitStep::KeepWaiting);
    EXPECT_EQ(wait.next(pending(0), 1000 + kHint), StopWaitStep::KeepWaiting);  // not more than the hint yet
    EXPECT_EQ(wait.next(pending(0), 1000 + kHint + 1), StopWaitStep::NotStopped);
}

TEST(StopWait, GrowingCheckPointRestartsTheTimer) {
    StopWait wait;
    ASSERT_EQ(wait.begin(pending(1), 0), StopWaitStep::KeepWaiting);
    EXPECT_EQ(wait.next(pending(2), 40000), StopWaitStep::KeepWaiting);
    EXPECT_EQ(wait.next(pending(2), 40000 + kHint), StopWaitStep::KeepWaiting);
    EXPECT_EQ(wait.next(pending(2), 40001 + kHint), StopWaitStep::NotStopped);
    // A check point that is merely the same or smaller is no progress.
    StopWait back;
    ASSERT_EQ(back.begin(pending(5), 0), StopWaitStep::KeepWaiting);
    EXPECT_EQ(back.next(pending(4), kHint + 1), StopWaitStep::NotStopped);
}

TEST(StopWait, TimerRunsAcrossTheTickCounterWrap) {
    StopWait wait;
    ASSERT_EQ(wait.begin(pending(0), 0xFFFFFF00u), StopWaitStep::KeepWaiting);
    EXPECT_EQ(wait.next(pending(0), 0x100u), StopWaitStep::KeepWaiting);  // 512 ms later
    EXPECT_EQ(wait.next(pending(0), 0xFFFFFF00u + kHint + 1), StopWaitStep::NotStopped);
}

TEST(StatusAfterChildExit, OnlyAFailureOnItsOwnLeavesTheServiceRunning) {
    struct Case {
        std::uint32_t exitCode;
        bool stopRequested;
        ChildExitReport want;
    };
    const Case cases[] = {
        {0, false, ChildExitReport::Stopped},
        {0, true, ChildExitReport::Stopped},
        {1, true, ChildExitReport::Stopped},
        {1, false, ChildExitReport::LeaveRunning},
        {0xC0000005u, false, ChildExitReport::LeaveRunning},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.exitCode << " " << c.stopRequested);
        EXPECT_EQ(statusAfterChildExit(c.exitCode, c.stopRequested), c.want);
    }
}

TEST(PriorityClassFromValue, ExactlyFourBytesLittleEndian) {
    EXPECT_EQ(priorityClassFromValue({0x00, 0x40, 0x00, 0x00}), 0x4000u);
    EXPECT_EQ(priorityClassFromValue({0x80, 0x00, 0x00, 0x00}), 0x80u);
    EXPECT_EQ(priorityClassFromValue({0x00, 0x40}), std::nullopt);
    EXPECT_EQ(priorityClassFromValue({0x00, 0x40, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}), std::nullopt);
    EXPECT_EQ(priorityClassFromValue({}), std::nullopt);
}

}  // namespace
}  // namespace tavik::service
