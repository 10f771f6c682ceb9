#include "base/TimeText.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

TEST(TimeText, RoundHalfEven) {
    EXPECT_EQ(RoundHalfEven(82.5), 82);
    EXPECT_EQ(RoundHalfEven(83.5), 84);
    EXPECT_EQ(RoundHalfEven(12.5), 12);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(2.51), 3);
    EXPECT_EQ(RoundHalfEven(-0.5), 0);
    EXPECT_EQ(RoundHalfEven(-1.5), -2);
    EXPECT_EQ(RoundHalfEven(0.49), 0);
    // Beyond long long, and NaN: the nearest end, and 0, never a wild value.
    EXPECT_EQ(RoundHalfEven(1e300), LLONG_MAX);
    EXPECT_EQ(RoundHalfEven(-1e300), LLONG_MIN);
    EXPECT_EQ(RoundHalfEven(HUGE_VAL), LLONG_MAX);
    EXPECT_EQ(RoundHalfEven(std::nan("")), 0);
    EXPECT_EQ(RoundHalfEven(9.2e18), 9200000000000000000LL);
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
    // Numbers no time text holds: huge exponents, beyond 2^31 hours in
    // total, out of the double range, not numbers, negative sums.
    for (const char* bad : {"0:0:1e17", "0:0:1e300", "0:0:1e400", "0:0:nan", "0:0:inf", "0:0:-inf",
                            "2147483647:2147483647:0", "2147483648:0:0", "0:0:99999999999999999999",
                            "-1:00:00", "0:0:-5", "0:-1:30"})
        EXPECT_EQ(TimeToSeconds(bad), -1) << bad;
    // The longest time text reads back.
    EXPECT_DOUBLE_EQ(TimeToSeconds("2147483647:59:59.9"), MaxTimeSeconds);
    EXPECT_DOUBLE_EQ(TimeToSeconds("1:-30:0"), 1800); // parts may be negative, the sum not
}

TEST(TimeText, OutOfRangeSecondsStillGiveTextsThatReadBack) {
    EXPECT_EQ(SecondsToTime(-5), "00:00:00");
    EXPECT_EQ(SecondsToTime(std::nan("")), "00:00:00");
    EXPECT_EQ(SecondsToTime(MaxTimeSeconds), "2147483647:59:59.9");
    for (double x : {1e17, 1e300, HUGE_VAL})
        EXPECT_DOUBLE_EQ(TimeToSeconds(SecondsToTime(x)), MaxTimeSeconds) << x;
}

TEST(TimeText, EveryTextReadsBackWithinATenth) {
    for (int i = 0; i < 20000; ++i) {
        double x = i * 0.0137 + (i % 7) * 3600.0;
        double back = TimeToSeconds(SecondsToTime(x));
        ASSERT_GE(back, 0) << x;
        ASSERT_LE(std::abs(back - x), 0.05 + 1e-9) << x << " " << SecondsToTime(x);
    }
}
