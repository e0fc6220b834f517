#include "tools/skitplayer/FramePlan.h"

#include <gtest/gtest.h>

TEST(FrameDelayMs, ReadsHundredthsAndTurnsTheShortestIntoATenth) {
    EXPECT_EQ(FrameDelayMs(0), 100u);
    EXPECT_EQ(FrameDelayMs(1), 100u);
    EXPECT_EQ(FrameDelayMs(2), 20u);
    EXPECT_EQ(FrameDelayMs(7), 70u);
    EXPECT_EQ(FrameDelayMs(65535), 655350u);
}

namespace {

void ExpectBox(const FrameBox& box, int x, int y, int width, int height) {
    EXPECT_EQ(box.x, x);
    EXPECT_EQ(box.y, y);
    EXPECT_EQ(box.width, width);
    EXPECT_EQ(box.height, height);
}

} // namespace

TEST(FitFrame, CentresAFrameThatFitsAtItsOwnSize) {
    ExpectBox(FitFrame(320, 240, 1280, 800), 480, 280, 320, 240);
    ExpectBox(FitFrame(321, 241, 1280, 800), 479, 279, 321, 241);
    ExpectBox(FitFrame(1280, 800, 1280, 800), 0, 0, 1280, 800);
}

TEST(FitFrame, ScalesALargerFrameDownToTheSideThatLimitsIt) {
    // Too wide: it takes the whole width and is centred up and down.
    ExpectBox(FitFrame(5120, 800, 1280, 800), 0, 300, 1280, 200);
    // Too tall: the whole height, centred across.
    ExpectBox(FitFrame(300, 900, 800, 600), 300, 0, 200, 600);
    // Larger both ways, with the height the tighter side.
    ExpectBox(FitFrame(1600, 1200, 1280, 800), 106, 0, 1067, 800);
    // Only just too wide: the height shrinks by the same share, rounded.
    ExpectBox(FitFrame(1281, 100, 1280, 800), 0, 350, 1280, 100);
    // A sliver keeps at least one pixel.
    ExpectBox(FitFrame(100000, 1, 100, 100), 0, 49, 100, 1);
}

TEST(FitFrame, GivesAnEmptyBoxForAnEmptyFrameOrArea) {
    ExpectBox(FitFrame(0, 240, 1280, 800), 0, 0, 0, 0);
    ExpectBox(FitFrame(320, 240, 0, 0), 0, 0, 0, 0);
}

TEST(FrameClock, EndsEveryFrameAtTheSumOfTheDelaysSoFar) {
    FrameClock clock({100, 50, 200});
    EXPECT_EQ(clock.Length(), 350u);
    EXPECT_EQ(clock.Frame(), 0u);
    EXPECT_EQ(clock.FrameEndsAt(), 100u);
    EXPECT_EQ(clock.WaitFrom(0), 100u);
    EXPECT_EQ(clock.WaitFrom(30), 70u);

    // The tick for the second frame comes 30 ms late: the third frame still ends at 350, not 380.
    clock.Advance();
    EXPECT_EQ(clock.Frame(), 1u);
    EXPECT_EQ(clock.FrameEndsAt(), 150u);
    clock.Advance();
    EXPECT_EQ(clock.Frame(), 2u);
    EXPECT_EQ(clock.FrameEndsAt(), 350u);
    EXPECT_EQ(clock.WaitFrom(180), 170u);
    EXPECT_FALSE(clock.Finished());

    clock.Advance();
    EXPECT_TRUE(clock.Finished());
    clock.Advance();
    EXPECT_TRUE(clock.Finished());
}

TEST(FrameClock, NeverAsksForAWaitShorterThanATimerKeeps) {
    FrameClock clock({100, 100});
    EXPECT_EQ(clock.WaitFrom(95), 10u);
    EXPECT_EQ(clock.WaitFrom(100), 10u);
    // Very late: the frame is overdue, and the next tick shows the next frame almost at once.
    EXPECT_EQ(clock.WaitFrom(5000), 10u);
}

TEST(FrameClock, HasNothingToPlayWithoutFrames) {
    const FrameClock clock({});
    EXPECT_TRUE(clock.Finished());
    EXPECT_EQ(clock.Length(), 0u);
}
