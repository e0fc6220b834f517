#include "tools/skitplayer/FramePlan.h"

#include <gtest/gtest.h>

#include <string>

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

// Every frame fills the screen's width or height, keeping its shape, and is centred on the other side.
TEST(FitFrame, ScalesEachFrameToFillTheScreenWithItsShapeKept) {
    const struct {
        int frameWidth, frameHeight, areaWidth, areaHeight;
        int x, y, width, height;
    } cases[] = {
        // Smaller than the screen: enlarged until the height fills it.
        {320, 240, 1280, 800, 106, 0, 1067, 800},
        {160, 100, 1280, 800, 0, 0, 1280, 800},
        // Exactly the screen.
        {1280, 800, 1280, 800, 0, 0, 1280, 800},
        // Larger both ways, with the height the tighter side.
        {1600, 1200, 1280, 800, 106, 0, 1067, 800},
        // Wide: the whole width, centred up and down; larger or smaller than the screen alike.
        {5120, 800, 1280, 800, 0, 300, 1280, 200},
        {640, 100, 1280, 800, 0, 300, 1280, 200},
        // Tall: the whole height, centred across.
        {300, 900, 800, 600, 300, 0, 200, 600},
        {30, 90, 800, 600, 300, 0, 200, 600},
        // Only just too wide: the height shrinks by the same share, rounded.
        {1281, 100, 1280, 800, 0, 350, 1280, 100},
        // A sliver keeps at least one pixel.
        {100000, 1, 100, 100, 0, 49, 100, 1},
        // Nothing to draw, or nowhere to draw it.
        {0, 240, 1280, 800, 0, 0, 0, 0},
        {320, 240, 0, 0, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.frameWidth) + "x" + std::to_string(c.frameHeight) + " on " +
                     std::to_string(c.areaWidth) + "x" + std::to_string(c.areaHeight));
        ExpectBox(FitFrame(c.frameWidth, c.frameHeight, c.areaWidth, c.areaHeight), c.x, c.y, c.width, c.height);
    }
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
