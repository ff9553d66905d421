// app_fps_test.cpp -- the frame-rate counter against the settable clock, and the random routines
// against the known sequence of the Windows C runtime's generator

#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "support.h"

TEST(UpdateFps, MeasuresTheLastTenFramesEveryTenthCall)
{
    struct Row {
        const char* name;
        DWORD at;      // the clock at the tenth call
        int expected;  // 10000 / milliseconds since the measurement before, cut to an integer
    };
    const Row rows[] = {
        {"first measurement is against 0: 10 frames over 5 s of uptime", 5000, 2},
        {"166 ms", 5166, 60},
        {"167 ms", 5333, 59},
        {"1 ms", 5334, 10000},
        {"the same millisecond", 5334, 0},
        {"one second", 6334, 10},
        {"ten seconds", 16334, 1},
        {"longer than ten seconds", 26335, 0},
        {"just before the clock wraps", 0xFFFFFFA0u, 0},
        {"166 ms across the wrap", 0x46, 60},
    };
    int last = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        for (int call = 1; call < 10; ++call)
            ASSERT_EQ(UpdateFps(), last) << "call " << call << " between measurements";
        layer_set_time(row.at);
        EXPECT_EQ(UpdateFps(), row.expected);
        last = row.expected;
    }
}

TEST(Random, FollowsTheRuntimeGeneratorFromStateOne)
{
    // The first draws of rand() in the Windows C runtime, which is never seeded here.
    const std::vector<int> draws = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464};
    std::vector<int> got;
    for (size_t i = 0; i < draws.size(); ++i)
        got.push_back(RandomRange(0, 32768));
    EXPECT_EQ(got, draws);

    RandomState = 1;
    EXPECT_EQ(RandomRange(0, 100), 41);
    EXPECT_EQ(RandomRange(0, 100), 67);   // 18467 % 100
    EXPECT_EQ(RandomRange(-10, 10), 4);   // -10 + 6334 % 20
    EXPECT_EQ(RandomRange(5, 6), 5);
    EXPECT_EQ(RandomRange(INT_MIN, INT_MAX), INT_MIN + 19169) << "the widest span has no overflow";
    EXPECT_EQ(RandomRange(7, 7), 7) << "an empty range gives its low end";

    RandomState = 1;
    for (size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_DOUBLE_EQ(RandomRangeReal(0.0, 1.0), draws[i] / 32767.0);
    }
    EXPECT_DOUBLE_EQ(RandomRangeReal(2.0, 2.0), 2.0);
    EXPECT_DOUBLE_EQ(RandomRangeReal(10.0, 0.0), 10.0 - 15724 * 10.0 / 32767.0) << "reversed ends";
}
