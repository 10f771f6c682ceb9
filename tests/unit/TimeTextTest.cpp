#include "engine/TimeText.h"

#include <gtest/gtest.h>

TEST(TimeText, RoundHalfEven) {
    EXPECT_EQ(RoundHalfEven(82.5), 82);
    EXPECT_EQ(RoundHalfEven(83.5), 84);
    EXPECT_EQ(RoundHalfEven(12.5), 12);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(2.51), 3);
    EXPECT_EQ(RoundHalfEven(-0.5), 0);
    EXPECT_EQ(RoundHalfEven(-1.5), -2);
    EXPECT_EQ(RoundHalfEven(0.49), 0);
}

TEST(TimeText, SecondsToTime) {
    EXPECT_EQ(SecondsToTime(0), "00:00:00");
    EXPECT_EQ(SecondsToTime(3725), "01:02:05");
    EXPECT_EQ(SecondsToTime(90.5), "00:01:30.5");
    EXPECT_EQ(SecondsToTime(83.25), "00:01:23.2"); // 2.5 tenths go to the even 2
    EXPECT_EQ(SecondsToTime(61), "00:01:01");
    EXPECT_EQ(SecondsToTime(360000), "100:00:00");
    // Tenths that come to 10 carry into the seconds, minutes and hours.
    EXPECT_EQ(SecondsToTime(59.96), "00:01:00");
    EXPECT_EQ(SecondsToTime(3599.97), "01:00:00");
    EXPECT_EQ(SecondsToTime(10.96), "00:00:11");
}

TEST(TimeText, TimeToSeconds) {
    EXPECT_DOUBLE_EQ(TimeToSeconds("00:01:23.45"), 83.45);
    EXPECT_DOUBLE_EQ(TimeToSeconds("1:2:3"), 3723);
    EXPECT_DOUBLE_EQ(TimeToSeconds("1:2:3.5"), 3723.5);
    EXPECT_DOUBLE_EQ(TimeToSeconds("00:00:00.0"), 0);
    EXPECT_DOUBLE_EQ(TimeToSeconds("00:90:00"), 5400); // minutes are not limited to 59
    for (const char* bad : {"00:00:.5", "0:0:.5", "00:10", "abc", "", "a:0:0", "0:0:1:2", "0:0:x"})
        EXPECT_EQ(TimeToSeconds(bad), -1) << bad;
}

TEST(TimeText, EveryTextReadsBackWithinATenth) {
    for (int i = 0; i < 20000; ++i) {
        double x = i * 0.0137 + (i % 7) * 3600.0;
        double back = TimeToSeconds(SecondsToTime(x));
        ASSERT_GE(back, 0) << x;
        ASSERT_LE(std::abs(back - x), 0.05 + 1e-9) << x << " " << SecondsToTime(x);
    }
}
