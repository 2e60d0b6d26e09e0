#include "launcher/jvm/JavaException.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/win/ChildOutput.h"
#include "tests/win/FakeJni.h"
#include "tests/win/TestSupport.h"

namespace tavik::test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

TEST(JavaException, NothingPendingIsSuccess) {
    FakeJni jni(false);
    EXPECT_TRUE(jvm::reportJavaException(jni.env(), true));
    EXPECT_THAT(jni.calls, ElementsAre("ExceptionOccurred"));
}

TEST(JavaException, PendingExceptionIsDescribedOnRequestClearedAndReported) {
    for (const bool describe : {true, false}) {
        SCOPED_TRACE(describe ? "describe" : "quiet");
        FakeJni jni(true);
        EXPECT_FALSE(jvm::reportJavaException(jni.env(), describe));
        EXPECT_FALSE(jni.pending);
        // JNI allows nothing but the exception calls while one is pending.
        EXPECT_THAT(jni.callsWhilePending, IsEmpty());
        if (describe)
            EXPECT_THAT(jni.calls, Contains("ExceptionDescribe"));
        else
            EXPECT_THAT(jni.calls, Not(Contains("ExceptionDescribe")));
        // The text comes from the exception's own toString, not from a String method.
        EXPECT_THAT(jni.calls, Contains("GetMethodID toString ()Ljava/lang/String;"));
        EXPECT_THAT(jni.calls, Not(Contains("FindClass java/lang/String")));
        EXPECT_EQ(jni.toStringReceiver, FakeJni::exceptionObject());
        EXPECT_EQ(jni.utfCharsHeld, 0);
    }
}

TEST(JavaException, LogsTwoErrorLines) {
    ScratchDir scratch;
    const ChildResult r = runScenario(testExecutable(), "java-exception", {scratch.path().u16string()},
                                      {{u"TAVIK_LOG", u"yes"}, {u"RUNWRIGHT_LOG", u""}});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto values = keyValues(r.out);
    EXPECT_EQ(values.at("result"), "false");
    std::vector<std::string> errors;
    for (const std::string& line : lines(childLog(values))) {
        const auto at = line.find("] ERROR: ");
        if (at != std::string::npos) errors.push_back(line.substr(at + 9));
    }
    EXPECT_THAT(errors, ElementsAre("an exception occurred", "java.lang.IllegalStateException: b\xC3\xBCm"));
}

}  // namespace
}  // namespace tavik::test
