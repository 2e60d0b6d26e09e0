#include "launcher/core/ArchiveNames.h"

#include <gtest/gtest.h>

namespace tavik::archive {
namespace {

TEST(ArchiveNames, RefusesEveryNameThatCouldLeaveTheTemporaryDirectory) {
    struct Case {
        const char* name;
        bool safe;
    };
    const Case cases[] = {
        {"app.jar", true},
        {"lib\\app.jar", true},
        {".\\app.jar", true},
        {"..app.jar", true},
        {"", false},
        {"..", false},
        {"..\\evil.dll", false},
        {"lib\\..", false},
        {"../evil.dll", false},
        {"lib/../evil.dll", false},
        {"\\evil.dll", false},
        {"/evil.dll", false},
        {"\\\\server\\share\\x", false},
        {"C:\\Windows\\evil.dll", false},
        {"C:evil.dll", false},
        {"app.jar:stream", false},
        {"a\\b\\c.jar", false},
        {"a/b\\c.jar", false},
        {"NUL", false},
        {"nul.jar", false},
        {"lib\\com1.txt", false},
        {"Con .jar", false},
        {"aux\\a.jar", false},
        {"lpt9", false},
        {"CONOUT$", false},
        {"COM\xB9", false},  // superscript digits ¹ ² ³ in Windows-1252 number ports too
        {"lpt\xB2.jar", false},
        {"lib\\Com\xB3 .txt", false},
        {"com\xB4.jar", true},  // an acute accent is no digit
        {"console.jar", true},
        {"com10.jar", true},
        {"lpt.jar", true},
        {"lib\\nullable.jar", true},
    };
    for (const Case& c : cases) EXPECT_EQ(isSafeArchiveName(c.name), c.safe) << c.name;
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
