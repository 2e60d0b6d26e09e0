// A runtime's parts as the path of its java.exe names them.
#include "launcher/core/RuntimeLayout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavik::jvm {
namespace {

TEST(RuntimeLayout, PathsFollowFromTheJavaExe) {
    struct Case {
        const char* javaExe;
        const char* bin;
        const char* home;
        const char* jreJavaExe;
    };
    const Case cases[] = {
        {"c:\\jre\\bin\\java.exe", "c:\\jre\\bin", "c:\\jre\\bin\\..", "c:\\jre\\bin\\..\\jre\\bin\\java.exe"},
        {"c:\\jre\\bin\\javaw.exe", "c:\\jre\\bin", "c:\\jre\\bin\\..", "c:\\jre\\bin\\..\\jre\\bin\\java.exe"},
        // Only the exact lower-case "javaw.exe" is nine characters long.
        {"c:\\jre\\bin\\JAVAW.EXE", "c:\\jre\\bin\\", "c:\\jre\\bin\\..", "c:\\jre\\bin\\..\\jre\\bin\\java.exe"},
        {"java.exe", "", "..", "..\\jre\\bin\\java.exe"},
        {"x\\java.exe", "x", "x\\..", "x\\..\\jre\\bin\\java.exe"},
        {"", "", "..", "..\\jre\\bin\\java.exe"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.javaExe);
        EXPECT_EQ(binDirectoryOf(c.javaExe), c.bin);
        EXPECT_EQ(runtimeHomeOf(c.javaExe), c.home);
        EXPECT_EQ(jreJavaExeOf(c.javaExe), c.jreJavaExe);
    }
}

TEST(RuntimeLayout, ConfiguredVmSubdirectoryIsTriedFirstAndAgainInItsPlace) {
    EXPECT_EQ(vmSubdirectoriesInTrialOrder("server"),
              (std::vector<std::string>{"server", "client", "server", "j9vm", "hotspot", "jrockit"}));
    EXPECT_EQ(vmSubdirectoriesInTrialOrder(""),
              (std::vector<std::string>{"client", "server", "j9vm", "hotspot", "jrockit"}));
}

TEST(RuntimeLayout, PackedArchivesUnpackBesideThemselves) {
    EXPECT_EQ(unpackedArchiveOf("c:\\jre\\lib\\rt.jar.pack"), "c:\\jre\\lib\\rt.jar");
    EXPECT_EQ(unpackedArchiveOf("rt.jar.pack"), "rt.jar");
    EXPECT_EQ(unpackedArchiveOf(".pack"), "");
    EXPECT_EQ(unpackedArchiveOf("pack"), "");
    EXPECT_EQ(unpackArguments("c:\\my jre\\lib\\rt.jar.pack"),
              "-r \"c:\\my jre\\lib\\rt.jar.pack\" \"c:\\my jre\\lib\\rt.jar\"");
}

}  // namespace
}  // namespace tavik::jvm
