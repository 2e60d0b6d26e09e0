// The PATH value of the native library directories: the list, its separator
// and the inherited PATH while the whole fits.
#include "launcher/core/NativeLibraryRules.h"

#include <gtest/gtest.h>

namespace tavik::path {
namespace {

TEST(NativeLibraryPath, DirectoriesGoInFrontOfPathWhileItFits) {
    // With the separator added, `listed` ends 10 bytes short of the capacity.
    const std::string listed = "C:\\" + std::string(kNativeLibraryPathCapacity - 14, 'd');
    const std::string tooLong(kNativeLibraryPathCapacity + 5, 'd');
    struct Case {
        const char* name;
        std::string directories;
        std::optional<std::string> path;
        std::string want;
    };
    const Case cases[] = {
        {"directories then PATH", "C:\\App\\lib;C:\\App\\bin\\x64", "C:\\Windows", "C:\\App\\lib;C:\\App\\bin\\x64;C:\\Windows"},
        {"no second separator", "C:\\App\\lib;", "C:\\Windows", "C:\\App\\lib;C:\\Windows"},
        {"no directories keeps PATH alone", "", "C:\\Windows", "C:\\Windows"},
        {"unset PATH", "C:\\App\\lib", std::nullopt, "C:\\App\\lib;"},
        {"empty PATH", "C:\\App\\lib", "", "C:\\App\\lib;"},
        {"PATH filling the last byte but the terminator", listed, std::string(9, 'p'), listed + ";" + std::string(9, 'p')},
        {"PATH one byte too long is left out", listed, std::string(10, 'p'), listed + ";"},
        {"directories beyond the capacity stay whole", tooLong, "C:\\Windows", tooLong + ";"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(nativeLibraryPathValue(c.directories, c.path), c.want);
    }
}

}  // namespace
}  // namespace tavik::path
