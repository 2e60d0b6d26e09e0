// The service natives' decisions that need no service manager.
#include "native/services/ServiceRules.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tavik::native::services {
namespace {

using namespace std::string_literals;

TEST(ServiceStatusText, IsABlankThenTheDecimalStatus) {
    EXPECT_EQ(statusText(kManagerUnavailable), u" 5000");
    EXPECT_EQ(statusText(1060), u" 1060");
    EXPECT_EQ(statusText(0), u" 0");
}

TEST(DependencyList, SplitsAtCommasAndEndsWithAnExtraZero) {
    struct Case {
        const char* name;
        std::optional<std::u16string> given;
        std::u16string want;
    };
    const Case cases[] = {
        {"null removes all", std::nullopt, u"\0\0"s},
        {"empty removes all", u"", u"\0\0"s},
        {"only commas", u",,,", u"\0\0"s},
        {"one name", u"Tcpip", u"Tcpip\0\0"s},
        {"two names", u"Tcpip,Dnscache", u"Tcpip\0Dnscache\0\0"s},
        {"two commas between", u"Tcpip,,Dnscache", u"Tcpip\0Dnscache\0\0"s},
        {"leading and trailing commas", u",Tcpip,", u"Tcpip\0\0"s},
        {"blanks stay", u" Tcpip , Dns cache", u" Tcpip \0 Dns cache\0\0"s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<std::u16string> list = dependencyList(c.given);
        ASSERT_TRUE(list);
        EXPECT_EQ(*list, c.want);
    }
}

TEST(DependencyList, IsRefusedWhenItWouldNotFitItsBuffer) {
    // 8,192 units hold a name of 8,190, its zero and the list's zero.
    const std::u16string longest(kDependencyListCapacity - 2, u'a');
    const std::optional<std::u16string> fits = dependencyList(longest);
    ASSERT_TRUE(fits);
    EXPECT_EQ(fits->size(), kDependencyListCapacity);
    EXPECT_EQ(fits->substr(fits->size() - 2), u"\0\0"s);

    EXPECT_FALSE(dependencyList(longest + u"a"));
    std::u16string manyNames;
    for (int i = 0; i < 3000; ++i) manyNames += u"abc,";
    EXPECT_FALSE(dependencyList(manyNames));
    // Commas alone add nothing to the list.
    EXPECT_TRUE(dependencyList(std::u16string(100000, u',')));
}

TEST(ServiceAccount, OnlyTheExactSpellingsOfLocalSystemAreReplaced) {
    struct Case {
        std::u16string given;
        std::u16string want;
    };
    const Case cases[] = {
        {u"NT AUTHORITY\\System", u"LocalSystem"},
        {u"NT AUTHORITY\\LocalSystem", u"LocalSystem"},
        {u"nt authority\\localsystem", u"nt authority\\localsystem"},
        {u"NT AUTHORITY\\SYSTEM", u"NT AUTHORITY\\SYSTEM"},
        {u"NT AUTHORITY\\LocalService", u"NT AUTHORITY\\LocalService"},
        {u".\\backup", u".\\backup"},
        {u"", u""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(serviceAccount(c.given), c.want) << std::string(c.given.begin(), c.given.end());
}

using Action = std::pair<FailureActionType, std::uint32_t>;

std::vector<Action> flat(const std::vector<FailureAction>& actions) {
    std::vector<Action> result;
    for (const FailureAction& action : actions) result.emplace_back(action.type, action.delayMillis);
    return result;
}

TEST(FailureActions, RestartTheGivenNumberOfTimesThenDoNothing) {
    const Action restart{FailureActionType::Restart, 1500};
    const Action none{FailureActionType::None, 1500};
    struct Case {
        const char* name;
        bool restart;
        std::int32_t restarts;
        std::vector<Action> actions;
        std::uint32_t count;
    };
    const Case cases[] = {
        {"three restarts", true, 3, {restart, restart, restart, none}, 4},
        {"one restart", true, 1, {restart, none}, 2},
        {"restart without a number", true, 0, {restart}, 1},
        {"restart with a negative number", true, -2, {restart}, 1},
        {"no restart clears them", false, 3, {restart}, 0},
        {"no restart and no number", false, 0, {restart}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const FailureActions plan = failureActions(c.restart, 1500, c.restarts, 86400);
        EXPECT_EQ(plan.resetPeriodSeconds, 86400u);
        EXPECT_EQ(flat(plan.actions), c.actions);
        EXPECT_EQ(plan.count, c.count);
    }
}

constexpr std::uint32_t kStopPending = 3;

TEST(StopWait, AServiceStoppedAtTheFirstQueryNeedsNoPoll) {
    EXPECT_EQ(StopWait(0, {kServiceStopped, 0, 0}, 1000).verdict(), StopVerdict::Stopped);
    EXPECT_EQ(StopWait(0, {kStopPending, 0, 0}, 1000).verdict(), StopVerdict::KeepWaiting);
}

TEST(StopWait, GivesUpOnlyWhenTheWaitHintAndTheTimeOutHaveBothPassed) {
    struct Poll {
        StopProgress seen;
        std::uint32_t tick;
        StopVerdict want;
    };
    struct Case {
        const char* name;
        std::uint32_t timeout;
        StopProgress first;
        std::uint32_t startTick;
        std::vector<Poll> polls;
    };
    const StopVerdict keep = StopVerdict::KeepWaiting;
    const StopVerdict timedOut = StopVerdict::TimedOut;
    const StopVerdict stopped = StopVerdict::Stopped;
    const Case cases[] = {
        {"a time-out of 0 still waits the wait hint", 0, {kStopPending, 1, 2000}, 0,
         {{{kStopPending, 1, 2000}, 500, keep}, {{kStopPending, 1, 2000}, 2000, keep},
          {{kStopPending, 1, 2000}, 2001, timedOut}}},
        {"a time-out beyond the wait hint is waited", 3000, {kStopPending, 1, 100}, 0,
         {{{kStopPending, 1, 100}, 500, keep}, {{kStopPending, 1, 100}, 3000, keep},
          {{kStopPending, 1, 100}, 3001, timedOut}}},
        {"a growing check point restarts the hint", 0, {kStopPending, 1, 1000}, 0,
         {{{kStopPending, 2, 1000}, 900, keep}, {{kStopPending, 2, 1000}, 1900, keep},
          {{kStopPending, 3, 1000}, 2800, keep}, {{kStopPending, 3, 1000}, 3801, timedOut}}},
        {"progress goes on beyond the time-out", 1000, {kStopPending, 1, 600}, 0,
         {{{kStopPending, 2, 600}, 1000, keep}, {{kStopPending, 3, 600}, 1500, keep},
          {{kStopPending, 4, 600}, 2000, keep}, {{kStopPending, 5, 600}, 2500, keep},
          {{kServiceStopped, 5, 600}, 3000, stopped}}},
        {"a smaller check point is no progress", 0, {kStopPending, 5, 400}, 0,
         {{{kStopPending, 2, 400}, 300, keep}, {{kStopPending, 3, 400}, 401, timedOut}}},
        {"the latest wait hint counts", 0, {kStopPending, 1, 100}, 0,
         {{{kStopPending, 1, 5000}, 500, keep}, {{kStopPending, 1, 5000}, 5001, timedOut}}},
        {"stopped after the time-out is still stopped", 0, {kStopPending, 1, 0}, 0,
         {{{kServiceStopped, 1, 0}, 60000, stopped}}},
        {"ticks wrap", 0, {kStopPending, 1, 300}, 0xFFFFFF00u,
         {{{kStopPending, 1, 300}, 0xFFFFFFF0u, keep}, {{kStopPending, 1, 300}, 0x20u, keep},
          {{kStopPending, 1, 300}, 0x2Du, timedOut}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StopWait wait(c.timeout, c.first, c.startTick);
        for (std::size_t i = 0; i < c.polls.size(); ++i) {
            SCOPED_TRACE("poll " + std::to_string(i));
            EXPECT_EQ(wait.afterPoll(c.polls[i].seen, c.polls[i].tick), c.polls[i].want);
        }
    }
}

}  // namespace
}  // namespace tavik::native::services
