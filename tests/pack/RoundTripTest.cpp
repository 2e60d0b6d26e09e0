// The packer's output read back by the launcher's own block reader.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "launcher/core/ArchiveNames.h"
#include "launcher/core/CommandLine.h"
#include "launcher/core/ConfigBlock.h"
#include "tests/pack/FakePe.h"
#include "tests/pack/ScratchDir.h"
#include "tools/pack/Packer.h"
#include "tools/pack/ProjectFile.h"

namespace tavik::pack {
namespace {

namespace fs = std::filesystem;
using test::FakePe;
using test::ScratchDir;
using ::testing::IsSupersetOf;

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
    ASSERT_EQ(packLauncher({templatePath, project, dir / "app.exe", std::nullopt}), std::nullopt);
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

// The names of the archive entries, as the launcher reads them from the block.
std::vector<std::string> archiveNames(const config::ConfigTables& tables) {
    return archive::splitNameList(tables.narrow.at(2003));
}

TEST(RoundTrip, RuntimeJarLeadsTheArchiveUnlessTheProjectBringsItsOwn) {
    ScratchDir dir;
    const fs::path templatePath = dir.write("launcher.exe", FakePe{}.bytes());
    const fs::path runtimeJar = dir.write("lib/tavik-runtime.jar", "runtime");
    dir.write("app.jar", "jar");
    dir.write("own/tavik-runtime.jar", "own runtime");
    const struct {
        const char* embed;
        std::vector<std::string> names;
        std::size_t archiveBytes;
    } cases[] = {
        {"['app.jar']", {"tavik-runtime.jar", "app.jar"}, 8 + 7 + 8 + 3},
        {"[]", {"tavik-runtime.jar"}, 8 + 7},
        {"['app.jar', { source = 'own/tavik-runtime.jar' }]", {"app.jar", "tavik-runtime.jar"}, 8 + 3 + 8 + 11},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.embed);
        const fs::path project =
            dir.write("project.toml", std::string("[application]\nmain_class = 'M'\n[files]\nembed = ") + c.embed + "\n");
        ASSERT_EQ(packLauncher({templatePath, project, dir / "app.exe", runtimeJar}), std::nullopt);
        const auto executable = test::readBytes(dir / "app.exe");
        const auto block = readBack(executable, "en_US");
        ASSERT_FALSE(block.failure);
        EXPECT_EQ(archiveNames(block.tables), c.names);
        EXPECT_EQ(block.archiveStart + c.archiveBytes, executable.size() - FakePe::kDefaultPayloadOffset);
    }
}

// A TOML basic string holding `text` as it is.
std::string tomlString(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

TEST(RoundTrip, EveryVmOptionElementComesBackAsOneToken) {
    const std::vector<std::vector<std::string>> cases = {
        {"-Xmx64m", "-Dplain=1"},
        {"-Dname=a b", "-Dtwo  blanks", " leading", "trailing "},
        {"-Dq=say \"hi\"", "\"", "-Dq=\"a b\""},
        {"-Dit's", "'", "-Dit's a b"},
        {"", "-Dafter.empty", ""},
        {"C:\\Program Files\\x", "tab\there"},
    };
    for (const auto& elements : cases) {
        std::string toml = "[application]\nvm_options = [";
        for (const std::string& element : elements) toml += tomlString(element) + ", ";
        toml += "]\n";
        SCOPED_TRACE(toml);
        const auto input = parseProject(toml, "project.toml", "/base");
        ASSERT_TRUE(input) << describe(input.error());
        const std::string& line = input.value().narrow.at(0).text;
        std::vector<std::u16string> want;
        for (const std::string& element : elements) want.emplace_back(element.begin(), element.end());
        EXPECT_EQ(cmdline::splitCommandLine(std::u16string(line.begin(), line.end())), want) << line;
    }
}

// The packer may be stricter than the launcher, never more lenient: a name it
// accepts must be one the launcher extracts.
TEST(RoundTrip, EveryArchiveNameThePackerAcceptsTheLauncherExtracts) {
    const std::string names[] = {
        "a.jar",  "lib\\a.jar", ".hidden", "a..b",     "..a",  "a\\..b", "..\\a", "a\\..", ".\\a",  "a\\.",
        "a\\b\\c", "\\a",       "\\\\s\\x", "c:a",  "a:b",  "lib/a",  "a\\",   "\\",     "x y.jar", "\u00e9t\u00e9.jar",
        "nul.jar", "lib\\aux", "Con .txt", "com1.x", "lpt\u00b9",
    };
    std::vector<std::string> accepted;
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const auto input = parseProject("[files]\nembed = [ { source = 'x', name = " + tomlString(name) + " } ]\n",
                                        "project.toml", "/base");
        if (!input) continue;
        accepted.push_back(name);
        EXPECT_TRUE(archive::isSafeArchiveName(input.value().files.at(0).name));
    }
    // Ordinary names must get through, or the check above never ran.
    EXPECT_THAT(accepted, IsSupersetOf({"a.jar", "lib\\a.jar", ".hidden", "a..b", "x y.jar"}));
}

}  // namespace
}  // namespace tavik::pack
