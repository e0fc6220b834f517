// The download progress window: what it shows, and how each way of cancelling asks and answers.
#include "ui/WindStatus.h"

#include "gui/Application.h"
#include "support/MessageBoxes.h"
#include "tests/gui/WindowTesting.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <string>
#include <vector>

using testing_windows::PumpUntil;

namespace {

// The window that started the download: it notes the cancel messages it gets.
class NotifyForm : public TForm {
public:
    int cancels = 0;

protected:
    void CreateParams(TCreateParams& params) override {
        params.ClassName = "ZolvaneTestNotifyForm";
        params.Style = WS_OVERLAPPEDWINDOW;
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == kMsgCancelDownload) {
            ++cancels;
            return 0;
        }
        return TForm::WindowProc(message, wParam, lParam);
    }
};

class WindStatusTest : public testing::Test {
protected:
    WindStatusTest()
        : previous_(SetMessageBoxHandler([this](HWND, const std::string& text, const std::string&, UINT type) {
              questions.push_back(text);
              EXPECT_EQ(type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
              return answer;
          })) {
        owner.Show();
        owner.SetEnabled(false);
    }
    ~WindStatusTest() override { SetMessageBoxHandler(previous_); }

    NotifyForm owner;
    TWindStatus status{&owner};
    std::vector<std::string> questions;
    int answer = IDYES;

private:
    MessageBoxHandler previous_;
};

} // namespace

TEST_F(WindStatusTest, IsMadeHiddenWithItsCaptionSizeAndEmptyLines) {
    const HWND window = status.WindowHandle();
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(IsWindowVisible(window));
    char caption[64] = "";
    GetWindowTextA(window, caption, sizeof caption);
    EXPECT_STREQ(caption, "Zolvane Download Progress");
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, TWindStatus::kClientWidth);
    EXPECT_EQ(client.bottom, TWindStatus::kClientHeight);
    EXPECT_EQ(status.ProcessText(), "");
    EXPECT_EQ(status.ActivityText(), "");
    EXPECT_EQ(status.Cancelled, 0);

    status.SetProcessText("Downloading files...");
    status.SetActivityText("Skit list");
    EXPECT_EQ(status.ProcessText(), "Downloading files...");
    EXPECT_EQ(status.ActivityText(), "Skit list");
}

TEST_F(WindStatusTest, EveryWayOfCancellingAsksAndYesPostsTheCancelAndHides) {
    const struct {
        const char* way;
        UINT message;
        WPARAM key;
        int cancelled;
    } ways[] = {
        {"button", BM_CLICK, 0, 1},
        {"Enter", WM_KEYDOWN, VK_RETURN, 1},
        {"Esc", WM_KEYDOWN, VK_ESCAPE, 1},
        // The close box cancels too, but is no press of Cancel.
        {"close box", WM_CLOSE, 0, 0},
    };
    for (const auto& way : ways) {
        for (const int reply : {IDNO, IDYES}) {
            TWindStatus window(&owner);
            window.Show();
            SetForegroundWindow(window.WindowHandle());
            const HWND button = GetDlgItem(window.WindowHandle(), IDCANCEL);
            SetFocus(button);
            answer = reply;
            questions.clear();
            owner.cancels = 0;
            owner.SetEnabled(false);
            const HWND target = way.message == WM_CLOSE ? window.WindowHandle() : button;
            PostMessageA(target, way.message, way.key, 0);
            ASSERT_TRUE(PumpUntil([&] { return !questions.empty(); }, 5000)) << way.way;
            PumpUntil([] { return false; }, 100);

            EXPECT_EQ(questions, std::vector<std::string>{"Are you sure you want to cancel downloading?"}) << way.way;
            EXPECT_EQ(window.Cancelled, way.cancelled) << way.way;
            EXPECT_EQ(owner.cancels, reply == IDYES ? 1 : 0) << way.way;
            EXPECT_EQ(IsWindowVisible(window.WindowHandle()) != FALSE, reply == IDNO) << way.way;
            EXPECT_EQ(IsWindowEnabled(owner.WindowHandle()) != FALSE, reply == IDYES) << way.way;
        }
    }
}

TEST_F(WindStatusTest, AHiddenWindowClosesWithoutAsking) {
    status.Close();
    PumpUntil([] { return false; }, 100);
    EXPECT_TRUE(questions.empty());
    EXPECT_EQ(owner.cancels, 0);
}
