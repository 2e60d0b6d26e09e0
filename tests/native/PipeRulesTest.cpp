// The communication natives' decisions that need no pipe.
#include "native/comm/PipeRules.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace tavik::native::comm {
namespace {

TEST(BlockLength, IsFourBytesLeastSignificantFirst) {
    EXPECT_EQ(encodeLength(0x12345678), (LengthPrefix{0x78, 0x56, 0x34, 0x12}));
    EXPECT_EQ(encodeLength(100000), (LengthPrefix{0xA0, 0x86, 0x01, 0x00}));
    for (const std::uint32_t length : {0u, 1u, 0x80u, 0xFF00u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(length);
        EXPECT_EQ(decodeLength(encodeLength(length)), length);
    }
    EXPECT_EQ(decodeLength({0x01, 0x00, 0x00, 0x80}), 0x80000001u);
}

TEST(BlockLength, BeyondWhatAJavaArrayHoldsHasNoArrayLength) {
    struct Case {
        std::uint32_t blockLength;
        std::optional<std::int32_t> want;
    };
    const Case cases[] = {
        {0, 0},
        {1, 1},
        {0x7FFFFFFF, 0x7FFFFFFF},
        {0x80000000, std::nullopt},
        {0xFFFFFFFF, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.blockLength);
        EXPECT_EQ(javaArrayLength(c.blockLength), c.want);
    }
}

// A step that answers from a script and records what it was asked.
struct ScriptedStep {
    std::vector<std::optional<std::size_t>> answers;
    std::vector<std::size_t> offsets, wanted;

    std::optional<std::size_t> operator()(std::size_t offset, std::size_t want) {
        offsets.push_back(offset);
        wanted.push_back(want);
        if (offsets.size() > answers.size()) return std::nullopt;  // asked more often than scripted
        return answers[offsets.size() - 1];
    }
};

TEST(TransferAll, AsksForWhatIsStillMissingUntilTheEndAndFailsOnAStepThatMovesNothing) {
    struct Case {
        const char* name;
        std::size_t total;
        std::vector<std::optional<std::size_t>> answers;
        bool want;
        std::vector<std::size_t> offsets, wanted;
    };
    const Case cases[] = {
        {"nothing to move", 0, {}, true, {}, {}},
        {"all at once", 10, {10}, true, {0}, {10}},
        {"in pieces", 10, {4, 4, 2}, true, {0, 4, 8}, {10, 6, 2}},
        {"a failing step", 10, {4, std::nullopt}, false, {0, 4}, {10, 6}},
        {"a step that moves nothing", 10, {4, 0, 6}, false, {0, 4}, {10, 6}},
        {"nothing from the start", 10, {0}, false, {0}, {10}},
        {"more than asked for", 10, {4, 7}, false, {0, 4}, {10, 6}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedStep step{c.answers, {}, {}};
        EXPECT_EQ(transferAll(c.total, [&](std::size_t offset, std::size_t want) { return step(offset, want); }),
                  c.want);
        EXPECT_EQ(step.offsets, c.offsets);
        EXPECT_EQ(step.wanted, c.wanted);
    }
}

TEST(ConnectAttempt, ConnectedAlsoWhenTheClientCameFirstAndDisconnectsOneThatLeft) {
    struct Case {
        const char* name;
        bool succeeded;
        std::uint32_t error;
        ConnectStep want;
    };
    const Case cases[] = {
        {"connected", true, 0, ConnectStep::Connected},
        {"client connected before the call", false, 535, ConnectStep::Connected},
        {"client came and went", false, 232, ConnectStep::DisconnectThenRetry},
        {"invalid handle", false, 6, ConnectStep::Retry},
        {"broken pipe", false, 109, ConnectStep::Retry},
        {"not a pipe", false, 1, ConnectStep::Retry},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(afterConnectAttempt(c.succeeded, c.error), c.want);
    }
}

TEST(Retrying, TriesOnceMoreThanTheRetriesWithAPauseBetweenEachTwo) {
    struct Case {
        const char* name;
        std::uint32_t retries;
        int succeedsAt;  // the attempt that succeeds, 0: none
        bool want;
        int attempts, pauses;
    };
    const Case cases[] = {
        {"no retries, failing", 0, 0, false, 1, 0},
        {"no retries, succeeding", 0, 1, true, 1, 0},
        {"every retry fails", 3, 0, false, 4, 3},
        {"the last retry succeeds", 3, 4, true, 4, 3},
        {"an early retry succeeds", 600, 5, true, 5, 4},
        {"all of many fail", 600, 0, false, 601, 600},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int attempts = 0, pauses = 0;
        const bool succeeded = retrying(
            c.retries,
            [&] {
                ++attempts;
                EXPECT_EQ(pauses, attempts - 1);
                return attempts == c.succeedsAt;
            },
            [&] { ++pauses; });
        EXPECT_EQ(succeeded, c.want);
        EXPECT_EQ(attempts, c.attempts);
        EXPECT_EQ(pauses, c.pauses);
    }
}

}  // namespace
}  // namespace tavik::native::comm
