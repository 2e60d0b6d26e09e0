#include "native/dialogs/DialogRules.h"

#include <gtest/gtest.h>

namespace tavik::native::dialogs {
namespace {

constexpr std::uint32_t kFileMustExist = 0x1000;    // FOS_FILEMUSTEXIST
constexpr std::uint32_t kMultiSelect = 0x200;       // FOS_ALLOWMULTISELECT
constexpr std::uint32_t kNoChangeDir = 0x8;         // FOS_NOCHANGEDIR
constexpr std::uint32_t kPathMustExist = 0x800;     // FOS_PATHMUSTEXIST

TEST(FileDialogOptions, AddsThenRemovesSoRemovalWins) {
    struct Case {
        const char* name;
        std::uint32_t current, add, remove, want;
    };
    const Case cases[] = {
        {"nothing asked", kFileMustExist | kPathMustExist, 0, 0, kFileMustExist | kPathMustExist},
        {"one added", kFileMustExist, kMultiSelect, 0, kFileMustExist | kMultiSelect},
        {"one removed, others kept", kFileMustExist | kPathMustExist | kNoChangeDir, 0, kFileMustExist,
         kPathMustExist | kNoChangeDir},
        {"added and removed at once", kPathMustExist, kMultiSelect, kMultiSelect, kPathMustExist},
        {"removing what is not set", kPathMustExist, 0, kMultiSelect, kPathMustExist},
        {"every bit removed", 0xFFFFFFFFu, 0, 0xFFFFFFFFu, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(fileDialogOptions(c.current, c.add, c.remove), c.want);
    }
}

TEST(FileFilters, PairNamesWithPatternsIndexForIndex) {
    const std::vector<FileFilter> both = pairFilters({u"Text", u"Logs"}, {u"*.txt", u"*.log"});
    ASSERT_EQ(both.size(), 2u);
    EXPECT_EQ(both[0].name, u"Text");
    EXPECT_EQ(both[0].pattern, u"*.txt");
    EXPECT_EQ(both[1].name, u"Logs");
    EXPECT_EQ(both[1].pattern, u"*.log");

    const std::vector<FileFilter> shortPatterns = pairFilters({u"Text", u"Logs", u"All"}, {u"*.txt"});
    ASSERT_EQ(shortPatterns.size(), 1u) << "a name without its pattern is left out";
    EXPECT_EQ(shortPatterns[0].pattern, u"*.txt");

    EXPECT_EQ(pairFilters({u"Text"}, {u"*.txt", u"*.log"}).size(), 1u) << "patterns past the names are unused";
    EXPECT_TRUE(pairFilters({}, {}).empty());
}

TEST(FileFilters, TypeIndexCountsFromOneAndNegativeLeavesTheDefault) {
    struct Case {
        std::int32_t index;
        std::optional<std::uint32_t> want;
    };
    const Case cases[] = {{0, 1u}, {1, 2u}, {7, 8u}, {-1, std::nullopt}, {-100, std::nullopt}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        EXPECT_EQ(fileTypeIndex(c.index), c.want);
    }
}

TEST(CheckBoxes, MoreThanOneAreGroupedAndNumberedFromOne) {
    struct Case {
        const char* name;
        std::vector<std::u16string> labels;
        std::vector<bool> states;
        bool grouped;
        std::vector<bool> checked;
    };
    const Case cases[] = {
        {"none", {}, {}, false, {}},
        {"one stays out of a group", {u"Only"}, {true}, false, {true}},
        {"two", {u"First", u"Second"}, {false, true}, true, {false, true}},
        {"three", {u"A", u"B", u"C"}, {true, true, false}, true, {true, true, false}},
        {"states shorter than labels", {u"A", u"B", u"C"}, {true}, true, {true, false, false}},
        {"no states at all", {u"A", u"B"}, {}, true, {false, false}},
        {"states longer than labels", {u"A"}, {false, true, true}, false, {false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CheckBoxLayout layout = layoutCheckBoxes(c.labels, c.states);
        EXPECT_EQ(layout.grouped, c.grouped);
        ASSERT_EQ(layout.boxes.size(), c.labels.size());
        for (std::size_t i = 0; i < layout.boxes.size(); ++i) {
            EXPECT_EQ(layout.boxes[i].id, i + 1);
            EXPECT_EQ(layout.boxes[i].label, c.labels[i]);
            EXPECT_EQ(layout.boxes[i].checked, c.checked[i]) << "box " << i;
        }
    }
    EXPECT_EQ(std::u16string(kOptionsGroupLabel), u"Options:");
    EXPECT_EQ(kOptionsGroupId, 100000u);
}

TEST(CheckBoxes, StatesGoBackNoFurtherThanEitherSideReaches) {
    struct Case {
        std::size_t labels, states, want;
    };
    const Case cases[] = {{2, 2, 2}, {3, 1, 1}, {1, 3, 1}, {0, 2, 0}, {2, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.labels) + " labels, " + std::to_string(c.states) + " states");
        EXPECT_EQ(statesToCopyBack(c.labels, c.states), c.want);
    }
}

TEST(TaskDialog, FlagsAlwaysAskForTheIconHandleAndTheTimerAndCentreOnAVisibleParent) {
    constexpr std::uint32_t kAllowCancel = 0x0008;  // TDF_ALLOW_DIALOG_CANCELLATION
    struct Case {
        const char* name;
        std::uint32_t extra;
        bool hasParent, minimised;
        std::uint32_t want;
    };
    const Case cases[] = {
        {"no parent", 0, false, false, 0x0802},
        {"parent shown", 0, true, false, 0x1802},
        {"parent minimised", 0, true, true, 0x0802},
        {"extra bits kept", kAllowCancel, true, false, 0x180A},
        {"extra bits already holding them", 0x1802, false, false, 0x1802},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(taskDialogFlags(c.extra, c.hasParent, c.minimised), c.want);
    }
}

TEST(TaskDialog, ButtonsCountFrom101) {
    EXPECT_EQ(buttonId(0), 101);
    EXPECT_EQ(buttonId(1), 102);
    EXPECT_EQ(buttonId(9), 110);
}

TEST(TaskDialog, ResultNamesTheButtonFromOneOrAnOtherClosingSignedByTheBox) {
    constexpr std::int32_t kCancel = 2;  // IDCANCEL: close box and Escape
    struct Case {
        const char* name;
        std::int32_t pressed;
        bool verified;
        std::int32_t want;
    };
    const Case cases[] = {
        {"first button", 101, false, 1},
        {"second button", 102, false, 2},
        {"second button, box checked", 102, true, -2},
        {"tenth button", 110, false, 10},
        {"close box", kCancel, false, 1000},
        {"close box, box checked", kCancel, true, -1000},
        {"dialog failed, nothing pressed", 0, false, 1000},
        {"id 100 is no custom button", 100, false, 1000},
        {"id 100, box checked", 100, true, -1000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(taskDialogResult(c.pressed, c.verified), c.want);
    }
}

TEST(TaskDialog, TheFirstFiveRaisesActivateTheLaterOnesDoNot) {
    for (std::uint32_t count = 1; count <= 8; ++count) {
        SCOPED_TRACE(count);
        const std::uint32_t flags = raiseFlags(count);
        EXPECT_EQ(flags & 0x3u, 0x3u) << "never moved or sized";
        EXPECT_EQ((flags & 0x10u) != 0, count >= 6);
        EXPECT_EQ(flags & ~0x13u, 0u);
    }
}

TEST(ObjectPicker, ScopeAndFiltersFollowTheRequest) {
    struct Case {
        const char* name;
        PickerRequest request;
        std::uint32_t scopeTypes, upLevel, downLevel;
    };
    const Case cases[] = {
        {"users only, all scopes", {false, false, true, false, false}, 0x36F, 0x2, 0x80000001},
        {"users only, local computer", {false, false, true, false, true}, 0x1, 0x2, 0x80000001},
        {"groups only", {false, true, false, false, false}, 0x36F, 0x3F4, 0x80000006},
        {"users and groups", {true, true, true, false, true}, 0x1, 0x3F6, 0x80000007},
        {"well-known with groups", {false, true, false, true, false}, 0x36F, 0x3FC, 0x80020006},
        {"well-known without groups", {false, false, true, true, false}, 0x36F, 0xA, 0x800C4001},
        {"nothing chosen", {false, false, false, false, false}, 0x36F, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const PickerScope scope = pickerScope(c.request);
        EXPECT_EQ(scope.scopeTypes, c.scopeTypes);
        EXPECT_EQ(scope.scopeFlags, 0xC0u);
        EXPECT_EQ(scope.upLevelFilter, c.upLevel);
        EXPECT_EQ(scope.downLevelFilter, c.downLevel);
    }
}

}  // namespace
}  // namespace tavik::native::dialogs
