// Extraction of the archive after the configuration block, by copies of the
// test program that carry a block and an archive of their own.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <regex>
#include <set>

#include "tests/support/ArchiveNameCases.h"
#include "tests/win/ChildOutput.h"
#include "tests/win/TestSupport.h"

namespace tavik::test {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

// Every byte value, more than one copy chunk long.
std::string binaryData(std::size_t size) {
    std::string data(size, '\0');
    for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<char>((i * 31 + i / 256) & 0xFF);
    return data;
}

struct Packed {
    fs::path exe;
    std::uint64_t archiveStart;
};

// A console-mode copy of the test program whose block names `count` files.
Packed packWithArchive(const ScratchDir& scratch, const std::string& count, const std::string& names,
                       const std::string& archive) {
    const std::string block = BlockBuilder()
                                  .header()
                                  .uint32(3)
                                  .raw(narrowRecord(107, "0") + narrowRecord(2002, count) + narrowRecord(2003, names))
                                  .uint32(1)
                                  .uint32(1009)
                                  .wide(u"Internal failure {0}.")
                                  .uint32(0)
                                  .text();
    const fs::path exe = scratch.path() / "packed.exe";
    const std::uint64_t offset = writePackedCopy(testExecutable(), exe, block + archive);
    return {exe, offset + block.size()};
}

std::set<std::string> tree(const fs::path& root) {
    std::set<std::string> entries;
    for (const auto& item : fs::recursive_directory_iterator(root))
        entries.insert(item.path().lexically_relative(root).generic_string() + (item.is_directory() ? "/" : ""));
    return entries;
}

// What the base holds besides the log and the system's placeholder files.
std::set<std::string> extractedEntries(const fs::path& base) {
    std::set<std::string> entries;
    for (const std::string& name : tree(base)) {
        if (!std::regex_match(name, std::regex(R"(rwt_nlog_\d+\.log|tvk[0-9A-Fa-f]+\.tmp)"))) entries.insert(name);
    }
    return entries;
}

const std::map<std::u16string, std::u16string> kLogOn = {{u"TAVIK_LOG", u"yes"}, {u"RUNWRIGHT_LOG", u""}};
const std::map<std::u16string, std::u16string> kLogOff = {{u"TAVIK_LOG", u""}, {u"RUNWRIGHT_LOG", u""}};

struct Extracted {
    ChildResult child;
    std::map<std::string, std::string> values;
    fs::path tempDir;
    std::string log;
};

Extracted extract(const ScratchDir& scratch, const Packed& packed, const fs::path& base) {
    fs::create_directories(base);
    Extracted e;
    e.child = runScenario(packed.exe, "extract", {base.u16string()}, kLogOn);
    e.values = keyValues(e.child.out);
    e.tempDir = fs::u8path(e.values["tempDir"]);
    e.log = childLog(e.values);
    return e;
}

TEST(Extraction, WritesEachEntryUnderItsNameAndKeepsTheArchiveEnd) {
    ScratchDir scratch;
    const std::string binary = binaryData(7000);
    const Packed packed = packWithArchive(scratch, "3", "a.txt;lib\\b.bin;empty.txt",
                                          archiveEntry("hello") + archiveEntry(binary) + archiveEntry("") + archiveEntry("not named"));
    const fs::path base = scratch.path() / "base";
    const Extracted e = extract(scratch, packed, base);
    ASSERT_EQ(e.child.exitCode, 0) << e.child.err;
    EXPECT_EQ(e.values.at("result"), "0");

    EXPECT_TRUE(std::regex_match(e.tempDir.filename().string(), std::regex(R"(tvk[0-9A-Fa-f]+\.tmp_dir\d+)")))
        << e.tempDir;
    EXPECT_EQ(e.tempDir.parent_path(), base);
    EXPECT_EQ(tree(e.tempDir), (std::set<std::string>{"a.txt", "lib/", "lib/b.bin"})) << "a size-0 entry makes no file";
    EXPECT_EQ(readFile(e.tempDir / "a.txt"), "hello");
    EXPECT_EQ(readFile(e.tempDir / "lib" / "b.bin"), binary);
    // The placeholder the directory is named after stays, empty.
    const std::string directoryName = e.tempDir.filename().string();
    const fs::path placeholder = base / directoryName.substr(0, directoryName.find("_dir"));
    EXPECT_TRUE(fs::is_regular_file(placeholder));
    EXPECT_EQ(fs::file_size(placeholder), 0u);

    const std::uint64_t end = packed.archiveStart + (8 + 5) + (8 + binary.size()) + 8;
    EXPECT_EQ(e.values.at("archiveEnd"), std::to_string(end)) << "the unnamed entry is left unread";

    const std::string temp = e.tempDir.string();
    EXPECT_THAT(e.log, HasSubstr("] extracting files\n"));
    EXPECT_THAT(e.log, HasSubstr("] Included files: 3\n"));
    EXPECT_THAT(e.log, HasSubstr("] tempPath is " + base.string()));
    EXPECT_THAT(e.log, HasSubstr("] Temp dir3: " + temp + "\n"));
    EXPECT_THAT(e.log, HasSubstr("] extracting " + temp + "\\a.txt (size: 5)\n"));
    EXPECT_THAT(e.log, HasSubstr("] creating directory " + temp + "\\lib\n"));
    EXPECT_THAT(e.log, HasSubstr("] extracting " + temp + "\\lib\\b.bin (size: 7000)\n"));
    EXPECT_THAT(e.log, HasSubstr("] extracting " + temp + "\\empty.txt (size: 0)\n"));
    EXPECT_THAT(e.log, HasSubstr("] extracting files done\n"));
}

TEST(Extraction, CountDecidesHowManyNamesAreUsed) {
    struct Case {
        const char* name;
        std::string count;
        std::string names;
        std::set<std::string> files;
        std::uint64_t archiveBytes;  // read past the archive start
    };
    const Case cases[] = {
        {"count cuts the name list", "1", "a.txt;b.txt", {"a.txt"}, 8 + 3},
        {"fewer names than the count", "5", "a.txt;;b.txt", {"a.txt", "b.txt"}, 2 * (8 + 3)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir scratch;
        const Packed packed = packWithArchive(scratch, c.count, c.names, archiveEntry("aaa") + archiveEntry("bbb") + archiveEntry("ccc"));
        const Extracted e = extract(scratch, packed, scratch.path() / "base");
        ASSERT_EQ(e.child.exitCode, 0) << e.child.err;
        EXPECT_EQ(e.values.at("result"), "0");
        EXPECT_EQ(tree(e.tempDir), c.files);
        EXPECT_EQ(e.values.at("archiveEnd"), std::to_string(packed.archiveStart + c.archiveBytes));
    }
}

TEST(Extraction, CountZeroMakesNoDirectoryAndReadsNothing) {
    ScratchDir scratch;
    const Packed packed = packWithArchive(scratch, "0", "a.txt", archiveEntry("aaa"));
    const fs::path base = scratch.path() / "base";
    const Extracted e = extract(scratch, packed, base);
    ASSERT_EQ(e.child.exitCode, 0) << e.child.err;
    EXPECT_EQ(e.values.at("result"), "0");
    EXPECT_EQ(e.values.at("tempDir"), "");
    EXPECT_EQ(e.values.at("archiveEnd"), "0");
    EXPECT_EQ(tree(base), (std::set<std::string>{"rwt_nlog_1.log"})) << "not even a placeholder";
    EXPECT_THAT(e.log, HasSubstr("] Included files: 0\n"));
    EXPECT_THAT(e.log, Not(HasSubstr("Temp dir3")));
}

// Names that could lead outside the temporary directory, or into a device,
// are refused before anything is made, including the directory itself and
// the safe entries listed before them.
TEST(Extraction, RefusedNamesWriteNothingAnywhere) {
    ScratchDir scratch;
    const std::string absolute = (scratch.path() / "evil.txt").string();
    struct Case {
        const char* name;
        std::string names;
        std::string refused;
    };
    const Case cases[] = {
        {"parent directory", "..\\evil.txt", "..\\evil.txt"},
        {"after a safe name", "a.txt;..\\evil.txt", "..\\evil.txt"},
        {"absolute path", absolute, absolute},
        {"rooted path", "\\evil.txt", "\\evil.txt"},
        {"drive-relative", "C:evil.txt", "C:evil.txt"},
        {"two backslashes", "a.txt;lib\\deeper\\evil.txt", "lib\\deeper\\evil.txt"},
        {"forward slash climbing", "lib/../evil.txt", "lib/../evil.txt"},
        {"device", "a.txt;lib\\nul.txt", "lib\\nul.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir perCase;
        const fs::path caseBase = perCase.path() / "a" / "base";
        const Packed packed = packWithArchive(perCase, "2", c.names, archiveEntry("aaa") + archiveEntry("evil"));
        const Extracted e = extract(perCase, packed, caseBase);
        ASSERT_EQ(e.child.exitCode, 0) << e.child.err;
        EXPECT_EQ(e.values.at("result"), "3");
        EXPECT_EQ(e.values.at("tempDir"), "");
        EXPECT_EQ(tree(caseBase), (std::set<std::string>{"rwt_nlog_1.log"}));
        EXPECT_EQ(tree(perCase.path() / "a"), (std::set<std::string>{"base/", "base/rwt_nlog_1.log"}));
        EXPECT_FALSE(fs::exists(absolute));
        EXPECT_THAT(e.log, HasSubstr("] ERROR: refusing to extract " + c.refused + ": "));
        EXPECT_THAT(e.log, Not(HasSubstr("extracting files done")));
    }
}

// The rows the packer's tests run too. An empty name cannot reach the
// launcher (the list skips empty fields), so that row is left out here.
TEST(Extraction, RefusesTheNamesThePackerRefusesAndExtractsTheOthers) {
    for (const auto& c : testsupport::kArchiveNameCases) {
        if (c.name.empty()) continue;
        SCOPED_TRACE(c.label);
        ScratchDir perCase;
        const fs::path base = perCase.path() / "a" / "base";
        const std::string name(c.name);
        const Packed packed =
            packWithArchive(perCase, "2", "a.txt;" + name, archiveEntry("aaa") + archiveEntry("named"));
        const Extracted e = extract(perCase, packed, base);
        ASSERT_EQ(e.child.exitCode, 0) << e.child.err;
        if (c.refused) {
            EXPECT_EQ(e.values.at("result"), "3");
            EXPECT_EQ(tree(perCase.path() / "a"), (std::set<std::string>{"base/", "base/rwt_nlog_1.log"}));
            EXPECT_THAT(e.log, HasSubstr("] ERROR: refusing to extract " + testsupport::utf8Spelling(name) + ": "));
        } else {
            EXPECT_EQ(e.values.at("result"), "0");
            EXPECT_EQ(readFile(e.tempDir / fs::u8path(testsupport::utf8Spelling(name))), "named");
        }
    }
}

// Fatal: the process ends with message 1009 and "11", and the error path
// removes the temporary directory with what was extracted so far.
TEST(Extraction, EntryFileThatCannotBeCreatedEndsWithCode11) {
    struct Case {
        const char* name;
        std::string names;
    };
    const Case cases[] = {
        {"subdirectory name taken by an extracted file", "a.txt;a.txt\\b.txt"},
        {"name the file system refuses", "a.txt;b?.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir scratch;
        const fs::path base = scratch.path() / "base";
        fs::create_directories(base);
        const Packed packed = packWithArchive(scratch, "2", c.names, archiveEntry("aaa") + archiveEntry("bbb"));
        const ChildResult r = runScenario(packed.exe, "extract", {base.u16string()}, kLogOff);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(withoutCarriageReturns(r.err), "Internal failure 11.\n");
        EXPECT_EQ(r.out, "") << "ended inside the extraction";
        EXPECT_EQ(extractedEntries(base), std::set<std::string>{}) << "temporary directory removed";
    }
}

TEST(Extraction, ArchiveEndingInsideAnEntryIsAReadError) {
    ScratchDir scratch;
    const std::string cut = BlockBuilder().int64(100).raw(std::string(10, 'x')).text();
    const Packed packed = packWithArchive(scratch, "2", "a.txt;b.txt", archiveEntry("aaa") + cut);
    const Extracted e = extract(scratch, packed, scratch.path() / "base");
    ASSERT_EQ(e.child.exitCode, 0) << e.child.err;
    EXPECT_EQ(e.values.at("result"), "1");
    EXPECT_EQ(e.values.at("archiveEnd"), "0");
    EXPECT_THAT(e.log, HasSubstr("] ERROR: ReadFile failed 0 "));
    EXPECT_THAT(e.log, HasSubstr(" 10\n"));
    EXPECT_THAT(e.log, HasSubstr("] ERROR: Failed to extract " + e.tempDir.string() + "\\b.txt\n"));
}

TEST(Extraction, MissingEntrySizeEndsWithTheReadLongError) {
    ScratchDir scratch;
    const fs::path base = scratch.path() / "base";
    fs::create_directories(base);
    const Packed packed = packWithArchive(scratch, "2", "a.txt;b.txt", archiveEntry("aaa") + std::string("\x01\x02", 2));
    const ChildResult r = runScenario(packed.exe, "extract", {base.u16string()}, kLogOff);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(withoutCarriageReturns(r.err), "Internal Error: readLong\n");
    EXPECT_EQ(extractedEntries(base), std::set<std::string>{});
}

TEST(TempDirectory, CreatedInTheBaseUnderThePlaceholderName) {
    ScratchDir scratch;
    const ChildResult r = runScenario(testExecutable(), "temp-dir", {scratch.path().u16string()}, kLogOn);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto values = keyValues(r.out);
    const fs::path directory = fs::u8path(values.at("tempDir"));
    EXPECT_TRUE(fs::is_directory(directory));
    EXPECT_EQ(directory.parent_path(), scratch.path());
    const std::string name = directory.filename().string();
    std::smatch parts;
    ASSERT_TRUE(std::regex_match(name, parts, std::regex(R"((tvk[0-9A-Fa-f]+\.tmp)_dir(\d+))"))) << name;
    EXPECT_TRUE(fs::is_regular_file(scratch.path() / parts[1].str())) << "the placeholder stays";
    const long long seconds = std::stoll(parts[2].str());
    EXPECT_LE(std::abs(seconds - static_cast<long long>(std::time(nullptr))), 600) << "seconds since 1970";

    const std::string log = childLog(values);
    EXPECT_THAT(log, HasSubstr("] tempPath is " + scratch.path().string()));
    EXPECT_THAT(log, HasSubstr("] tempFile is " + (scratch.path() / parts[1].str()).string() + "\n"));
    EXPECT_THAT(log, HasSubstr("] Temp dir3: " + directory.string() + "\n"));
}

}  // namespace
}  // namespace tavik::test
