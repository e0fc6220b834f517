// Start-up's pieces in the test's own process: reading the command line with real windows, the skit
// library step of each mode and the single settings window.
#include "app/RunModes.h"

#include "app/SkitLibrary.h"
#include "host/Settings.h"
#include "support/Error.h"
#include "tests/gui/PlainWindow.h"
#include "tests/host/ScopedStartup.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

TEST(ParseWindowHandle, FindsTheWindowWrittenInAnyOfTheUsualWays) {
    PlainWindow window("ZolvaneTestWindow", WS_OVERLAPPEDWINDOW);
    for (const std::string& text : {window.Number(), " " + window.Number(), ":" + window.Number(),
                                    "\t" + window.Number(), ": " + window.Number() + " trailing"}) {
        EXPECT_EQ(ParseWindowHandle(text), window.Get()) << text;
    }
}

TEST(ParseWindowHandle, ANumberThatIsNoWindowGivesNone) {
    PlainWindow window("ZolvaneTestWindow", WS_OVERLAPPEDWINDOW);
    const std::string number = window.Number();
    window.Destroy();
    EXPECT_EQ(ParseWindowHandle(number), nullptr);
    EXPECT_EQ(ParseWindowHandle(""), nullptr);
    EXPECT_EQ(ParseWindowHandle("abc"), nullptr);
}

TEST(ParseCommandLine, SetsTheModeAndTheParentWindow) {
    const ScopedStartup startup;
    PlainWindow window("ZolvaneTestWindow", WS_OVERLAPPEDWINDOW);
    const TStartup& values = Startup();

    EXPECT_EQ(ParseCommandLine("/p " + window.Number()), rmPreview);
    EXPECT_EQ(values.RunMode, rmPreview);
    EXPECT_EQ(values.ParentWindow, window.Get());

    EXPECT_EQ(ParseCommandLine("/a:" + window.Number()), rmPassword);
    EXPECT_EQ(values.ParentWindow, window.Get());

    EXPECT_EQ(ParseCommandLine("/s " + window.Number()), rmSaver);
    EXPECT_EQ(values.ParentWindow, nullptr);

    EXPECT_EQ(ParseCommandLine("/p"), rmPreview);
    EXPECT_EQ(values.ParentWindow, nullptr);

    EXPECT_EQ(ParseCommandLine("/c"), rmConfig);
    EXPECT_EQ(values.ParentWindow, GetForegroundWindow());
    EXPECT_EQ(values.StartForeground, GetForegroundWindow());
}

namespace {

class OpenSkitLibraryTest : public testing::Test {
protected:
    const ScopedStartup startup;

    // An opener that notes how it was asked and fails as told.
    std::function<SkitLibraryPtr(bool)> Opener(std::function<void()> failure = nullptr) {
        return [this, failure](bool allowReadOnly) {
            asked.push_back(allowReadOnly);
            if (failure) {
                failure();
            }
            return SkitLibraryPtr();
        };
    }

    std::vector<bool> asked;
};

} // namespace

TEST_F(OpenSkitLibraryTest, TheScreensaverMayReadOnlyAndTheSettingsMayNot) {
    OpenSkitLibraryFor(rmSaver, Opener());
    OpenSkitLibraryFor(rmConfig, Opener());
    EXPECT_EQ(asked, (std::vector<bool>{true, false}));
}

TEST_F(OpenSkitLibraryTest, PreviewAndPasswordChangeOpenNoLibrary) {
    OpenSkitLibraryFor(rmPreview, Opener());
    OpenSkitLibraryFor(rmPassword, Opener());
    EXPECT_TRUE(asked.empty());
}

TEST_F(OpenSkitLibraryTest, TheScreensaverKeepsTheFailuresTextToScrollIt) {
    OpenSkitLibraryFor(rmSaver, Opener([] { throw EZolvaneError("Pak not found."); }));
    EXPECT_EQ(Startup().StartupError, "Pak not found.");
    OpenSkitLibraryFor(rmSaver, Opener([] { throw std::runtime_error("bad allocation"); }));
    EXPECT_EQ(Startup().StartupError, "bad allocation");
    EXPECT_FALSE(Startup().SkitLibrary);
}

TEST_F(OpenSkitLibraryTest, AFailureWithoutTextKeepsTheDefaultStartupError) {
    OpenSkitLibraryFor(rmSaver, Opener([] { throw 42; }));
    EXPECT_EQ(Startup().StartupError, "Data files missing or corrupt. You may need to reinstall this screensaver.");
}

TEST_F(OpenSkitLibraryTest, InTheSettingsAFailureEndsStartUp) {
    EXPECT_THROW(OpenSkitLibraryFor(rmConfig, Opener([] { throw EZolvaneError("Pak not found."); })), EZolvaneError);
    EXPECT_EQ(Startup().StartupError, kDefaultStartupError);
}

TEST_F(OpenSkitLibraryTest, AnInstallationThatNamesNoOpsFileLeavesNoLibraryAndTheDefaultMessage) {
    const TSettings saved = Settings;
    Settings.OpsFilePath.clear();
    OpenSkitLibraryFor(rmSaver, OpenSkitLibrary);
    Settings = saved;
    EXPECT_FALSE(Startup().SkitLibrary);
    EXPECT_EQ(Startup().StartupError, kDefaultStartupError);
}

TEST(ForwardToRunningSettings, TheFirstProcessOpensItsWindowAndALaterOneTellsIt) {
    EXPECT_FALSE(ForwardToRunningSettings());

    // The mutex is there now; without a window the settings still open.
    EXPECT_FALSE(ForwardToRunningSettings());

    PlainWindow running("TWindSettings", WS_OVERLAPPEDWINDOW);
    EXPECT_TRUE(ForwardToRunningSettings());
    MSG told{};
    ASSERT_TRUE(PeekMessageA(&told, running.Get(), WM_USER + 2000, WM_USER + 2000, PM_REMOVE));
    EXPECT_EQ(told.wParam, 0u);
    EXPECT_EQ(told.lParam, 0);
}
