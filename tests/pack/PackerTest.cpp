#include "tools/pack/Packer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/pack/BlockDecoder.h"
#include "tests/pack/FakePe.h"
#include "tests/pack/ScratchDir.h"

namespace tavik::pack {
namespace {

namespace fs = std::filesystem;
using test::decodeBlock;
using test::FakePe;
using test::readBytes;
using test::ScratchDir;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

std::vector<unsigned char> templateWithTrailingBytes() {
    FakePe image;
    image.trailing = "payload of an earlier packing";
    return image.bytes();
}

class Packing : public ::testing::Test {
protected:
    std::optional<PackError> pack(const std::string& projectToml, const fs::path& launcherTemplate,
                                  const std::string& output = "out.exe") {
        return packLauncher({launcherTemplate, dir.write("project.toml", projectToml), dir / output, std::nullopt});
    }
    std::optional<PackError> pack(const std::string& projectToml) { return pack(projectToml, templatePath); }

    ScratchDir dir;
    fs::path templatePath = dir.write("launcher.exe", templateWithTrailingBytes());
};

// 64-bit little-endian size, then the bytes XORed with 0xD6.
std::vector<unsigned char> archiveEntry(const std::string& content) {
    std::vector<unsigned char> entry;
    for (int i = 0; i < 8; ++i) entry.push_back(static_cast<unsigned char>(content.size() >> (8 * i)));
    for (const char c : content) entry.push_back(static_cast<unsigned char>(c) ^ 0xD6);
    return entry;
}

TEST_F(Packing, OutputIsTemplateCutAtLastSectionThenBlockThenArchive) {
    const std::string jar("PK\x03\x04\x00\xD6\xFF jar bytes", 15);
    dir.write("dist/app.jar", jar);
    dir.write("native/y.dll", "");
    dir.write("lib/z.txt", std::string(70000, 'z'));  // more than one copy chunk
    ASSERT_EQ(pack("[application]\n"
                   "main_class = 'com.example.Main'\n"
                   "[files]\n"
                   "embed = [ 'dist/app.jar', { source = 'native/y.dll', name = 'native\\y.dll' }, 'lib/z.txt' ]\n"),
              std::nullopt);

    const auto output = readBytes(dir / "out.exe");
    const auto image = readBytes(templatePath);
    const auto cut = static_cast<std::ptrdiff_t>(FakePe::kDefaultPayloadOffset);
    ASSERT_GT(output.size(), FakePe::kDefaultPayloadOffset);
    EXPECT_TRUE(std::equal(image.begin(), image.begin() + cut, output.begin()));

    const auto block = decodeBlock(output, FakePe::kDefaultPayloadOffset);
    ASSERT_TRUE(block);
    EXPECT_EQ(block->magic, 0xE8E413D5u);
    EXPECT_EQ(block->narrowText(122), "com.example.Main");
    EXPECT_EQ(block->narrowText(2002), "3");
    EXPECT_EQ(block->narrowText(2003), "app.jar;native\\y.dll;z.txt");

    std::vector<unsigned char> archive;
    for (const std::string& content : {jar, std::string(), std::string(70000, 'z')}) {
        const auto entry = archiveEntry(content);
        archive.insert(archive.end(), entry.begin(), entry.end());
    }
    EXPECT_EQ(std::vector<unsigned char>(output.begin() + static_cast<std::ptrdiff_t>(block->end), output.end()),
              archive);
}

TEST_F(Packing, BlockHoldsRecordsAndSetsInOrder) {
    ASSERT_EQ(pack("[narrow]\n2001 = 'r'\n"
                   "[application]\nflavour = 'launcher'\nexecutable_kind = 'gui'\n"
                   "[messages]\n1005 = 'No Java here.'\n"
                   "[[locale]]\nkey = 'de'\nmessages = { 1005 = 'Kein Java.' }\n"
                   "[[locale]]\nkey = 'de_CH'\nmessages = { 1005 = 'Kei Java.' }\n"),
              std::nullopt);
    const auto block = decodeBlock(readBytes(dir / "out.exe"), FakePe::kDefaultPayloadOffset);
    ASSERT_TRUE(block);
    EXPECT_THAT(block->narrow, ElementsAre(std::pair(107, std::string("1")), std::pair(2001, std::string("t")),
                                           std::pair(2001, std::string("r"))));
    EXPECT_EQ(block->wideText(1005), u"No Java here.");
    EXPECT_EQ(block->wideText(1000), u"Error");
    ASSERT_EQ(block->sets.size(), 2u);
    EXPECT_EQ(block->sets[0].key, "de");
    EXPECT_EQ(block->sets[1].key, "de_CH");
    EXPECT_THAT(block->sets[1].records, ElementsAre(std::pair(1005, std::u16string(u"Kei Java."))));
    EXPECT_EQ(block->end, readBytes(dir / "out.exe").size());  // nothing to embed: no archive bytes
}

TEST_F(Packing, SameInputsGiveTheSameBytes) {
    dir.write("app.jar", "jar");
    const std::string project =
        "[application]\nmain_class = 'M'\n[files]\nembed = ['app.jar']\n[messages]\n1005 = 'x'\n";
    ASSERT_EQ(pack(project, templatePath, "first.exe"), std::nullopt);
    ASSERT_EQ(pack(project, templatePath, "second.exe"), std::nullopt);
    EXPECT_EQ(readBytes(dir / "first.exe"), readBytes(dir / "second.exe"));
}

TEST_F(Packing, RepackingAPackedExecutableReplacesItsPayload) {
    dir.write("app.jar", "first jar");
    ASSERT_EQ(pack("[application]\nmain_class = 'Old'\n[files]\nembed = ['app.jar']\n", templatePath, "old.exe"),
              std::nullopt);
    dir.write("app.jar", "second jar");
    const std::string project = "[application]\nmain_class = 'New'\n[files]\nembed = ['app.jar']\n";
    ASSERT_EQ(pack(project, dir / "old.exe", "repacked.exe"), std::nullopt);
    ASSERT_EQ(pack(project, templatePath, "fresh.exe"), std::nullopt);
    EXPECT_EQ(readBytes(dir / "repacked.exe"), readBytes(dir / "fresh.exe"));
}

TEST_F(Packing, PackingOverTheTemplateItselfWorks) {
    const fs::path copy = dir.write("copy.exe", readBytes(templatePath));
    ASSERT_EQ(pack("[application]\nmain_class = 'M'\n", copy, "copy.exe"), std::nullopt);
    const auto block = decodeBlock(readBytes(copy), FakePe::kDefaultPayloadOffset);
    ASSERT_TRUE(block);
    EXPECT_EQ(block->narrowText(122), "M");
}

TEST_F(Packing, FailuresLeaveNoOutputBehind) {
    const fs::path notPe = dir.write("notes.txt", "just text, no executable");
    FakePe overlapping;
    overlapping.sections = {{".text", 0x200, 0x400}, {".data", 0x400, 0x100}};
    const fs::path overlappingPath = dir.write("overlapping.exe", overlapping.bytes());
    dir.write("app.jar", "jar");
    fs::create_directory(dir / "folder");
    struct Case {
        const char* name;
        std::string project;
        fs::path templatePath;
        std::string want;  // the whole message, with <dir> for the scratch directory
    };
    const Case cases[] = {
        {"missing template", "", dir / "absent.exe", "tavik-pack: <dir>/absent.exe: template not found"},
        {"template that is no PE image", "", notPe,
         "tavik-pack: <dir>/notes.txt: not a Windows executable (no MZ header)"},
        {"template whose last section is not last in the file", "", overlappingPath,
         "tavik-pack: <dir>/overlapping.exe: section '.text' ends after the last section '.data'; "
         "the payload would cut it off"},
        {"missing file to embed", "[files]\nembed = [ 'app.jar',\n  'dist/missing.jar' ]\n", templatePath,
         "tavik-pack: <dir>/project.toml:3: files.embed[1]: file to embed not found: <dir>/dist/missing.jar"},
        {"directory to embed", "[files]\nembed = [ { source = 'folder', name = 'f' } ]\n", templatePath,
         "tavik-pack: <dir>/project.toml:2: files.embed[0]: file to embed is not a regular file: <dir>/folder"},
        {"unknown key", "[application]\nmain_class = 'M'\nsplashscreen = true\n", templatePath,
         "tavik-pack: <dir>/project.toml:3: application.splashscreen: unknown key"},
        {"text outside the code page", "[service]\nname = '\u0421\u0435\u0440\u0432\u0438\u0441'\n", templatePath,
         "tavik-pack: <dir>/project.toml:2: service.name: character U+0421 (\u0421) cannot be written in the "
         "Windows-1252 code page used for narrow texts"},
    };
    dir.write("project.toml", "");  // present before each case, so the listing compares like with like
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto before = dir.entries();
        const auto error = pack(c.project, c.templatePath);
        ASSERT_TRUE(error);
        std::string want = c.want;
        for (std::size_t at; (at = want.find("<dir>")) != std::string::npos;) want.replace(at, 5, dir.path().string());
        EXPECT_EQ(describe(*error), want);
        EXPECT_EQ(dir.entries(), before);
    }
}

TEST_F(Packing, UnusableOutputPathLeavesNothingBehind) {
    dir.write("taken/keep.txt", "a directory where the output should go");
    dir.write("project.toml", "");
    const auto before = dir.entries();
    const auto intoDirectory = pack("", templatePath, "taken");
    ASSERT_TRUE(intoDirectory);
    EXPECT_THAT(describe(*intoDirectory), HasSubstr((dir / "taken").string() + ": cannot create output"));
    EXPECT_EQ(dir.entries(), before);

    const auto intoMissingDirectory = pack("", templatePath, "absent/out.exe");
    ASSERT_TRUE(intoMissingDirectory);
    EXPECT_EQ(describe(*intoMissingDirectory),
              "tavik-pack: " + (dir / "absent/out.exe").string() + ": cannot create a temporary file beside the output");
    EXPECT_EQ(dir.entries(), before);
}

TEST_F(Packing, FailureKeepsAnEarlierOutputUntouched) {
    dir.write("out.exe", "earlier output");
    ASSERT_TRUE(pack("[files]\nembed = ['missing.jar']\n"));
    EXPECT_EQ(readBytes(dir / "out.exe"), std::vector<unsigned char>({'e', 'a', 'r', 'l', 'i', 'e', 'r', ' ', 'o',
                                                                      'u', 't', 'p', 'u', 't'}));
}

TEST_F(Packing, MissingProjectFileIsReported) {
    const auto error = packLauncher({templatePath, dir / "absent.toml", dir / "out.exe", std::nullopt});
    ASSERT_TRUE(error);
    EXPECT_EQ(describe(*error), "tavik-pack: " + (dir / "absent.toml").string() + ": project file not found");
    EXPECT_FALSE(fs::exists(dir / "out.exe"));
}

}  // namespace
}  // namespace tavik::pack
