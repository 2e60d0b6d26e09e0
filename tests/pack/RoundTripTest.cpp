// The packer's output read back by the launcher's own block reader.
#include <gtest/gtest.h>

#include "launcher/core/ConfigBlock.h"
#include "tests/pack/FakePe.h"
#include "tests/pack/ScratchDir.h"
#include "tools/pack/Packer.h"

namespace tavik::pack {
namespace {

namespace fs = std::filesystem;
using test::FakePe;
using test::ScratchDir;

config::BlockReadResult readBack(const std::vector<unsigned char>& executable, const std::string& locale) {
    const auto offset = static_cast<std::size_t>(FakePe::kDefaultPayloadOffset);
    config::MemoryByteSource source(executable.data() + offset, executable.size() - offset);
    return config::readConfigBlock(source, [&] { return locale; });
}

TEST(RoundTrip, LauncherReadsWhatThePackerWrote) {
    ScratchDir dir;
    const fs::path templatePath = dir.write("launcher.exe", FakePe{}.bytes());
    dir.write("app.jar", "jar");
    const fs::path project = dir.write("project.toml",
                                       "[application]\n"
                                       "main_class = 'com.example.Main'\n"
                                       "vm_options = ['-Xmx64m', '-Dname=a b']\n"
                                       "executable_kind = 'gui'\n"
                                       "[service]\n"
                                       "description = 'Dienst f\u00fcr \u4e2d'\n"
                                       "[files]\n"
                                       "embed = ['app.jar']\n"
                                       "[messages]\n"
                                       "1005 = 'No Java.'\n"
                                       "[[locale]]\nkey = 'de'\nmessages = { 1005 = 'Kein Java.', 1000 = 'Fehler' }\n"
                                       "[[locale]]\nkey = 'de_CH'\nmessages = { 1005 = 'Kei Java.' }\n"
                                       "[narrow]\n2001 = 'r'\n");
    ASSERT_EQ(packLauncher({templatePath, project, dir / "app.exe"}), std::nullopt);
    const auto executable = test::readBytes(dir / "app.exe");

    const auto swiss = readBack(executable, "de_CH");
    ASSERT_FALSE(swiss.failure);
    EXPECT_EQ(swiss.tables.narrow.at(122), "com.example.Main");
    EXPECT_EQ(swiss.tables.narrow.at(123), "-Xmx64m \"-Dname=a b\"");
    EXPECT_EQ(swiss.tables.narrow.at(107), "1");
    EXPECT_EQ(swiss.tables.narrow.at(2001), "r");
    EXPECT_EQ(swiss.tables.narrow.at(2002), "1");
    EXPECT_EQ(swiss.tables.wide.at(20017), u"Dienst f\u00fcr \u4e2d");
    EXPECT_EQ(swiss.tables.wide.at(1005), u"Kei Java.");
    EXPECT_EQ(swiss.tables.wide.at(1000), u"Fehler");
    // The archive follows the block: one entry of 8 size bytes and 3 data bytes.
    EXPECT_EQ(swiss.archiveStart + 8 + 3, executable.size() - FakePe::kDefaultPayloadOffset);

    const auto english = readBack(executable, "en_US");
    ASSERT_FALSE(english.failure);
    EXPECT_EQ(english.tables.wide.at(1005), u"No Java.");
    EXPECT_EQ(english.tables.wide.at(1000), u"Error");
}

}  // namespace
}  // namespace tavik::pack
