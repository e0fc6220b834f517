// The screensaver window in the test's own process: the scrolling message, the preview, and the calls
// to the system for the password flag and the ini file.
#include "host/ScreensaverForm.h"

#include "gui/Application.h"
#include "support/FileNames.h"
#include "support/System.h"
#include "tests/TestFiles.h"
#include "tests/gui/PlainWindow.h"
#include "tests/host/ScopedStartup.h"

#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <string>

namespace {

constexpr int kWidth = 200;

// A screensaver window of known size whose scrolling is stepped by hand.
class ScrollingForm : public TScreensaverForm {
public:
    explicit ScrollingForm(const std::string& prefix) { ErrorPrefix = prefix; }

    using TScreensaverForm::ErrorShowing;
    using TScreensaverForm::ErrorTimer;
    using TScreensaverForm::ScrollText;
    int finished = 0;

    // Steps until the message has left the screen once; the number of steps.
    int StepsOfOnePass() {
        const int before = finished;
        int steps = 0;
        while (finished == before && steps < 100000) {
            ErrorTimerTimer();
            ++steps;
        }
        return steps;
    }

protected:
    void CreateParams(TCreateParams& params) override {
        TScreensaverForm::CreateParams(params);
        params.ClassName = "ZolvaneTestScrollingForm";
        params.X = 0;
        params.Y = 0;
        params.Width = kWidth;
        params.Height = 50;
    }
    void ErrorScrollFinished() override { ++finished; }
};

class ScreensaverFormTest : public testing::Test {
protected:
    void SetUp() override { ErrorScrollX = kErrorScrollNotStarted; }

    const ScopedStartup startup;
};

// The width of a text in the scrolling font, measured apart from the form.
int TextWidth(const std::string& text) {
    const UniqueWindowDc screen = GetWindowDc(nullptr);
    TCanvas canvas(screen.Get().dc);
    canvas.SetFont(TFontSpec{});
    return canvas.TextExtent(text).cx;
}

} // namespace

TEST_F(ScreensaverFormTest, TheMessageStartsWithThePrefixWhenThereIsOne) {
    ScrollingForm withPrefix("Zolvane");
    withPrefix.ShowErrorText(std::string("Unable to load any skits."));
    EXPECT_EQ(withPrefix.ScrollText, "Zolvane: Unable to load any skits.");
    withPrefix.ShowErrorText(std::nullopt);
    EXPECT_EQ(withPrefix.ScrollText, "Zolvane");

    ScrollingForm withoutPrefix("");
    withoutPrefix.ShowErrorText(std::string("Unable to load any skits."));
    EXPECT_EQ(withoutPrefix.ScrollText, "Unable to load any skits.");
    withoutPrefix.ShowErrorText(std::nullopt);
    EXPECT_EQ(withoutPrefix.ScrollText, "");
}

TEST_F(ScreensaverFormTest, ShowingAndHidingTheMessageStartsAndStopsItsTimer) {
    ScrollingForm form("Zolvane");
    form.ShowErrorText(std::string("x"));
    EXPECT_EQ(form.ErrorShowing, 1);
    EXPECT_TRUE(form.ErrorTimer.Enabled());
    EXPECT_EQ(form.ErrorTimer.Interval(), 50u);
    form.HideErrorText();
    EXPECT_EQ(form.ErrorShowing, 0);
    EXPECT_FALSE(form.ErrorTimer.Enabled());
}

TEST_F(ScreensaverFormTest, TheMessageEntersOnTheRightAndMovesTwoPixelsAStep) {
    ScrollingForm form("");
    form.ShowErrorText(std::string("Data files missing"));
    form.ErrorTimerTimer();
    EXPECT_EQ(ErrorScrollX, kWidth - 2);
    form.ErrorTimerTimer();
    EXPECT_EQ(ErrorScrollX, kWidth - 4);
}

TEST_F(ScreensaverFormTest, APassEndsOnceTheWholeTextHasLeftOnTheLeftAndTheNextStartsOnTheRight) {
    // Longer than the window: it scrolls in until its end has gone.
    const std::string text = "Zolvane: Data files missing or corrupt. You may need to reinstall this screensaver.";
    ScrollingForm form("");
    form.ShowErrorText(text);
    const int width = TextWidth(text);
    ASSERT_GT(width, kWidth);

    EXPECT_EQ(form.StepsOfOnePass(), (kWidth + width) / 2 + 1);
    EXPECT_EQ(form.finished, 1);
    EXPECT_EQ(ErrorScrollX, kWidth);
    EXPECT_EQ(form.StepsOfOnePass(), (kWidth + width) / 2 + 1);
    EXPECT_EQ(form.finished, 2);
}

TEST_F(ScreensaverFormTest, ASecondMessageGoesOnFromWhereTheFirstStood) {
    ScrollingForm form("");
    form.ShowErrorText(std::string("first"));
    for (int step = 0; step < 10; ++step) {
        form.ErrorTimerTimer();
    }
    EXPECT_EQ(ErrorScrollX, kWidth - 20);
    form.ShowErrorText(std::string("second"));
    EXPECT_EQ(ErrorScrollX, kWidth - 20);
    form.ErrorTimerTimer();
    EXPECT_EQ(ErrorScrollX, kWidth - 22);
}

TEST_F(ScreensaverFormTest, TheScrollingTextIsWhiteOnBlackAlongTheTop) {
    ScrollingForm form("");
    form.Show();
    form.ShowErrorText(std::string("IIIIIIIIIIIIIIIIIIII"));
    for (int step = 0; step < 60; ++step) {
        form.ErrorTimerTimer();
    }
    const UniqueWindowDc dc = GetWindowDc(form.Handle());
    int white = 0;
    int other = 0;
    for (int x = 0; x < kWidth; ++x) {
        for (int y = 0; y < 30; ++y) {
            const COLORREF colour = GetPixel(dc.Get().dc, x, y);
            white += colour == RGB(255, 255, 255) ? 1 : 0;
            other += colour != RGB(255, 255, 255) && colour != RGB(0, 0, 0) ? 1 : 0;
        }
    }
    EXPECT_GT(white, 20);
    EXPECT_EQ(other, 0);
    EXPECT_EQ(GetPixel(dc.Get().dc, 5, 40), RGB(0, 0, 0));
}

namespace {

class UsePasswordValue {
public:
    ~UsePasswordValue() { RegDeleteKeyValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "ScreenSaveUsePassword"); }
    void Set(DWORD type, const void* data, DWORD size) {
        ASSERT_EQ(
            RegSetKeyValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "ScreenSaveUsePassword", type, data, size),
            ERROR_SUCCESS);
    }
};

} // namespace

namespace {

// A screensaver with a password in use whose provider refuses every attempt.
class RefusingForm : public TScreensaverForm {
public:
    int asks = 0;

protected:
    void FormShow() override {
        TScreensaverForm::FormShow();
        UsePassword = 1;
    }
    bool AskForPassword() override {
        ++asks;
        return false;
    }
};

} // namespace

// Whatever the mouse and the keys do, a refused password keeps the screensaver: no key gets past it.
TEST(ScreensaverPassword, TenThousandRandomMouseAndKeyMessagesNeverCloseItWhileThePasswordIsRefused) {
    const ScopedStartup startup(rmSaver);
    RefusingForm form;
    form.Show();
    const HWND window = form.Handle();
    ASSERT_FALSE(Application().Terminated());
    std::mt19937 random(20261208);
    const UINT kinds[] = {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN,
                          WM_LBUTTONUP, WM_KEYDOWN,     WM_SYSKEYDOWN,  WM_KEYUP};
    for (int i = 0; i < 10000; ++i) {
        const UINT message = kinds[random() % std::size(kinds)];
        WPARAM wParam = 0;
        LPARAM lParam = MAKELPARAM(random() % 2000, random() % 1200);
        if (message == WM_KEYDOWN || message == WM_SYSKEYDOWN || message == WM_KEYUP) {
            wParam = 1 + random() % 254;
            lParam = 1;
        }
        SendMessageA(window, message, wParam, lParam);
        ASSERT_TRUE(form.HandleAllocated() && IsWindowVisible(window)) << "closed by message " << i;
        ASSERT_FALSE(Application().Terminated()) << "ended by message " << i;
    }
    EXPECT_GT(form.asks, 1000);
}

// The flag is a number of up to four bytes, or a number's text as some setups store it.
TEST(ReadUsePassword, ReadsANumberOrANumbersText) {
    UsePasswordValue value;
    EXPECT_EQ(ReadUsePassword(), 0);

    struct Row {
        DWORD type;
        std::string data;
        std::int32_t expected;
    };
    const Row rows[] = {
        {REG_DWORD, std::string("\x01\0\0\0", 4), 1},
        {REG_DWORD, std::string(4, '\0'), 0},
        {REG_BINARY, std::string("\x02\0\0\0", 4), 2},
        {REG_BINARY, std::string("\x01\0\0\0\0", 5), 0}, // longer than a number
        {REG_SZ, std::string("1\0", 2), 1},
        {REG_SZ, std::string("0\0", 2), 0},
        {REG_SZ, std::string("12\0", 3), 12},
        {REG_EXPAND_SZ, std::string("1\0", 2), 1},
        {REG_SZ, std::string("\0", 1), 0},
        {REG_SZ, std::string("yes\0", 4), 0},
        {REG_SZ, std::string("1x\0", 3), 0},
        {REG_SZ, std::string("1", 1), 1}, // without its terminating zero
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.data));
        value.Set(row.type, row.data.data(), static_cast<DWORD>(row.data.size()));
        EXPECT_EQ(ReadUsePassword(), row.expected);
    }
}

TEST(VerifyPassword, WithoutAPasswordProviderTheScreensaverMayClose) {
    // Wine brings no PASSWORD.CPL into the system folder.
    EXPECT_TRUE(VerifyPassword(nullptr));
}

TEST(SetScreensaverRunning, TellsTheSystemAndTakesItBack) {
    SetScreensaverRunning(true);
    BOOL running = FALSE;
    SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
    EXPECT_TRUE(running);
    SetScreensaverRunning(false);
    SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
    EXPECT_FALSE(running);
}

TEST(IniFileName, IsTheProgramFileWithIni) {
    EXPECT_EQ(IniFileName(), WithExtension(sys::ModuleFileName(), ".ini"));
    const std::string name = "\\host_tests.ini";
    EXPECT_EQ(IniFileName().substr(IniFileName().size() - name.size()), name);
}

TEST(WriteIniValue, WritesAndDeletesKeysAndSections) {
    const std::string file = IniFileName();
    DeleteFileA(file.c_str());
    WriteIniValue("ShellExecute", "Command", "notepad.exe readme.txt");
    WriteIniValue("ShellExecute", "Error", "The system cannot find the file specified.");
    char value[128] = "";
    GetPrivateProfileStringA("ShellExecute", "Command", "", value, sizeof value, file.c_str());
    EXPECT_STREQ(value, "notepad.exe readme.txt");

    WriteIniValue("ShellExecute", "Error", nullptr);
    GetPrivateProfileStringA("ShellExecute", "Error", "gone", value, sizeof value, file.c_str());
    EXPECT_STREQ(value, "gone");
    GetPrivateProfileStringA("ShellExecute", "Command", "", value, sizeof value, file.c_str());
    EXPECT_STREQ(value, "notepad.exe readme.txt");

    WriteIniValue("ShellExecute", nullptr, nullptr);
    GetPrivateProfileStringA("ShellExecute", "Command", "gone", value, sizeof value, file.c_str());
    EXPECT_STREQ(value, "gone");
    DeleteFileA(file.c_str());
}

class EmbedInPreviewTest : public testing::Test {
protected:
    void SetUp() override { MutableStartup().ParentWindow = parent.Get(); }

    const ScopedStartup startup;
    PlainWindow parent{"ZolvaneTestPreviewArea", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 240, 180};
};

TEST_F(EmbedInPreviewTest, MakesTheWindowADisabledChildThatFillsTheParent) {
    PlainWindow saver("ZolvaneTestSaver", WS_POPUP | WS_VISIBLE, 50, 50);
    EmbedInPreview(nullptr, saver.Get());
    EXPECT_EQ(GetParent(saver.Get()), parent.Get());
    // The style is replaced, not combined: the window is hidden until it is shown again.
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(saver.Get(), GWL_STYLE)), static_cast<DWORD>(WS_CHILD | WS_DISABLED));
    RECT parentClient{};
    RECT bounds{};
    GetClientRect(parent.Get(), &parentClient);
    GetWindowRect(saver.Get(), &bounds);
    MapWindowPoints(nullptr, parent.Get(), reinterpret_cast<POINT*>(&bounds), 2);
    EXPECT_EQ(bounds.left, 0);
    EXPECT_EQ(bounds.top, 0);
    EXPECT_EQ(bounds.right, parentClient.right);
    EXPECT_EQ(bounds.bottom, parentClient.bottom);
}

TEST_F(EmbedInPreviewTest, TheApplicationWindowGoesAlongHidden) {
    PlainWindow application("ZolvaneTestApplication", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    PlainWindow saver("ZolvaneTestSaver", WS_POPUP | WS_VISIBLE, 50, 50);
    EmbedInPreview(application.Get(), saver.Get());
    EXPECT_EQ(GetParent(application.Get()), parent.Get());
    EXPECT_FALSE(IsWindowVisible(application.Get()));
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(application.Get(), GWL_STYLE)),
              static_cast<DWORD>(WS_CHILD | WS_DISABLED));
}

TEST_F(EmbedInPreviewTest, WithoutAParentTheWindowIsNeitherMovedNorSized) {
    MutableStartup().ParentWindow = nullptr;
    PlainWindow saver("ZolvaneTestSaver", WS_POPUP | WS_VISIBLE, 50, 50);
    RECT before{};
    GetWindowRect(saver.Get(), &before);
    EmbedInPreview(nullptr, saver.Get());
    RECT after{};
    GetWindowRect(saver.Get(), &after);
    EXPECT_EQ(after.right - after.left, before.right - before.left);
    EXPECT_EQ(after.bottom - after.top, before.bottom - before.top);
    // The system keeps siblings clipped for a window that stays on the desktop.
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(saver.Get(), GWL_STYLE)) & ~static_cast<DWORD>(WS_CLIPSIBLINGS),
              static_cast<DWORD>(WS_CHILD | WS_DISABLED));
}
