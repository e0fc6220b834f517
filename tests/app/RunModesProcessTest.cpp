// zolvane.scr started with the command lines that Windows and users give it.
#include "tests/TestFiles.h"
#include "tests/app/ZolvaneProcess.h"
#include "tests/gui/PlainWindow.h"

#include <gtest/gtest.h>

#include <string>

using testing_files::ReadFile;
using testing_files::ScratchFolder;
using namespace zolvane_process;

namespace {

constexpr const char* kSaverClass = "TScreensaverZolvane";
constexpr const char* kSettingsClass = "TWindSettings";
constexpr UINT kMsgSecondInstance = WM_USER + 2000;

// Ends a screensaver as a user would, with a key.
void EndWithAKey(ZolvaneProcess& saver, HWND window) {
    PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(saver.WaitForExit());
    EXPECT_EQ(saver.ExitCode(), 0u);
}

// Closes a settings window with its close box.
void CloseWithTheCloseBox(ZolvaneProcess& settings, HWND window) {
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(settings.WaitForExit());
    EXPECT_EQ(settings.ExitCode(), 0u);
}

// Makes Wine load the MPR.DLL file in the system folder for zolvane.scr, for as long as it lives, instead
// of its built-in library (whose file there is only a placeholder).
class NativeMpr {
public:
    NativeMpr() { RegSetKeyValueA(HKEY_CURRENT_USER, kKey, "mpr", REG_SZ, "native", 7); }
    ~NativeMpr() { RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\zolvane.scr"); }

private:
    static constexpr const char* kKey = "Software\\Wine\\AppDefaults\\zolvane.scr\\DllOverrides";
};

} // namespace

class ScreensaverLetters : public testing::TestWithParam<const char*> {};

TEST_P(ScreensaverLetters, StartTheScreensaver) {
    ScratchFolder folder;
    ZolvaneProcess saver(folder, GetParam());
    HWND window = saver.WaitForWindow(kSaverClass);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(saver.CountWindows(kSettingsClass), 0);
    EndWithAKey(saver, window);
}

INSTANTIATE_TEST_SUITE_P(RunModes, ScreensaverLetters, testing::Values("/s", "-S", "s", "Settings"));

class SettingsLetters : public testing::TestWithParam<const char*> {};

TEST_P(SettingsLetters, OpenTheSettingsWindow) {
    ScratchFolder folder;
    Installation installation(folder);
    ZolvaneProcess settings(folder, GetParam());
    HWND window = settings.WaitForWindow(kSettingsClass);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(TextOf(window), "Zolvane");
    EXPECT_EQ(settings.CountWindows(kSaverClass), 0);
    CloseWithTheCloseBox(settings, window);
}

// A leading tab is not skipped, so "\t/s" has no letter of its own.
INSTANTIATE_TEST_SUITE_P(RunModes, SettingsLetters, testing::Values("", "/c", "-C", "/x", "\t/s"));

TEST(RunModes, TheSettingsWindowHasItsDialogSizeAndClosesWithItsCloseBox) {
    ScratchFolder folder;
    Installation installation(folder);
    ZolvaneProcess settings(folder, "/c");
    HWND window = settings.WaitForWindow(kSettingsClass);
    ASSERT_NE(window, nullptr);
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 526);
    EXPECT_EQ(client.bottom, 317);
    const LONG style = GetWindowLongA(window, GWL_STYLE);
    EXPECT_NE(style & WS_SYSMENU, 0);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX), 0);
    CloseWithTheCloseBox(settings, window);
}

TEST(RunModes, ASecondSettingsProcessTellsTheRunningWindowAndOpensNone) {
    ScratchFolder folder;
    Installation installation(folder);
    // A settings process of our own: its mutex and its window.
    const UniqueHandle mutex(CreateMutexA(nullptr, FALSE, "ZolvaneScreensaverConfiguration"));
    PlainWindow running(kSettingsClass, WS_OVERLAPPEDWINDOW);
    ASSERT_NE(running.Get(), nullptr);

    ZolvaneProcess second(folder, "/c");
    EXPECT_TRUE(second.WaitForExit());
    EXPECT_EQ(second.ExitCode(), 0u);

    ASSERT_TRUE(PumpUntil([&] { return !running.ReceivedMessages().empty(); }));
    const PlainWindow::Received& told = running.ReceivedMessages().front();
    EXPECT_EQ(told.message, kMsgSecondInstance);
    EXPECT_EQ(told.wParam, 0u);
    EXPECT_EQ(told.lParam, 0);
    EXPECT_EQ(running.ReceivedMessages().size(), 1u);
}

TEST(RunModes, ASecondSettingsProcessLeavesTheFirstWindowAlone) {
    ScratchFolder folder;
    Installation installation(folder);
    ZolvaneProcess first(folder, "/c");
    HWND window = first.WaitForWindow(kSettingsClass);
    ASSERT_NE(window, nullptr);

    ZolvaneProcess second(folder, "/c");
    EXPECT_TRUE(second.WaitForExit());
    EXPECT_EQ(second.ExitCode(), 0u);
    EXPECT_EQ(first.CountWindows(kSettingsClass), 1);
    EXPECT_TRUE(IsWindowVisible(window));
    CloseWithTheCloseBox(first, window);
}

TEST(RunModes, ASecondSettingsProcessBringsTheOpenWindowToTheFrontAlsoFromTheTaskbar) {
    ScratchFolder folder;
    Installation installation(folder);
    ZolvaneProcess first(folder, "/c");
    HWND window = first.WaitForWindow(kSettingsClass);
    ASSERT_NE(window, nullptr);
    for (const bool minimised : {false, true}) {
        PlainWindow other("ZolvaneTestOtherWindow", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
        SetForegroundWindow(other.Get());
        ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == other.Get(); }));
        if (minimised) {
            ShowWindow(window, SW_MINIMIZE);
            ASSERT_TRUE(PumpUntil([&] { return IsIconic(window) != FALSE; }));
        }

        ZolvaneProcess second(folder, "/c");
        EXPECT_TRUE(second.WaitForExit());
        EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == window; })) << "minimised: " << minimised;
        EXPECT_FALSE(IsIconic(window));
    }
    CloseWithTheCloseBox(first, window);
}

TEST(RunModes, APasswordChangeWithoutTheSystemsFunctionDoesNothingAndEnds) {
    ScratchFolder folder;
    // A DLL without PwdChangePasswordA in MPR.DLL's place.
    SystemStandIn mpr(FAKE_PASSWORD_CPL, "MPR.DLL");
    NativeMpr nativeMpr;
    ZolvaneProcess change(folder, "/a");
    EXPECT_TRUE(change.WaitForExit());
    EXPECT_EQ(change.ExitCode(), 0u);
    EXPECT_EQ(ReadFile(SystemStandIn::Beside("password-asks.txt")), "");
}

TEST(RunModes, APasswordChangeAsksTheSystemForTheScreensaverOwnedByTheGivenWindow) {
    ScratchFolder folder;
    SystemStandIn mpr(FAKE_MPR, "MPR.DLL");
    NativeMpr nativeMpr;
    PlainWindow owner("ZolvaneTestOwner", WS_OVERLAPPEDWINDOW);
    ZolvaneProcess change(folder, "/a " + owner.Number());
    EXPECT_TRUE(change.WaitForExit());
    EXPECT_EQ(change.ExitCode(), 0u);
    EXPECT_EQ(ReadFile(SystemStandIn::Beside("mpr-calls.txt")), "SCRSAVE " + owner.Number() + " 0 0\n");
}

TEST(RunModes, APasswordChangeForANumberThatIsNoWindowHasNoOwner) {
    ScratchFolder folder;
    SystemStandIn mpr(FAKE_MPR, "MPR.DLL");
    NativeMpr nativeMpr;
    ZolvaneProcess change(folder, "/a:7");
    EXPECT_TRUE(change.WaitForExit());
    EXPECT_EQ(ReadFile(SystemStandIn::Beside("mpr-calls.txt")), "SCRSAVE 0 0 0\n");
}
