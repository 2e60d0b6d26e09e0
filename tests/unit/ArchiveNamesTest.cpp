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
    };
    for (const Case& c : cases) EXPECT_EQ(isSafeArchiveName(c.name), c.safe) << c.name;
}

TEST(ArchiveNames, ListSkipsEmptyFieldsAndKeepsOrder) {
    EXPECT_EQ(splitNameList(";a.jar;;lib\\b.jar;"), (std::vector<std::string>{"a.jar", "lib\\b.jar"}));
    EXPECT_TRUE(splitNameList("").empty());
}

TEST(ArchiveNames, SubdirectoryIsTheFirstComponent) {
    EXPECT_EQ(subdirectoryOf("lib\\a.jar"), "lib");
    EXPECT_EQ(subdirectoryOf("a.jar"), "");
}

}  // namespace
}  // namespace tavik::archive
