#include "launcher/core/PathText.h"

#include <gtest/gtest.h>

namespace tavik::path {
namespace {

TEST(PathText, CollapsesBackslashRunsButKeepsTheFirstTwoCharacters) {
    struct Case {
        const char* name;
        std::u16string_view path;
        std::u16string_view want;
    };
    const Case cases[] = {
        {"empty", u"", u""},
        {"single character", u"\\", u"\\"},
        {"clean drive path", u"C:\\Program Files\\app.exe", u"C:\\Program Files\\app.exe"},
        {"doubled and tripled", u"C:\\\\dir\\\\\\app.exe", u"C:\\dir\\app.exe"},
        {"trailing run", u"C:\\dir\\\\", u"C:\\dir\\"},
        {"network path", u"\\\\server\\\\share\\app.exe", u"\\\\server\\share\\app.exe"},
        {"run longer than the kept pair", u"\\\\\\\\server\\x", u"\\\\server\\x"},
        {"run right after two ordinary characters", u"ab\\\\c", u"ab\\c"},
        {"second character starts a run", u"a\\\\\\b", u"a\\b"},
        {"forward slashes untouched", u"C://dir//x", u"C://dir//x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(collapseBackslashes(c.path), c.want);
    }
}

}  // namespace
}  // namespace tavik::path
