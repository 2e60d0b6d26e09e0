// The process, window and handle natives' decisions that need no system.
#include "native/process/ProcessRules.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tavik::native::process {
namespace {

TEST(CloseRound, EndsOnlyWhenEveryListedIdHadAVisibleWindowAndEveryPostWent) {
    struct Case {
        const char* name;
        std::vector<std::int32_t> ids;
        std::vector<std::uint32_t> windowsOf;  // the process of each visible window met
        bool postFailed;
        EndStatus want;
    };
    const Case cases[] = {
        {"every id met", {10, 20}, {20, 7, 10}, false, EndStatus::Done},
        {"one id without window", {10, 20}, {10, 10}, false, EndStatus::NotEnded},
        {"no window at all", {10}, {}, false, EndStatus::NotEnded},
        {"a failed post", {10}, {10}, true, EndStatus::NotEnded},
        {"an id listed twice is found by one window", {10, 10}, {10}, false, EndStatus::Done},
        {"nothing listed", {}, {3}, false, EndStatus::Done},
        {"an id beyond 2^31 as Java hands it", {-2}, {0xFFFFFFFEu}, false, EndStatus::Done},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CloseRound round(c.ids);
        for (const std::uint32_t processId : c.windowsOf) round.noteWindowOf(processId);
        if (c.postFailed) round.notePostFailed();
        EXPECT_EQ(round.status(), c.want);
    }
}

TEST(CloseRound, SaysWhichWindowsGetACloseRequest) {
    CloseRound round({10, 20});
    EXPECT_TRUE(round.noteWindowOf(20));
    EXPECT_FALSE(round.noteWindowOf(7));
    EXPECT_FALSE(round.noteWindowOf(0));
    EXPECT_TRUE(round.noteWindowOf(10));
}

TEST(EndStatus, OfTheWaitForAll) {
    struct Case {
        std::uint32_t waitResult;
        EndStatus want;
    };
    const Case cases[] = {
        {0, EndStatus::Done},
        {258, EndStatus::TimedOut},
        {0xFFFFFFFF, EndStatus::WaitFailed},  // WAIT_FAILED, e.g. more than 64 handles
        {1, EndStatus::WaitFailed},
        {0x80, EndStatus::WaitFailed},  // WAIT_ABANDONED
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.waitResult);
        EXPECT_EQ(statusOfWait(c.waitResult), c.want);
    }
    EXPECT_EQ(static_cast<int>(EndStatus::NotEnded), 0);
    EXPECT_EQ(static_cast<int>(EndStatus::Done), 1);
    EXPECT_EQ(static_cast<int>(EndStatus::WaitFailed), 2);
    EXPECT_EQ(static_cast<int>(EndStatus::TimedOut), 3);
}

TEST(TitleSearch, TakesTheFirstVisibleTitleElseTheLastInvisibleOne) {
    struct Window {
        bool visible;
        std::u16string title;
    };
    struct Case {
        const char* name;
        std::vector<Window> windows;
        std::u16string want;
        std::size_t offered;  // windows looked at before the search ended
    };
    const Case cases[] = {
        {"none", {}, u"", 0},
        {"only untitled", {{true, u""}, {false, u""}}, u"", 2},
        {"visible after invisible", {{false, u"hidden"}, {true, u"shown"}, {true, u"later"}}, u"shown", 2},
        {"untitled visible is passed by", {{true, u""}, {false, u"a"}, {false, u"b"}}, u"b", 3},
        {"first visible wins", {{true, u"one"}, {true, u"two"}}, u"one", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TitleSearch search;
        std::size_t offered = 0;
        for (const Window& window : c.windows) {
            ++offered;
            if (!search.offer(window.visible, window.title)) break;
        }
        EXPECT_EQ(search.title(), c.want);
        EXPECT_EQ(offered, c.offered);
    }
}

TEST(TopLevelWindows, ListsVisibleUnownedWindowsOfTheProcessAndDescribesTheNamedOnes) {
    struct Case {
        const char* name;
        WindowFacts window;
        bool want;
    };
    const Case listed[] = {
        {"visible, unowned", {42, false, true}, true},
        {"another process", {43, false, true}, false},
        {"owned", {42, true, true}, false},
        {"invisible", {42, false, false}, false},
    };
    for (const Case& c : listed) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(isListedWindow(c.window, 42), c.want);
    }
    EXPECT_TRUE(isDescribed(0x10CF0000, u"Frame", u"Title"));
    EXPECT_TRUE(isDescribed(-0x7FFFFFFF, u"Frame", u"Title"));
    EXPECT_FALSE(isDescribed(0, u"Frame", u"Title"));
    EXPECT_FALSE(isDescribed(0x10CF0000, u"", u"Title"));
    EXPECT_FALSE(isDescribed(0x10CF0000, u"Frame", u""));
}

TEST(ModuleEntry, IsTheSignedIdABlankAndThePathWithinTheEntryBuffer) {
    EXPECT_EQ(entryPrefix(0), u"0 ");
    EXPECT_EQ(entryPrefix(4321), u"4321 ");
    EXPECT_EQ(entryPrefix(0xFFFFFFFFu), u"-1 ");
    EXPECT_EQ(pathRoom(u"4321 "), 4091u);
    EXPECT_EQ(pathRoom(std::u16string(4096, u'1')), 0u);
    EXPECT_EQ(pathRoom(std::u16string(5000, u'1')), 0u);

    EXPECT_TRUE(isTemporaryImage(u"C:\\x\\setup.tmp"));
    EXPECT_TRUE(isTemporaryImage(u".tmp"));
    EXPECT_FALSE(isTemporaryImage(u"C:\\x\\setup.TMP"));
    EXPECT_FALSE(isTemporaryImage(u"C:\\x\\setup.tmp.exe"));
    EXPECT_FALSE(isTemporaryImage(u"tmp"));
    EXPECT_FALSE(isTemporaryImage(u""));
}

TEST(EnvironmentBlock, EveryEntryInBlockOrderUpToTheEmptyOne) {
    struct Case {
        const char* name;
        std::u16string block;  // with its terminating zeros
        std::vector<std::u16string> want;
    };
    const Case cases[] = {
        {"empty block", std::u16string(2, u'\0'), {}},
        {"single zero", std::u16string(1, u'\0'), {}},
        {"drive entries first", std::u16string(u"=C:=C:\\x\0A=1\0B=\0\0", 17), {u"=C:=C:\\x", u"A=1", u"B="}},
        {"non-ASCII", std::u16string(u"\u00c4=\u03a9\0\0", 5), {u"\u00c4=\u03a9"}},
        {"nothing after the empty entry", std::u16string(u"A=1\0\0B=2\0\0", 10), {u"A=1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(environmentEntries(c.block.c_str()), c.want);
    }
    EXPECT_TRUE(environmentEntries(nullptr).empty());
}

TEST(HandleList, KeepsNamedFilesAndLeavesHangingPipesUnasked) {
    EXPECT_FALSE(mayQueryName(0x0012019F));
    EXPECT_TRUE(mayQueryName(0x0012019B));
    EXPECT_TRUE(mayQueryName(0x00120089));
    struct Case {
        std::u16string_view type, name;
        bool want;
    };
    const Case cases[] = {
        {u"File", u"\\Device\\HarddiskVolume1\\x.txt", true},
        {u"File", u"", false},
        {u"file", u"\\x", false},
        {u"Files", u"\\x", false},
        {u"Key", u"\\REGISTRY\\MACHINE", false},
        {u"Directory", u"\\BaseNamedObjects", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.type.begin(), c.type.end()));
        EXPECT_EQ(isListedFile(c.type, c.name), c.want);
    }
}

}  // namespace
}  // namespace tavik::native::process
