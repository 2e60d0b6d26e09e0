#include "common/TextFormat.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace tavik {
namespace {

std::string narrow(const std::u16string& s) { return std::string(s.begin(), s.end()); }

TEST(TextFormat, ConvertsEachArgumentByItsType) {
    const std::u16string wide = u"C:\\x y";
    struct Case {
        const char* name;
        std::u16string got;
        const char* want;
    };
    const Case cases[] = {
        {"integers", format(u"[%d:%d] ", 61, 5), "[61:5] "},
        {"negative and 64-bit", format(u"%d %I64d", -7, 1LL << 40), "-7 1099511627776"},
        {"wide text", format(u"init %s!", wide), "init C:\\x y!"},
        {"narrow text decoded", format(u"tempPath is %S", "c:\\temp"), "tempPath is c:\\temp"},
        {"percent sign", format(u"100%% %d", 1), "100% 1"},
        {"missing argument prints nothing", format(u"a %d b %s"), "a  b "},
        {"unknown conversion kept", format(u"%q %d", 3), "%q 3"},
        {"trailing percent kept", format(u"x%"), "x%"},
        {"zero and the 64-bit extremes", format(u"%d %lld %lld", 0, INT64_MIN, INT64_MAX),
         "0 -9223372036854775808 9223372036854775807"},
        {"hex is lower case, negative as its two's complement", format(u"%x %x %x", 0, 0xBEEF, -1),
         "0 beef ffffffffffffffff"},
        {"config truncation line", format(u"ERROR: config string %d truncated (%d %d)", 2001, 2, 5),
         "ERROR: config string 2001 truncated (2 5)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(narrow(c.got), c.want);
    }
}

TEST(TextFormat, PointerIsFixedWidthUppercaseHex) {
    const auto text = narrow(format(u"%p", reinterpret_cast<const void*>(0xabc)));
    EXPECT_EQ(text.size(), 2 * sizeof(void*));
    EXPECT_EQ(text.substr(text.size() - 3), "ABC");
    EXPECT_EQ(text.find_first_not_of('0'), text.size() - 3);
}

}  // namespace
}  // namespace tavik
