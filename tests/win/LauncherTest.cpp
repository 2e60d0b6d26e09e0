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
    const ChildResult r = runChild(exe, {u"--status", u"two words"}, {{u"TAVIK_LOG", u"yes"}, {u"RUNWRIGHT_LOG", u""}});
    EXPECT_EQ(r.exitCode, 1);
    const std::string err = withoutCarriageReturns(r.err);
    EXPECT_EQ(firstLine(err), "No Java runtime {0} found.");

    // Wine sets the child's TMP itself, so the log is wherever the error names it.
    const auto logAt = err.find("\n\nLog: ");
    ASSERT_NE(logAt, std::string::npos) << err;
    const fs::path logFile = fs::u8path(err.substr(logAt + 7, err.find('\n', logAt + 7) - logAt - 7));
    const std::string log = withoutCarriageReturns(readFile(logFile));
    fs::remove(logFile);
    EXPECT_THAT(log, HasSubstr("] command line "));
    EXPECT_THAT(log, HasSubstr("app.exe"));
    EXPECT_THAT(log, HasSubstr("--status \"two words\"\n"));
    EXPECT_THAT(log, HasSubstr("] language/country is "));
    EXPECT_THAT(log, ::testing::Not(HasSubstr("truncated")));
}

}  // namespace
}  // namespace tavik::test
