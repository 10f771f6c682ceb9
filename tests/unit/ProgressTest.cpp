// The progress rules on chunk texts.
#include "engine/Progress.h"

#include <gtest/gtest.h>

namespace {

class ProgressTest : public ::testing::Test {
protected:
    ProgressParser Parser;
    ProgressBars Bars;
    // Feeds the two banner chunks a task starts with.
    void Banner() {
        EXPECT_FALSE(Parser.Consume("time=30.00 x", Bars));
        EXPECT_FALSE(Parser.Consume("time=30.00 x", Bars));
    }
};

TEST_F(ProgressTest, TheThirdChunkMovesBothBars) {
    Parser.BeginTask(40, 0, 80);
    Banner();
    EXPECT_EQ(Bars.Current, 0);
    EXPECT_EQ(Parser.Reading(), 0);
    EXPECT_TRUE(
        Parser.Consume("frame=  250 fps= 98 size=  1024kB time=10.00 bitrate= 838.9kbits/s", Bars));
    EXPECT_EQ(Parser.Reading(), 10);
    EXPECT_EQ(Bars.Current, 25);
    EXPECT_EQ(Bars.Total, 12); // 12.5 goes to the even neighbour

    // Finished tasks count towards the total.
    Parser.BeginTask(40, 20, 80);
    Banner();
    Parser.Consume("time=10.00 ", Bars);
    EXPECT_EQ(Bars.Total, 38); // 37.5
}

TEST_F(ProgressTest, OnlyTheFirstTimeWithABlankAfterItGivesAReading) {
    Parser.BeginTask(100, 0, 100);
    Banner();
    Parser.Consume("time=12.5", Bars); // no blank after the number
    EXPECT_EQ(Parser.Reading(), 0);
    EXPECT_EQ(Bars.Current, 0);
    Parser.Consume("time= 13.0 ", Bars);          // the blank comes first
    Parser.Consume("Time=14.0 ", Bars);           // letter case counts
    Parser.Consume("runtime=x time=15.0 ", Bars); // the first "time" is the one read
    Parser.Consume("time=abc ", Bars);
    Parser.Consume("time=1e999 ", Bars); // out of range
    Parser.Consume("time", Bars);
    EXPECT_EQ(Parser.Reading(), 0);
    // Any character stands where the encoder writes "=".
    Parser.Consume("time:16.5 frame", Bars);
    EXPECT_EQ(Parser.Reading(), 16.5);
    EXPECT_EQ(Bars.Current, 16); // 16.5 to even
}

TEST_F(ProgressTest, TheReadingNeverGoesBackButTheBarsAreRecomputed) {
    Parser.BeginTask(50, 0, 100);
    Banner();
    Parser.Consume("time=20.00 ", Bars);
    Bars = ProgressBars{};
    EXPECT_TRUE(Parser.Consume("time=5.00 bitrate", Bars));
    EXPECT_EQ(Parser.Reading(), 20);
    EXPECT_EQ(Bars.Current, 40);
    EXPECT_EQ(Bars.Total, 20);
}

TEST_F(ProgressTest, BarsAreHeldWithin0To100AndZeroLengthsLeaveThemAlone) {
    Parser.BeginTask(10, 0, 10);
    Banner();
    Parser.Consume("time=12.00 ", Bars); // the encoder overshoots the clip
    EXPECT_EQ(Bars.Current, 100);
    EXPECT_EQ(Bars.Total, 100);

    Parser.BeginTask(-1, 0, 5); // a clip length that is not a time
    Banner();
    Parser.Consume("time=1.00 ", Bars);
    EXPECT_EQ(Bars.Current, 0);
    EXPECT_EQ(Bars.Total, 20);

    Bars = ProgressBars{7, 9};
    Parser.BeginTask(0, 0, 0);
    Banner();
    EXPECT_TRUE(Parser.Consume("time=3.00 ", Bars));
    EXPECT_EQ(Bars.Current, 7);
    EXPECT_EQ(Bars.Total, 9);
}

TEST_F(ProgressTest, ANewTaskStartsFromNothing) {
    Parser.BeginTask(10, 0, 20);
    Banner();
    Parser.Consume("time=8.00 ", Bars);
    Parser.BeginTask(10, 10, 20);
    EXPECT_EQ(Parser.Reading(), 0);
    // The new task's first two chunks are skipped again.
    EXPECT_FALSE(Parser.Consume("time=2.00 ", Bars));
    EXPECT_FALSE(Parser.Consume("time=2.00 ", Bars));
    EXPECT_EQ(Bars.Current, 80);
    Parser.Consume("time=2.00 ", Bars);
    EXPECT_EQ(Bars.Current, 20);
    EXPECT_EQ(Bars.Total, 60);
}

} // namespace
