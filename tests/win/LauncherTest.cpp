// The launcher program itself, packed with a block, started as a user would.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/win/ChildOutput.h"
#include "tests/win/TestSupport.h"

namespace tavik::test {
namespace {

using ::testing::HasSubstr;

TEST(Launcher, StartsUpAndEndsWithTheNoRuntimeMessage) {
    ScratchDir scratch;
    const fs::path exe = scratch.path() / "app.exe";
    writePackedCopy(fs::path(TAVIK_LAUNCHER_EXE), exe,
                    BlockBuilder()
                        .header()
                        .u32(2).u32(107).narrow("0").u32(2001).narrow("t")
                        .u32(1).u32(1005).wide(u"No Java runtime {0} found.")
                        .u32(0)
                        .bytes());
    const std::u16string base = scratch.path().u16string();
    const ChildResult r = runChild(exe, {u"--status", u"two words"},
                                   {{u"TAVIK_LOG", u"yes"}, {u"RUNWRIGHT_LOG", u""}, {u"TMP", base}, {u"TEMP", base}});
    EXPECT_EQ(r.exitCode, 1);
    const std::string err = withoutCarriageReturns(r.err);
    EXPECT_EQ(firstLine(err), "No Java runtime {0} found.");

    const fs::path logFile = scratch.path() / "rwt_nlog_1.log";
    EXPECT_EQ(err, "No Java runtime {0} found.\n\nLog: " + utf8(logFile.u16string()) + "\n");
    const std::string log = withoutCarriageReturns(readFile(logFile));
    EXPECT_THAT(log, HasSubstr("] command line "));
    EXPECT_THAT(log, HasSubstr("app.exe"));
    EXPECT_THAT(log, HasSubstr("--status \"two words\"\n"));
    EXPECT_THAT(log, HasSubstr("] language/country is "));
    EXPECT_THAT(log, ::testing::Not(HasSubstr("truncated")));
}

}  // namespace
}  // namespace tavik::test
