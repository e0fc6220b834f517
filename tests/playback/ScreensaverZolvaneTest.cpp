// The skit show before there are skits: without a skit library it scrolls the start-up error, and
// tries again after each pass.
#include "playback/ScreensaverZolvane.h"

#include "host/Settings.h"
#include "library/SkitCatalog.h"
#include "library/SkitFileWriters.h"
#include "support/ErrorCodes.h"
#include "support/MessageBoxes.h"
#include "support/WinHandles.h"
#include "tests/TestFiles.h"
#include "tests/gui/PlainWindow.h"
#include "tests/gui/WindowTesting.h"
#include "tests/host/ScopedStartup.h"
#include "tests/library/CatalogTestSupport.h"
#include "tests/net/FakeConnectionCost.h"
#include "ui/WindStatus.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <utility>

namespace {

class ExposedShow : public TScreensaverZolvane {
public:
    explicit ExposedShow(std::unique_ptr<ConnectionCost> cost = nullptr)
        : TScreensaverZolvane(
              [this](TForm& notifyWindow) {
                  DownloadProgressPtr made = MakeWindStatus(notifyWindow);
                  status = static_cast<TWindStatus*>(made.get());
                  return made;
              },
              std::move(cost)) {}

    // The progress window the show made last.
    TWindStatus* status = nullptr;

    using TScreensaverZolvane::ActivePlayer;
    using TScreensaverZolvane::ErrorScrollFinished;
    using TScreensaverZolvane::ErrorShowing;
    using TScreensaverZolvane::HideErrorText;
    using TScreensaverZolvane::RunCount;
    using TScreensaverZolvane::ScrollText;
    using TScreensaverZolvane::SkitTimer;
};

class ScreensaverZolvaneTest : public testing::Test {
protected:
    void SetUp() override { ErrorScrollX = kErrorScrollNotStarted; }

    const ScopedStartup startup;
};

} // namespace

TEST_F(ScreensaverZolvaneTest, ShowingTheScreensaverStartsTheShowSoon) {
    MutableStartup().RunMode = rmSaver;
    ExposedShow show;
    EXPECT_FALSE(show.SkitTimer.Enabled());
    show.Show();
    EXPECT_TRUE(show.SkitTimer.Enabled());
    EXPECT_EQ(show.SkitTimer.Interval(), TScreensaverZolvane::kSkitTimerStartInterval);
}

TEST_F(ScreensaverZolvaneTest, WithoutASkitLibraryATickScrollsTheStartupErrorAfterThePrefix) {
    MutableStartup().RunMode = rmSaver;
    ExposedShow show;
    show.Show();
    show.SkitTimerTimer();
    EXPECT_FALSE(show.SkitTimer.Enabled());
    EXPECT_EQ(show.ErrorShowing, 1);
    EXPECT_EQ(show.ScrollText, "Zolvane: Data files missing or corrupt. You may need to reinstall this screensaver.");

    // A start-up error with a text of its own scrolls that text.
    MutableStartup().StartupError = "Pak not found.";
    show.SkitTimerTimer();
    EXPECT_EQ(show.ScrollText, "Zolvane: Pak not found.");
}

TEST_F(ScreensaverZolvaneTest, AfterEachPassTheShowTriesAgain) {
    MutableStartup().RunMode = rmSaver;
    ExposedShow show;
    show.Show();
    show.SkitTimerTimer();
    show.ErrorScrollFinished();
    EXPECT_EQ(show.ErrorShowing, 0);
    EXPECT_TRUE(show.SkitTimer.Enabled());
    EXPECT_EQ(show.SkitTimer.Interval(), TScreensaverZolvane::kSkitTimerStartInterval);
    show.SkitTimerTimer();
    EXPECT_EQ(show.ErrorShowing, 1);
}

TEST_F(ScreensaverZolvaneTest, ThePreviewRunsNoShowAndScrollsNothing) {
    MutableStartup().RunMode = rmPreview;
    ExposedShow preview;
    preview.Show();
    EXPECT_FALSE(preview.SkitTimer.Enabled());
    preview.SkitTimerTimer();
    EXPECT_EQ(preview.ErrorShowing, 0);
    EXPECT_EQ(preview.ScrollText, "");
}

// In another process Wine does not draw a child of our window, so the preview picture is looked at here,
// with the program's resources linked into the test.
TEST_F(ScreensaverZolvaneTest, ThePreviewShowsThePictureInTheTopLeftCornerOnBlack) {
    const PlainWindow parent("ZolvaneTestPreviewArea", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 240, 180);
    MutableStartup().RunMode = rmPreview;
    MutableStartup().ParentWindow = parent.Get();
    TScreensaverZolvane preview;
    EmbedInPreview(nullptr, preview.Handle());
    preview.Show();
    EXPECT_FALSE(IsWindowEnabled(preview.Handle()));

    const UniqueBitmap picture(static_cast<HBITMAP>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(101), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    ASSERT_TRUE(picture);
    BITMAP info{};
    GetObjectA(picture.Get(), sizeof info, &info);
    EXPECT_EQ(info.bmWidth, 152);
    EXPECT_EQ(info.bmHeight, 112);
    EXPECT_EQ(info.bmBitsPixel, 24);
    const UniqueMemoryDc pictureDc(CreateCompatibleDC(nullptr));
    const UniqueSelection selected = SelectInto(pictureDc.Get(), picture.Get());

    const UniqueWindowDc dc = GetWindowDc(preview.Handle());
    const POINT samples[] = {{0, 0}, {5, 5}, {75, 50}, {20, 100}, {140, 30}, {151, 111}};
    EXPECT_TRUE(testing_windows::PumpUntil([&] {
        for (const POINT& at : samples) {
            if (GetPixel(dc.Get().dc, at.x, at.y) != GetPixel(pictureDc.Get(), at.x, at.y)) {
                return false;
            }
        }
        return true;
    }));
    EXPECT_EQ(GetPixel(dc.Get().dc, 160, 50), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(dc.Get().dc, 75, 120), RGB(0, 0, 0));
}

// ---- With a skit library --------------------------------------------------------------------------

namespace {

class ShowWithLibrary : public ScreensaverZolvaneTest {
protected:
    ShowWithLibrary() : saved_(Settings) {
        environment_.skits = folder_.Path();
        environment_.downloads = folder_.Path();
        environment_.opsFile = folder_ / "zolvane.ops";
        environment_.now = NowAsLocalFileTime();
        Settings.SyncMethod = smManual;
        Settings.Sound = sndAlways;
    }
    ~ShowWithLibrary() override {
        MutableStartup().SkitLibrary.reset();
        Settings = saved_;
    }

    void OpenLibrary(const std::vector<SkitRecord>& records) {
        OpsHeader header;
        header.listUrl.text = "http://127.0.0.1:9/skits.syn";
        header.listFileName.text = "skits.syn";
        header.listIntervalDays = 7;
        header.lastListUpdate = NowAsLocalFileTime();
        WriteOpsFile(environment_.opsFile, header, records);
        MutableStartup().SkitLibrary.reset(new SkitCatalog(
            environment_, [this] { return std::make_unique<catalog_testing::FakeDownloadJob>(jobs_); }, false));
    }

    testing_files::ScratchFolder folder_;
    catalog_testing::FakeEnvironment environment_;
    catalog_testing::JobLog jobs_;
    TSettings saved_;
};

} // namespace

TEST_F(ShowWithLibrary, WithNoSkitAtAllTheShowSaysSoAndTriesAgainAfterThePass) {
    OpenLibrary({});
    MutableStartup().RunMode = rmSaver;
    ExposedShow show;
    show.Show();
    show.SkitTimerTimer();
    EXPECT_EQ(show.ScrollText, "Zolvane: Unable to load any skits.");
    EXPECT_FALSE(show.SkitTimer.Enabled());
    show.ErrorScrollFinished();
    EXPECT_TRUE(show.SkitTimer.Enabled());
    show.HideErrorText();
    show.ScrollText.clear();
    show.SkitTimerTimer();
    EXPECT_EQ(show.ScrollText, "Zolvane: Unable to load any skits.");
}

TEST_F(ShowWithLibrary, APlayerThatCannotStartIsReportedAndTheNextChoiceFollows) {
    const SkitRecord skit = catalog_testing::Downloaded(catalog_testing::Skit(skRegular, 1, "one.gif"));
    testing_files::WriteFile(folder_ / "one.gif", "GIF89a");
    OpenLibrary({skit});
    Settings.Player = folder_ / "no-such-player.exe";
    Settings.Sound = sndOnce;

    MutableStartup().RunMode = rmSaver;
    ExposedShow show;
    show.Show();
    show.SkitTimerTimer();
    EXPECT_EQ(show.ScrollText, "Zolvane: " + ErrorText(ERROR_FILE_NOT_FOUND) + " one.gif");
    EXPECT_EQ(show.RunCount, 1);
    EXPECT_EQ(show.ActivePlayer, nullptr);
    // "Once" is spent by the first start, even one that failed.
    EXPECT_EQ(Settings.Sound, sndNever);

    show.ErrorScrollFinished();
    show.SkitTimerTimer();
    EXPECT_EQ(show.RunCount, 2);
    EXPECT_EQ(Startup().SkitLibrary->Records()[0].plays, 2);
}

TEST_F(ShowWithLibrary, EndedDuringADownloadItWaitsWithTheProgressWindowAndEndsEvenWhenTheMergeFails) {
    OpenLibrary({});
    MutableStartup().RunMode = rmSaver;
    ExposedShow show;
    const testing_windows::ScopedMainForm mainForm(&show);
    show.Show();
    ASSERT_TRUE(Startup().SkitLibrary->StartSkitListDownload(show.Handle(), true));
    std::vector<std::string> boxes;
    const MessageBoxHandler previous =
        SetMessageBoxHandler([&](HWND, const std::string& text, const std::string&, UINT) {
            boxes.push_back(text);
            return IDOK;
        });

    show.Close();
    ASSERT_NE(show.status, nullptr);
    EXPECT_TRUE(IsWindowVisible(show.status->WindowHandle()));
    EXPECT_FALSE(IsWindowVisible(show.WindowHandle()));
    EXPECT_EQ(show.status->ProcessText(), "Downloading files...");
    EXPECT_EQ(show.status->ActivityText(), "Skit list");
    EXPECT_TRUE(jobs_.askBeforeHangUp);
    SendMessageA(show.Handle(), kMsgCancelDownload, 0, 0);
    EXPECT_EQ(jobs_.cancels, 1);

    // The list that arrived is no pak: the merge fails, the sequence ends, and so does the program.
    testing_files::WriteFile(folder_ / "skits.syn", "not a skit list");
    SendMessageA(show.Handle(), kDownloadDoneMessage, 0, 0);
    SetMessageBoxHandler(previous);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].rfind("Error downloading Skit list. ", 0), 0u) << boxes[0];
    EXPECT_EQ(jobs_.jobsAlive, 0);
    EXPECT_FALSE(show.HandleAllocated());
}

// On a metered connection the second choice starts no download, again and again, and the trace log says
// why once; DownloadOnMetered lets the same choice start it.
TEST_F(ShowWithLibrary, OnAMeteredConnectionTheShowsDownloadWaitsAndTheTraceSaysWhyOnce) {
    SkitRecord wanted = catalog_testing::Skit(skRegular, 1, "wanted.gif");
    wanted.state = dsScheduled;
    OpenLibrary({wanted});
    Settings.SyncMethod = smAutomatic;
    Settings.DownloadOnMetered = false;
    const std::string trace = folder_ / "trace.log";
    TraceSetFile(trace, false);
    MutableStartup().RunMode = rmSaver;
    ExposedShow show(std::make_unique<net_testing::FakeConnectionCost>(true));
    show.Show();
    // Nothing can play, so every try is the second choice again.
    show.RunCount = 1;
    for (int pass = 0; pass < 2; ++pass) {
        show.SkitTimerTimer();
        show.ErrorScrollFinished();
    }
    EXPECT_TRUE(jobs_.started.empty());

    Settings.DownloadOnMetered = true;
    show.SkitTimerTimer();
    TraceUseDefaultFile(true);
    ASSERT_EQ(jobs_.started.size(), 1u);
    EXPECT_EQ(jobs_.started[0].displayName, "Skit list");
    const std::vector<std::string> lines = testing_files::ReadLines(trace);
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) {
                                return line.find("Automatic downloads wait for an unmetered connection.") !=
                                       std::string::npos;
                            }),
              1);
}

TEST_F(ShowWithLibrary, AnEmptyPlayerSettingIsRefusedInTheProgramsOwnWords) {
    testing_files::WriteFile(folder_ / "one.gif", "GIF89a");
    OpenLibrary({catalog_testing::Downloaded(catalog_testing::Skit(skRegular, 1, "one.gif"))});
    Settings.Player.clear();
    MutableStartup().RunMode = rmSaver;
    ExposedShow show;
    show.Show();
    show.SkitTimerTimer();
    EXPECT_EQ(show.ScrollText, "Zolvane: No skit player is set up: the setting Player is empty. one.gif");
    EXPECT_EQ(show.ActivePlayer, nullptr);
}

// ---- With the skit player -------------------------------------------------------------------------

namespace {

// A show whose password, always in use, is refused every time.
class RefusingShow : public ExposedShow {
public:
    ~RefusingShow() override {
        if (ActivePlayer) {
            ActivePlayer->End();
            ActivePlayer->IsFinished(10000);
        }
    }
    int asks = 0;

protected:
    void FormShow() override {
        ExposedShow::FormShow();
        UsePassword = 1;
    }
    bool AskForPassword() override {
        ++asks;
        return false;
    }
};

} // namespace

// A command would take the user out of the screensaver: the password comes first, and after a refusal
// the skit plays on, whether or not the system counts a screensaver as running.
TEST_F(ShowWithLibrary, WithAPasswordACommandKeyAsksFirstAndARefusalKeepsTheSkitPlaying) {
    ASSERT_TRUE(CopyFileA(SKITPLAYER_SAMPLES "\\long.gif", (folder_ / "long.gif").c_str(), FALSE));
    SkitRecord keyed = catalog_testing::Downloaded(catalog_testing::Skit(skRegular, 1, "long.gif"));
    keyed.keyCode = 'C';
    keyed.keyAction = 2;
    keyed.keyText.text = "C:\\no-such-command.exe";
    OpenLibrary({keyed});
    Settings.Player = SKITPLAYER_EXE;
    Settings.SkitsPath = folder_.Path();
    MutableStartup().RunMode = rmSaver;
    for (const bool saverRunning : {false, true}) {
        SCOPED_TRACE(saverRunning ? "a screensaver runs" : "no screensaver runs");
        SetScreensaverRunning(saverRunning);
        RefusingShow show;
        show.Show();
        show.SkitTimerTimer();
        ASSERT_NE(show.ActivePlayer, nullptr);
        SendMessageA(show.Handle(), WM_KEYDOWN, 'C', 1);
        EXPECT_EQ(show.asks, 1);
        ASSERT_NE(show.ActivePlayer, nullptr);
        EXPECT_FALSE(show.ActivePlayer->IsFinished(0));
        EXPECT_TRUE(show.SkitTimer.Enabled());
        EXPECT_TRUE(IsWindowVisible(show.Handle()));
    }
    SetScreensaverRunning(false);
}
