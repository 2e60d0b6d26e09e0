#include "launcher/core/ArchiveNames.h"

#include <gtest/gtest.h>

#include "tests/support/ArchiveNameCases.h"

namespace tavik::archive {
namespace {

TEST(ArchiveNames, RefusesEveryNameThatCouldLeaveTheTemporaryDirectory) {
    for (const auto& c : testsupport::kArchiveNameCases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(isSafeArchiveName(c.name), !c.refused) << c.name;
    }
}

// Names the launcher takes, though they do not extract as written: the
// packer refuses them on top of what the launcher refuses.
TEST(ArchiveNames, PackingRefusesWhatTheLauncherRefusesAndMore) {
    struct Case {
        const char* label;
        std::string_view name;
    };
    const Case packingOnly[] = {
        {"current directory part", ".\\app.jar"},
        {"forward slash", "lib/app.jar"},
        {"no file after the subdirectory", "lib\\"},
        {"list separator", "a;b.jar"},
    };
    for (const Case& c : packingOnly) {
        SCOPED_TRACE(c.label);
        EXPECT_TRUE(isSafeArchiveName(c.name));
        EXPECT_TRUE(packingProblem(c.name));
    }
    for (const auto& c : testsupport::kArchiveNameCases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(packingProblem(c.name).has_value(), c.refused) << c.name;
    }
}

TEST(ArchiveNames, ListSkipsEmptyFieldsAndKeepsOrder) {
    EXPECT_EQ(splitNameList(";a.jar;;lib\\b.jar;"), (std::vector<std::string>{"a.jar", "lib\\b.jar"}));
    EXPECT_TRUE(splitNameList("").empty());
}

TEST(ArchiveNames, ExtractionUsesTheFirstCountNames) {
    struct Case {
        const char* name;
        std::int32_t count;
        std::string_view list;
        std::vector<std::string> want;
    };
    const Case cases[] = {
        {"count cuts the list", 2, "a;b;c", {"a", "b"}},
        {"fewer names than the count", 5, "a;;b", {"a", "b"}},
        {"count zero", 0, "a", {}},
        {"negative count", -1, "a", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(namesToExtract(c.count, c.list), c.want);
    }
}

TEST(ArchiveNames, FirstUnsafeNameIsReportedInListOrder) {
    EXPECT_EQ(firstUnsafeName({"a.jar", "..\\x", "C:\\y"}), "..\\x");
    EXPECT_EQ(firstUnsafeName({"a.jar", "lib\\b.jar"}), std::nullopt);
    EXPECT_EQ(firstUnsafeName({}), std::nullopt);
}

TEST(ArchiveNames, SubdirectoryIsTheFirstComponent) {
    EXPECT_EQ(subdirectoryOf("lib\\a.jar"), "lib");
    EXPECT_EQ(subdirectoryOf("a.jar"), "");
}

}  // namespace
}  // namespace tavik::archive
