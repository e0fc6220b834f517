// zolvane.scr in screensaver and preview mode, run as a process and driven as a user would.
#include "tests/app/ZolvaneProcess.h"

#include "support/WinHandles.h"
#include "tests/TestFiles.h"

#include <gtest/gtest.h>

#include <string>

using testing_files::ReadFile;
using testing_files::ScratchFolder;
using testing_files::WriteFile;
using namespace zolvane_process;

namespace {

constexpr const char* kSaverClass = "TScreensaverZolvane";
// Where the pointer rests when the screensaver starts.
constexpr int kStartX = 400;
constexpr int kStartY = 300;
// Long enough for a movement that must not end the screensaver to have been handled.
constexpr DWORD kSettle = 1500;

// "ScreenSaveUsePassword" for the test user, put back afterwards.
class PasswordSetting {
public:
    explicit PasswordSetting(DWORD use) {
        EXPECT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "ScreenSaveUsePassword", REG_DWORD, &use,
                                  sizeof use),
                  ERROR_SUCCESS);
    }
    ~PasswordSetting() { RegDeleteKeyValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "ScreenSaveUsePassword"); }
};

// Moves the pointer as a mouse would, so that the window under it hears of it.
void MovePointerTo(int x, int y) { SetCursorPos(x, y); }

void PressKey(WORD key) {
    INPUT input[2]{};
    input[0].type = INPUT_KEYBOARD;
    input[0].ki.wVk = key;
    input[1] = input[0];
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof(INPUT));
}

// Starts the screensaver with the pointer at rest and waits for its window.
HWND StartSaver(ZolvaneProcess& saver) {
    HWND window = saver.WaitForWindow(kSaverClass);
    EXPECT_NE(window, nullptr) << "no screensaver window";
    return window;
}

} // namespace

TEST(ScreensaverWindow, AJitterOfEightPixelsKeepsItAndNineHorizontallyEndsIt) {
    ScratchFolder folder;
    MovePointerTo(kStartX, kStartY);
    ZolvaneProcess saver(folder, "/s");
    ASSERT_NE(StartSaver(saver), nullptr);

    MovePointerTo(kStartX + 8, kStartY + 8);
    EXPECT_TRUE(saver.StillRunningAfter(kSettle));
    MovePointerTo(kStartX - 8, kStartY - 8);
    EXPECT_TRUE(saver.StillRunningAfter(kSettle));

    MovePointerTo(kStartX + 9, kStartY);
    EXPECT_TRUE(saver.WaitForExit());
    EXPECT_EQ(saver.ExitCode(), 0u);
}

TEST(ScreensaverWindow, NinePixelsVerticallyEndIt) {
    ScratchFolder folder;
    MovePointerTo(kStartX, kStartY);
    ZolvaneProcess saver(folder, "/s");
    ASSERT_NE(StartSaver(saver), nullptr);

    MovePointerTo(kStartX, kStartY - 9);
    EXPECT_TRUE(saver.WaitForExit());
    EXPECT_EQ(saver.ExitCode(), 0u);
}

TEST(ScreensaverWindow, AKeyEndsItAtOnceWithoutAskingForThePassword) {
    ScratchFolder folder;
    Install(FAKE_PASSWORD_CPL, folder / "PASSWORD.CPL");
    WriteFile(folder / "password-answer.txt", "no");
    PasswordSetting password(1);
    MovePointerTo(kStartX, kStartY);
    ZolvaneProcess saver(folder, "/s");
    ASSERT_NE(StartSaver(saver), nullptr);

    PressKey('Q');
    EXPECT_TRUE(saver.WaitForExit());
    EXPECT_EQ(saver.ExitCode(), 0u);
    EXPECT_EQ(ReadFile(folder / "password-asks.txt"), "");
}
