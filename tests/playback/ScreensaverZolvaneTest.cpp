// The skit show before there are skits: without a skit library it scrolls the start-up error, and
// tries again after each pass.
#include "playback/ScreensaverZolvane.h"

#include "app/RunModes.h"

#include <gtest/gtest.h>

namespace {

class ExposedShow : public TScreensaverZolvane {
public:
    using TScreensaverZolvane::ErrorScrollFinished;
    using TScreensaverZolvane::ErrorShowing;
    using TScreensaverZolvane::ScrollText;
    using TScreensaverZolvane::SkitTimer;
};

class ScreensaverZolvaneTest : public testing::Test {
protected:
    void SetUp() override {
        StartupError = kDefaultStartupError;
        ErrorScrollX = kErrorScrollNotStarted;
        SkitLibrary.reset();
    }
    void TearDown() override { StartupError = kDefaultStartupError; }
};

} // namespace

TEST_F(ScreensaverZolvaneTest, ShowingTheScreensaverStartsTheShowSoon) {
    RunMode = rmSaver;
    ExposedShow show;
    EXPECT_FALSE(show.SkitTimer.Enabled());
    show.Show();
    EXPECT_TRUE(show.SkitTimer.Enabled());
    EXPECT_EQ(show.SkitTimer.Interval(), 50u);
}

TEST_F(ScreensaverZolvaneTest, WithoutASkitLibraryATickScrollsTheStartupErrorAfterThePrefix) {
    RunMode = rmSaver;
    ExposedShow show;
    show.Show();
    show.SkitTimerTimer();
    EXPECT_FALSE(show.SkitTimer.Enabled());
    EXPECT_EQ(show.ErrorShowing, 1);
    EXPECT_EQ(show.ScrollText,
              "Zolvane: Data files missing or corrupt. You may need to reinstall this screensaver.");

    // A start-up error with a text of its own scrolls that text.
    StartupError = "Pak not found.";
    show.SkitTimerTimer();
    EXPECT_EQ(show.ScrollText, "Zolvane: Pak not found.");
}

TEST_F(ScreensaverZolvaneTest, AfterEachPassTheShowTriesAgain) {
    RunMode = rmSaver;
    ExposedShow show;
    show.Show();
    show.SkitTimerTimer();
    show.ErrorScrollFinished();
    EXPECT_EQ(show.ErrorShowing, 0);
    EXPECT_TRUE(show.SkitTimer.Enabled());
    EXPECT_EQ(show.SkitTimer.Interval(), 50u);
    show.SkitTimerTimer();
    EXPECT_EQ(show.ErrorShowing, 1);
}

TEST_F(ScreensaverZolvaneTest, ThePreviewRunsNoShowAndScrollsNothing) {
    RunMode = rmPreview;
    ExposedShow preview;
    preview.Show();
    EXPECT_FALSE(preview.SkitTimer.Enabled());
    preview.SkitTimerTimer();
    EXPECT_EQ(preview.ErrorShowing, 0);
    EXPECT_EQ(preview.ScrollText, "");
}
