// zolvane.scr in screensaver and preview mode, run as a process and driven as a user would.
#include "tests/TestFiles.h"
#include "tests/app/ZolvaneProcess.h"
#include "tests/gui/PlainWindow.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

using testing_files::ReadFile;
using testing_files::ScratchFolder;
using testing_files::WriteFile;
using namespace zolvane_process;
using testing_windows::PressKey;

namespace {

constexpr const char* kSaverClass = "TScreensaverZolvane";
// Where the pointer rests when the screensaver starts.
constexpr int kStartX = 400;
constexpr int kStartY = 300;
// Long enough for a movement that must not end the screensaver to have been handled.
constexpr DWORD kSettle = 1500;
// Long enough for the program to have heard of the pointer under its new window.
constexpr DWORD kStartSettle = 500;

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

} // namespace

// Each test has a scratch folder for zolvane.scr and what goes beside it.
class ScreensaverWindow : public testing::Test {
protected:
    // Starts the screensaver with the pointer at rest; its window, or null when none came.
    HWND Start() {
        MovePointerTo(kStartX, kStartY);
        saver.emplace(folder, "/s");
        HWND window = saver->WaitForWindow(kSaverClass);
        EXPECT_NE(window, nullptr) << "no screensaver window";
        // The window came up under the pointer: the movement that the system reports for that must
        // have been handled before the test moves the pointer, or it would arrive late, as a movement
        // back to where the pointer was.
        saver->WaitUntilIdle();
        // The show's first step follows at once and can keep the program busy while that report is
        // still on its way (under Wine, from the X server): it is given time to arrive.
        EXPECT_TRUE(saver->StillRunningAfter(kStartSettle));
        return window;
    }

    // The stand-in for the system's password check, refusing every password until told otherwise.
    void InstallPasswordCheck() {
        passwordCheck.emplace(FAKE_PASSWORD_CPL, "PASSWORD.CPL");
        AnswerPasswords("no");
    }
    void AnswerPasswords(const char* answer) { WriteFile(SystemStandIn::Beside("password-answer.txt"), answer); }
    std::string PasswordsAsked() { return ReadFile(SystemStandIn::Beside("password-asks.txt")); }

    ScratchFolder folder;
    // Goes after the screensaver, which may have it loaded.
    std::optional<SystemStandIn> passwordCheck;
    std::optional<ZolvaneProcess> saver;
};

TEST_F(ScreensaverWindow, AJitterOfEightPixelsKeepsItAndNineHorizontallyEndsIt) {
    ASSERT_NE(Start(), nullptr);

    MovePointerTo(kStartX + 8, kStartY + 8);
    EXPECT_TRUE(saver->StillRunningAfter(kSettle));
    MovePointerTo(kStartX - 8, kStartY - 8);
    EXPECT_TRUE(saver->StillRunningAfter(kSettle));

    MovePointerTo(kStartX + 9, kStartY);
    EXPECT_TRUE(saver->WaitForExit());
    EXPECT_EQ(saver->ExitCode(), 0u);
}

TEST_F(ScreensaverWindow, NinePixelsVerticallyEndIt) {
    ASSERT_NE(Start(), nullptr);

    MovePointerTo(kStartX, kStartY - 9);
    EXPECT_TRUE(saver->WaitForExit());
    EXPECT_EQ(saver->ExitCode(), 0u);
}

TEST_F(ScreensaverWindow, WithAPasswordAKeyAsksForItAsTheMouseDoes) {
    InstallPasswordCheck();
    PasswordSetting password(1);
    HWND window = Start();
    ASSERT_NE(window, nullptr);
    const std::string asked = "asked " + std::to_string(reinterpret_cast<INT_PTR>(window)) + "\n";

    PressKey('Q');
    EXPECT_TRUE(PumpUntil([&] { return PasswordsAsked() == asked; }));
    EXPECT_TRUE(saver->StillRunningAfter(kSettle)) << "a refused password keeps the screensaver";

    AnswerPasswords("yes");
    PressKey(VK_ESCAPE);
    EXPECT_TRUE(saver->WaitForExit());
    EXPECT_EQ(saver->ExitCode(), 0u);
}

TEST_F(ScreensaverWindow, ARefusedPasswordKeepsItAndTheNextMovementAsksAgainUntilOneIsAccepted) {
    InstallPasswordCheck();
    PasswordSetting password(1);
    HWND window = Start();
    ASSERT_NE(window, nullptr);
    const std::string asked = "asked " + std::to_string(reinterpret_cast<INT_PTR>(window)) + "\n";

    MovePointerTo(kStartX + 20, kStartY);
    EXPECT_TRUE(PumpUntil([&] { return PasswordsAsked() == asked; }));
    EXPECT_TRUE(saver->StillRunningAfter(kSettle));

    // The refused attempt made the new position the start: a jitter from there asks nothing.
    MovePointerTo(kStartX + 25, kStartY);
    EXPECT_TRUE(saver->StillRunningAfter(kSettle));
    EXPECT_EQ(PasswordsAsked(), asked);

    AnswerPasswords("yes");
    MovePointerTo(kStartX + 40, kStartY + 40);
    EXPECT_TRUE(saver->WaitForExit());
    EXPECT_EQ(PasswordsAsked(), asked + asked);
    EXPECT_EQ(saver->ExitCode(), 0u);
}

TEST_F(ScreensaverWindow, WithoutAPasswordProviderAMovementEndsItEvenWhenAPasswordIsSet) {
    PasswordSetting password(1);
    ASSERT_NE(Start(), nullptr);

    MovePointerTo(kStartX + 30, kStartY + 30);
    EXPECT_TRUE(saver->WaitForExit());
}

TEST_F(ScreensaverWindow, APasswordProviderBesideTheProgramIsNotLoaded) {
    // zolvane.scr's folder is its current folder as well; the system folder has no provider.
    Install(FAKE_PASSWORD_CPL, folder / "PASSWORD.CPL");
    PasswordSetting password(1);
    ASSERT_NE(Start(), nullptr);

    MovePointerTo(kStartX + 30, kStartY + 30);
    EXPECT_TRUE(saver->WaitForExit());
    EXPECT_EQ(ReadFile(folder / "password-asks.txt"), "");
}

TEST_F(ScreensaverWindow, TheSystemNoLongerBelievesAScreensaverRunsOnceItHasEnded) {
    ASSERT_NE(Start(), nullptr);
    PressKey(VK_SPACE);
    ASSERT_TRUE(saver->WaitForExit());
    // Read only now: Wine keeps a process's first answer to this question.
    BOOL running = TRUE;
    SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
    EXPECT_FALSE(running);
}

TEST_F(ScreensaverWindow, CloseFromTheSystemMenuAndTheSystemsScreensaverCommandDoNothing) {
    HWND window = Start();
    ASSERT_NE(window, nullptr);

    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    PostMessageA(window, WM_SYSCOMMAND, SC_SCREENSAVE, 0);
    EXPECT_TRUE(saver->StillRunningAfter(kSettle));
    EXPECT_TRUE(IsWindowVisible(window));

    PressKey(VK_SPACE);
    EXPECT_TRUE(saver->WaitForExit());
}

TEST_F(ScreensaverWindow, CoversTheScreenOnTopWithTheProgramsTitle) {
    HWND window = Start();
    ASSERT_NE(window, nullptr);

    RECT bounds{};
    GetWindowRect(window, &bounds);
    EXPECT_EQ(bounds.left, 0);
    EXPECT_EQ(bounds.top, 0);
    EXPECT_EQ(bounds.right, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(bounds.bottom, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_EQ(GetWindowLongA(window, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME | WS_SYSMENU), 0);
    EXPECT_NE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    EXPECT_EQ(TextOf(window), "Zolvane Screensaver");
}

namespace {

// The columns of the screen's top rows that hold white pixels, as a range; empty when none do.
struct WhiteColumns {
    int first = -1;
    int last = -1;
    bool Any() const { return first >= 0; }
};

WhiteColumns FindWhiteOnTop(HDC screen, int rows) {
    WhiteColumns found;
    const int width = GetSystemMetrics(SM_CXSCREEN);
    for (int x = 0; x < width; ++x) {
        for (int y = 0; y < rows; ++y) {
            if (GetPixel(screen, x, y) == RGB(255, 255, 255)) {
                if (found.first < 0) {
                    found.first = x;
                }
                found.last = x;
                break;
            }
        }
    }
    return found;
}

} // namespace

TEST_F(ScreensaverWindow, WithoutSkitDataTheScreenIsBlackAndTheStartupErrorScrollsAlongTheTop) {
    ASSERT_NE(Start(), nullptr);

    struct ScreenDc {
        HDC dc = GetDC(nullptr);
        ~ScreenDc() { ReleaseDC(nullptr, dc); }
    } screen;
    WhiteColumns before;
    ASSERT_TRUE(PumpUntil([&] { return (before = FindWhiteOnTop(screen.dc, 16)).Any(); }));

    // The text moves left, 2 pixels every 50 ms.
    WhiteColumns later;
    EXPECT_TRUE(PumpUntil([&] { return (later = FindWhiteOnTop(screen.dc, 16)).Any() && later.first < before.first; }));

    // Below the text the screen is black.
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    int notBlack = 0;
    for (int y = 20; y < height; y += 37) {
        for (int x = 0; x < width; x += 41) {
            notBlack += GetPixel(screen.dc, x, y) != RGB(0, 0, 0) ? 1 : 0;
        }
    }
    EXPECT_EQ(notBlack, 0);
}

TEST(PreviewMode, TheWindowBecomesADisabledChildFillingTheParentAndEndsWithIt) {
    ScratchFolder folder;
    PlainWindow parent("ZolvaneTestPreviewArea", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    ASSERT_NE(parent.Get(), nullptr);
    ZolvaneProcess preview(folder, "/p " + parent.Number());

    HWND window = preview.WaitForChildWindow(parent.Get(), kSaverClass);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(GetAncestor(window, GA_PARENT), parent.Get());
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)) & (WS_CHILD | WS_DISABLED | WS_POPUP),
              static_cast<DWORD>(WS_CHILD | WS_DISABLED));
    RECT parentClient{};
    RECT client{};
    GetClientRect(parent.Get(), &parentClient);
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, parentClient.right);
    EXPECT_EQ(client.bottom, parentClient.bottom);
    EXPECT_FALSE(IsWindowEnabled(window));

    // Input does not end a preview.
    PostMessageA(window, WM_KEYDOWN, 'Q', 0);
    PostMessageA(window, WM_LBUTTONDOWN, 0, 0);
    EXPECT_TRUE(preview.StillRunningAfter(kSettle));

    parent.Destroy();
    EXPECT_TRUE(preview.WaitForExit());
    EXPECT_EQ(preview.ExitCode(), 0u);
}

TEST(PreviewMode, WithoutAWindowToDrawIntoItEnds) {
    ScratchFolder folder;
    PlainWindow gone("ZolvaneTestPreviewArea", WS_OVERLAPPEDWINDOW);
    const std::string goneNumber = gone.Number();
    gone.Destroy();
    const struct {
        const char* name;
        std::string arguments;
        bool destroyParent; // the window goes as the program starts: before, while or after it gets in
    } cases[] = {
        {"no number", "/p", false},
        {"a number that is no window", "/p " + goneNumber, false},
        {"a window that goes at once", "", true},
    };
    for (const auto& c : cases) {
        PlainWindow parent("ZolvaneTestPreviewArea", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
        ZolvaneProcess preview(folder, c.destroyParent ? "/p " + parent.Number() : c.arguments);
        if (c.destroyParent) {
            parent.Destroy();
        }
        EXPECT_TRUE(preview.WaitForExit()) << c.name;
        EXPECT_EQ(preview.ExitCode(), 0u) << c.name;
    }
}
