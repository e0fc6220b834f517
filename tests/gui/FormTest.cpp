// The window framework: forms, close actions, timers, the edge that catches every failure, and the
// canvas that cleans up after itself.
#include "gui/Form.h"
#include "gui/Application.h"
#include "gui/Canvas.h"
#include "support/Error.h"
#include "support/MessageBoxes.h"
#include "tests/gui/WindowTesting.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

using testing_windows::PumpUntil;
using testing_windows::ScopedMainForm;

namespace {

constexpr UINT kMsgFail = WM_USER + 1;

// A form that notes what happens to it and fails on request.
class TestForm : public TForm {
public:
    TCloseAction closeAction = caFree;
    bool changeAction = false;
    int closeAsked = 0;
    int shown = 0;
    std::vector<UINT> seen;
    std::function<void()> failure;

    using TForm::DefaultHandler;

protected:
    void CreateParams(TCreateParams& params) override {
        params.ClassName = "ZolvaneTestForm";
        params.Caption = "Test form";
        params.X = 10;
        params.Y = 10;
        params.Width = 200;
        params.Height = 100;
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        seen.push_back(message);
        if (message == kMsgFail && failure) {
            failure();
        }
        return TForm::WindowProc(message, wParam, lParam);
    }
    void FormShow() override { ++shown; }
    void FormClose(TCloseAction& action) override {
        ++closeAsked;
        if (changeAction) {
            action = closeAction;
        }
    }
};

struct Box {
    std::string text;
    std::string caption;
};

// Notes message boxes instead of showing them.
class BoxRecorder {
public:
    BoxRecorder() {
        previous_ = SetMessageBoxHandler([this](HWND, const std::string& text, const std::string& caption, UINT) {
            boxes.push_back({text, caption});
            return IDOK;
        });
    }
    ~BoxRecorder() { SetMessageBoxHandler(previous_); }
    std::vector<Box> boxes;

private:
    MessageBoxHandler previous_;
};

bool Contains(const std::vector<UINT>& messages, UINT message) {
    for (UINT seen : messages) {
        if (seen == message) {
            return true;
        }
    }
    return false;
}

} // namespace

TEST(Form, TheWindowIsMadeWhenFirstNeededAndItsCreationReachesTheDerivedForm) {
    TestForm form;
    EXPECT_FALSE(form.HandleAllocated());
    HWND window = form.Handle();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(form.Handle(), window);
    EXPECT_TRUE(Contains(form.seen, WM_NCCREATE));
    EXPECT_TRUE(Contains(form.seen, WM_CREATE));
    char className[64] = "";
    GetClassNameA(window, className, sizeof className);
    EXPECT_STREQ(className, "ZolvaneTestForm");
}

TEST(Form, ShowRunsFormShowBeforeTheWindowIsVisible) {
    TestForm form;
    form.Show();
    EXPECT_EQ(form.shown, 1);
    EXPECT_TRUE(IsWindowVisible(form.Handle()));
}

TEST(Form, AHandlerCanRefuseToClose) {
    TestForm form;
    form.changeAction = true;
    form.closeAction = caNone;
    form.Show();
    SendMessageA(form.Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(form.closeAsked, 1);
    EXPECT_TRUE(IsWindow(form.WindowHandle()));
    EXPECT_TRUE(IsWindowVisible(form.WindowHandle()));
}

TEST(Form, ClosingAFormThatIsNotTheMainOneHidesIt) {
    TestForm form;
    form.Show();
    form.Close();
    EXPECT_TRUE(form.HandleAllocated());
    EXPECT_FALSE(IsWindowVisible(form.WindowHandle()));
}

TEST(Form, ClosingTheMainFormDestroysItsWindowAndEndsTheMessageLoop) {
    TestForm form;
    const ScopedMainForm mainForm(&form);
    form.Show();
    HWND window = form.Handle();
    PostMessageA(window, WM_CLOSE, 0, 0);
    Application().Run();
    EXPECT_EQ(form.closeAsked, 1);
    EXPECT_FALSE(form.HandleAllocated());
    EXPECT_FALSE(IsWindow(window));
}

TEST(Form, TheMessageLoopCanRunAgainForANewMainForm) {
    for (int run = 0; run < 2; ++run) {
        TestForm form;
        const ScopedMainForm mainForm(&form);
        form.Show();
        PostMessageA(form.Handle(), WM_CLOSE, 0, 0);
        Application().Run();
        EXPECT_EQ(form.closeAsked, 1) << "run " << run;
        EXPECT_TRUE(Application().Terminated());
    }
}

TEST(Form, AMainWindowDestroyedFromOutsideEndsTheMessageLoop) {
    TestForm form;
    const ScopedMainForm mainForm(&form);
    form.Show();
    HWND window = form.Handle();
    PostMessageA(window, kMsgFail, 0, 0);
    form.failure = [window] { DestroyWindow(window); };
    Application().Run();
    EXPECT_FALSE(form.HandleAllocated());
    EXPECT_EQ(form.closeAsked, 0);
}

TEST(Form, DeletingTheFormDestroysItsWindow) {
    HWND window = nullptr;
    {
        TestForm form;
        window = form.Handle();
        ASSERT_TRUE(IsWindow(window));
    }
    EXPECT_FALSE(IsWindow(window));
}

TEST(Form, FailuresInTheWindowProcedureAreShownAndGoNoFurther) {
    BoxRecorder recorder;
    TestForm form;
    HWND window = form.Handle();

    form.failure = [] { throw EZolvaneError("The file is missing or corrupt."); };
    SendMessageA(window, kMsgFail, 0, 0);
    form.failure = [] { throw std::runtime_error("bad allocation"); };
    SendMessageA(window, kMsgFail, 0, 0);
    form.failure = [] { throw 42; };
    SendMessageA(window, kMsgFail, 0, 0);

    ASSERT_EQ(recorder.boxes.size(), 3u);
    EXPECT_EQ(recorder.boxes[0].text, "The file is missing or corrupt.");
    EXPECT_EQ(recorder.boxes[0].caption, "Error");
    EXPECT_EQ(recorder.boxes[1].text, "bad allocation");
    EXPECT_EQ(recorder.boxes[1].caption, Application().Title());
    EXPECT_EQ(recorder.boxes[2].text, "Unknown exception.");
    EXPECT_EQ(recorder.boxes[2].caption, "Error");
    EXPECT_TRUE(IsWindow(window));
}

TEST(Form, WhileAnErrorBoxIsOpenFurtherErrorsShowNoMoreBoxes) {
    TestForm form;
    HWND window = form.Handle();
    int shown = 0;
    const MessageBoxHandler previous = SetMessageBoxHandler([&](HWND, const std::string&, const std::string&, UINT) {
        ++shown;
        // A failure that comes again while its box is open, as a failing timer would.
        SendMessageA(window, kMsgFail, 0, 0);
        return IDOK;
    });
    form.failure = [] { throw EZolvaneError("again"); };
    SendMessageA(window, kMsgFail, 0, 0);
    SetMessageBoxHandler(previous);
    EXPECT_EQ(shown, 1);
}

namespace {

class TimerForm : public TestForm {
public:
    static constexpr UINT_PTR kTickId = 7;
    TTimer Ticker{*this, kTickId, 10, [this] { Tick(); }};
    int ticks = 0;
    bool failOnTick = false;

private:
    void Tick() {
        ++ticks;
        if (failOnTick) {
            throw EZolvaneError("tick failed");
        }
    }
};

} // namespace

TEST(Timer, ATimerSetUpBeforeTheWindowStartsWithItAndCallsItsHandler) {
    TimerForm form;
    form.Ticker.SetEnabled(true);
    EXPECT_EQ(form.ticks, 0);
    form.Handle();
    EXPECT_TRUE(PumpUntil([&] { return form.ticks >= 3; }));
}

TEST(Timer, ADisabledTimerCallsNothingEvenForATickAlreadyQueued) {
    TimerForm form;
    form.Ticker.SetEnabled(true);
    HWND window = form.Handle();
    form.Ticker.SetEnabled(false);
    const int before = form.ticks;
    SendMessageA(window, WM_TIMER, TimerForm::kTickId, 0);
    EXPECT_EQ(form.ticks, before);
    EXPECT_FALSE(form.Ticker.Enabled());
}

TEST(Timer, AFailingHandlerIsCaughtAtTheTimersEdge) {
    BoxRecorder recorder;
    TimerForm form;
    form.failOnTick = true;
    form.Ticker.SetEnabled(true);
    form.Handle();
    ASSERT_TRUE(PumpUntil([&] { return form.ticks >= 2; }));
    form.Ticker.SetEnabled(false);
    ASSERT_GE(recorder.boxes.size(), 2u);
    EXPECT_EQ(recorder.boxes[0].text, "tick failed");
}

namespace {

// A 64 x 16 picture in memory to draw on.
class MemoryPicture {
public:
    MemoryPicture() : dc_(CreateCompatibleDC(nullptr)) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = 64;
        info.bmiHeader.biHeight = 16;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        void* bits = nullptr;
        bitmap_.Reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        selection_ = SelectInto(dc_.Get(), bitmap_.Get());
    }
    HDC Dc() const { return dc_.Get(); }

private:
    UniqueMemoryDc dc_;
    UniqueBitmap bitmap_;
    UniqueSelection selection_;
};

} // namespace

TEST(Canvas, FillsAndWritesInItsColoursAndMeasuresText) {
    MemoryPicture picture;
    TCanvas canvas(picture.Dc());
    canvas.SetFont(TFontSpec{});
    canvas.SetBrushColor(RGB(0, 0, 0));
    canvas.FillRect(RECT{0, 0, 64, 16});
    EXPECT_EQ(GetPixel(picture.Dc(), 63, 15), RGB(0, 0, 0));

    canvas.WriteText(0, 0, "Zolvane");
    int white = 0;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 64; ++x) {
            white += GetPixel(picture.Dc(), x, y) == RGB(255, 255, 255) ? 1 : 0;
        }
    }
    EXPECT_GT(white, 20);

    const SIZE one = canvas.TextExtent("Zolvane");
    const SIZE two = canvas.TextExtent("ZolvaneZolvane");
    EXPECT_GT(one.cx, 0);
    EXPECT_EQ(two.cx, 2 * one.cx);
    EXPECT_GT(one.cy, 5);
}

TEST(Canvas, PutsBackTheFontItFoundWhenItGoes) {
    MemoryPicture picture;
    HGDIOBJ before = GetCurrentObject(picture.Dc(), OBJ_FONT);
    HGDIOBJ during = nullptr;
    {
        TCanvas canvas(picture.Dc());
        canvas.SetFont(TFontSpec{});
        canvas.SetFont(TFontSpec{"MS Sans Serif", 12, RGB(0, 255, 0)});
        during = GetCurrentObject(picture.Dc(), OBJ_FONT);
        EXPECT_NE(during, before);
    }
    EXPECT_EQ(GetCurrentObject(picture.Dc(), OBJ_FONT), before);
    // The canvas's own font is gone.
    LOGFONTA font;
    EXPECT_EQ(GetObjectA(during, sizeof font, &font), 0);
}
