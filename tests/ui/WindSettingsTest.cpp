// The settings dialog in the test's own process, driven by real clicks and keys: its controls, the grid's
// cells and clicks, OK and Cancel, the log buttons, the about box, and both downloads against the skit
// server.
#include "ui/WindSettings.h"

#include "host/Settings.h"
#include "library/ListSignature.h"
#include "library/SkitFileWriters.h"
#include "net/WinInetDownloadJob.h"
#include "support/ErrorCodes.h"
#include "support/LocalTime.h"
#include "support/MessageBoxes.h"
#include "tests/gui/HelpTesting.h"
#include "tests/gui/WindowTesting.h"
#include "tests/host/ScopedStartup.h"
#include "tests/library/CatalogTestSupport.h"
#include "tests/library/TestSigning.h"
#include "tests/net/FakeConnectionCost.h"
#include "tests/net/NetTesting.h"
#include "ui/AboutBox.h"
#include "ui/SkitGrid.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

using catalog_testing::Downloaded;
using catalog_testing::Skit;
using testing_windows::ClickAt;
using testing_windows::ClickControl;
using testing_windows::PressKey;
using testing_windows::PumpUntil;

namespace {

constexpr int kName = 0;
constexpr int kDownload = 1;
constexpr int kPlay = 2;

SkitRecord InState(SkitRecord skit, std::uint8_t state, std::uint8_t play) {
    skit.state = state;
    skit.play = play;
    return skit;
}

std::string Today() {
    SYSTEMTIME today{};
    GetLocalTime(&today);
    char text[64] = "";
    GetDateFormatA(LOCALE_USER_DEFAULT, 0, &today, "MMMM d, yyyy", text, sizeof text);
    return text;
}

class WindSettingsTest : public testing::Test {
protected:
    WindSettingsTest() : saved_(Settings) {
        environment_.skits = folder_ / "skits";
        environment_.downloads = folder_ / "downloads";
        std::filesystem::create_directory(environment_.skits);
        std::filesystem::create_directory(environment_.downloads);
        environment_.opsFile = folder_ / "zolvane.ops";
        environment_.log = folder_ / "download.log";
        header_.listUrl.text = "http://127.0.0.1:9/skits.syn";
        header_.listFileName.text = "skits.syn";
        header_.listIntervalDays = 7;
        header_.lastListUpdate = catalog_testing::kNoon2025;
        Settings.SyncMethod = smManual;
        Settings.Sound = sndOnce;
        Settings.LogPath = environment_.log;
        RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKeyPath);
        previousBoxes_ = SetMessageBoxHandler([this](HWND, const std::string& text, const std::string&, UINT) {
            boxes.push_back(text);
            return answer;
        });
    }
    ~WindSettingsTest() override {
        dialog_.reset();
        SetMessageBoxHandler(previousBoxes_);
        MutableStartup().SkitLibrary.reset();
        RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKeyPath);
        Settings = saved_;
    }

    // Opens the catalogue with the records (fake downloads unless real ones are asked for) and shows the
    // dialog in front, as start-up does.
    TWindSettings& Open(const std::vector<SkitRecord>& records, bool realDownloads = false) {
        // A dialog and catalogue of an earlier round go first: the catalogue saves as it goes.
        dialog_.reset();
        mainForm_.reset();
        MutableStartup().SkitLibrary.reset();
        WriteOpsFile(environment_.opsFile, header_, records);
        // A downloaded skit stays downloaded only while its movie is there.
        for (const SkitRecord& record : records) {
            if (record.state == dsDownloaded) {
                testing_files::WriteFile(Movie(record.fileName.text), "GIF89a");
            }
        }
        DownloadJobFactory jobs = [this] { return std::make_unique<catalog_testing::FakeDownloadJob>(jobs_); };
        if (realDownloads) {
            jobs = InternetDownloadJobs();
        }
        MutableStartup().SkitLibrary.reset(new SkitCatalog(environment_, jobs, false));
        dialog_ = std::make_unique<TWindSettings>(std::make_unique<net_testing::FakeConnectionCost>(metered));
        mainForm_.emplace(dialog_.get());
        TDrawGrid& grid = dialog_->GridSkits();
        grid.OnMouseDown = [&grid, handle = grid.OnMouseDown, this](UINT button, int x, int y) {
            handle(button, x, y);
            ++gridPresses_;
        };
        dialog_->Show();
        SetForegroundWindow(dialog_->Handle());
        PumpUntil([&] { return GetForegroundWindow() == dialog_->Handle(); }, 2000);
        return *dialog_;
    }

    std::string Movie(const std::string& name) const {
        return (std::filesystem::path(environment_.skits) / name).string();
    }
    HWND Control(const char* name) const { return dialog_->Control(name); }
    bool Enabled(const char* name) const { return IsWindowEnabled(Control(name)) != FALSE; }
    bool DialogGone() const { return !dialog_->HandleAllocated(); }

    void ClickCell(int column, int line, DWORD button = MOUSEEVENTF_LEFTDOWN) {
        TDrawGrid& grid = dialog_->GridSkits();
        const RECT cell = grid.CellRect(column, line);
        ClickAt(grid.Handle(), POINT{(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2}, button);
    }
    // Clicks and waits until the dialog has handled the press.
    void ClickCellAndWait(int column, int line, DWORD button = MOUSEEVENTF_LEFTDOWN) {
        const int presses = gridPresses_;
        ClickCell(column, line, button);
        ASSERT_TRUE(PumpUntil([&] { return gridPresses_ > presses; }, 5000));
    }

    // The colours drawn in the cell, as a sum that changes with the text.
    // The cell's pixels as the grid drew them, row by row.
    std::vector<COLORREF> CellPixels(int column, int line) {
        TDrawGrid& grid = dialog_->GridSkits();
        UpdateWindow(grid.Handle());
        const RECT cell = grid.CellRect(column, line);
        const UniqueWindowDc dc = GetWindowDc(grid.Handle());
        std::vector<COLORREF> pixels;
        for (int y = cell.top; y < cell.bottom; ++y) {
            for (int x = cell.left; x < cell.right; ++x) {
                pixels.push_back(GetPixel(dc.Get().dc, x, y));
            }
        }
        return pixels;
    }
    bool CellHasColour(int column, int line, COLORREF colour) {
        const std::vector<COLORREF> pixels = CellPixels(column, line);
        return std::find(pixels.begin(), pixels.end(), colour) != pixels.end();
    }

    testing_files::ScratchFolder folder_;
    catalog_testing::FakeEnvironment environment_;
    catalog_testing::JobLog jobs_;
    OpsHeader header_;
    std::vector<std::string> boxes;
    int answer = IDYES;
    // What the dialogs opened from now on hear of the connection.
    bool metered = false;

private:
    const ScopedStartup startup_;
    TSettings saved_;
    MessageBoxHandler previousBoxes_;
    std::unique_ptr<TWindSettings> dialog_;
    std::optional<testing_windows::ScopedMainForm> mainForm_;
    int gridPresses_ = 0;
};

} // namespace

// ---- The window and its controls -------------------------------------------------------------------------

TEST_F(WindSettingsTest, AnEmptyCatalogueShowsEveryControlAtItsPlaceAndTheHeaderOnly) {
    TWindSettings& dialog = Open({});
    const HWND window = dialog.Handle();
    EXPECT_EQ(testing_windows::ClassOf(window), "TWindSettings");
    EXPECT_EQ(testing_windows::TextOf(window), "Zolvane");
    EXPECT_NE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_CONTEXTHELP, 0);
    EXPECT_EQ(GetWindowContextHelpId(window), 9999u);
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 526);
    EXPECT_EQ(client.bottom, 317);

    const struct {
        const char* name;
        const char* text;
        RECT place;
        DWORD help;
    } controls[] = {
        {"GroupSkits", "Skit List ", PlaceAt(4, 4, 277, 309), 1},
        // As large as its text.
        {"TxtLastUpdate", "Current as of January 1, 2025", PlaceAt(53, 17, 0, 0), 1},
        {"BtnUpdate", "Download Skit &List", PlaceAt(14, 275, 131, 25), 2},
        {"BtnDownload", "Download &Skits", PlaceAt(156, 275, 113, 25), 3},
        {"RadioUpdate", "How new skits are &downloaded:", PlaceAt(288, 4, 232, 137), 4},
        {"RadioSound", "&Play Sound", PlaceAt(288, 148, 233, 61), 6},
        {"BtnViewLog", "&View Download Log", PlaceAt(288, 216, 113, 25), 5},
        {"BtnResetLog", "Reset Download Log", PlaceAt(408, 216, 113, 25), 7},
        {"Label1", "Use the ? button or press F1 on your keyboard for help.", PlaceAt(312, 248, 175, 26), 9999},
        {"BtnOkay", "&OK", PlaceAt(284, 284, 75, 25), 9999},
        {"BtnCancel", "&Cancel", PlaceAt(364, 284, 75, 25), 9999},
        {"BtnAbout", "&About...", PlaceAt(444, 284, 75, 25), 9999},
    };
    for (const auto& expected : controls) {
        SCOPED_TRACE(expected.name);
        const HWND control = Control(expected.name);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(testing_windows::TextOf(control), expected.text);
        RECT place{};
        GetWindowRect(control, &place);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&place), 2);
        if (IsRectEmpty(&expected.place)) {
            EXPECT_EQ(place.left, expected.place.left);
            EXPECT_EQ(place.top, expected.place.top);
        } else {
            EXPECT_TRUE(EqualRect(&place, &expected.place));
        }
        EXPECT_EQ(GetWindowContextHelpId(control), expected.help);
    }
    // The grid: its place in "Skit List ", the header row only, and its columns.
    TDrawGrid& grid = dialog.GridSkits();
    RECT gridPlace{};
    GetWindowRect(grid.Handle(), &gridPlace);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&gridPlace), 2);
    const RECT expectedGrid = PlaceAt(9, 36, 264, 217);
    EXPECT_TRUE(EqualRect(&gridPlace, &expectedGrid));
    EXPECT_EQ(grid.RowCount(), 1);
    EXPECT_EQ(grid.ColWidth(0), 140);
    EXPECT_EQ(grid.ColWidth(1), 60);
    EXPECT_EQ(grid.ColWidth(2), 40);
    EXPECT_EQ(GetWindowLongA(grid.Handle(), GWL_STYLE) & (WS_VSCROLL | WS_HSCROLL | WS_TABSTOP), WS_VSCROLL);

    EXPECT_TRUE(Enabled("BtnUpdate"));
    EXPECT_FALSE(Enabled("BtnDownload"));
    EXPECT_EQ(dialog.ItemIndex("RadioUpdate"), smManual);
    EXPECT_EQ(dialog.ItemIndex("RadioSound"), sndOnce);
}

// At 144 dots per inch every place grows by half; no control covers another (but for the group boxes
// around theirs) and every text fits its control.
TEST_F(WindSettingsTest, AtAnotherDpiEveryPlaceScalesAndNoTextIsClipped) {
    TWindSettings& dialog = Open({Skit(skRegular, 1, "a.gif")});
    const HWND window = dialog.Handle();
    RECT suggested{};
    GetWindowRect(window, &suggested);
    SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));

    std::vector<std::pair<std::string, RECT>> places;
    for (HWND control = GetWindow(window, GW_CHILD); control != nullptr; control = GetWindow(control, GW_HWNDNEXT)) {
        RECT place{};
        GetWindowRect(control, &place);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&place), 2);
        places.emplace_back(testing_windows::TextOf(control), place);
        const bool groupBox = (GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX &&
                              testing_windows::ClassOf(control) == "Button";
        const std::string text = testing_windows::TextOf(control);
        if (text.empty() || groupBox) {
            continue;
        }
        // The text as the control draws it: in its font, without the mnemonic's '&'.
        std::string shown;
        for (const char c : text) {
            if (c != '&') {
                shown += c;
            }
        }
        const UniqueWindowDc dc = GetWindowDc(control);
        const UniqueSelection font =
            SelectInto(dc.Get().dc, reinterpret_cast<HGDIOBJ>(SendMessageA(control, WM_GETFONT, 0, 0)));
        RECT needed{0, 0, place.right - place.left, 0};
        const bool wraps = (GetWindowLongA(control, GWL_STYLE) & SS_TYPEMASK) == SS_LEFT &&
                           testing_windows::ClassOf(control) == "Static";
        if (wraps) {
            DrawTextA(dc.Get().dc, shown.c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK);
        } else {
            SIZE extent{};
            GetTextExtentPoint32A(dc.Get().dc, shown.data(), static_cast<int>(shown.size()), &extent);
            needed = RECT{0, 0, extent.cx, extent.cy};
        }
        const bool radio = testing_windows::ClassOf(control) == "Button" &&
                           (GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK) == BS_AUTORADIOBUTTON;
        // A radio button's circle and gap take about the text's height before it.
        const int room = (place.right - place.left) - (radio ? needed.bottom + 4 : 0);
        EXPECT_LE(needed.right, room) << text;
        EXPECT_LE(needed.bottom, place.bottom - place.top) << text;
    }
    const RECT expectedOk = ScaleToDpi(PlaceAt(284, 284, 75, 25), 144);
    RECT ok{};
    GetWindowRect(Control("BtnOkay"), &ok);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&ok), 2);
    EXPECT_TRUE(EqualRect(&ok, &expectedOk));
    EXPECT_EQ(dialog.GridSkits().RowHeight(), 27);
    EXPECT_EQ(dialog.GridSkits().ColWidth(1), 90);
    for (std::size_t a = 0; a < places.size(); ++a) {
        for (std::size_t b = a + 1; b < places.size(); ++b) {
            RECT common{};
            RECT both{};
            const bool overlap = IntersectRect(&common, &places[a].second, &places[b].second) != FALSE;
            // Overlapping is fine only where one lies wholly inside the other (a group box's contents).
            UnionRect(&both, &places[a].second, &places[b].second);
            const bool nested = EqualRect(&both, &places[a].second) || EqualRect(&both, &places[b].second);
            EXPECT_TRUE(!overlap || nested) << places[a].first << " and " << places[b].first;
        }
    }
}

TEST_F(WindSettingsTest, EachRowIsDrawnInTheColourOfItsState) {
    Open({InState(Skit(skRegular, 1, "a.gif"), dsAvailable, pcNo),
          InState(Skit(skRegular, 2, "b.gif"), dsScheduled, pcAfterDownload),
          InState(Skit(skRegular, 3, "c.gif"), dsFailed, pcNo)});
    const COLORREF green = RGB(0, 128, 0);
    const COLORREF grey = RGB(128, 128, 128);
    EXPECT_TRUE(CellHasColour(kName, 0, RGB(0, 0, 0)));
    EXPECT_TRUE(CellHasColour(kDownload, 1, green));
    EXPECT_TRUE(CellHasColour(kPlay, 2, green));
    EXPECT_TRUE(CellHasColour(kDownload, 3, grey));
    EXPECT_FALSE(CellHasColour(kDownload, 3, green));
}

// ---- The grid's clicks ---------------------------------------------------------------------------------------

TEST_F(WindSettingsTest, ClicksOnDownloadAndPlayCellsCycleAndRedrawTheCells) {
    TWindSettings& dialog = Open(
        {InState(Skit(skRegular, 1, "a.gif"), dsAvailable, pcNo), Downloaded(Skit(skRegular, 2, "b.gif")),
         InState(Skit(skRegular, 3, "c.gif"), dsFailed, pcYes), InState(Skit(skRegular, 4, "d.gif"), dsFailed, pcNo)});
    const struct {
        int column;
        int line;
        std::uint8_t state;
        std::uint8_t play;
    } clicks[] = {
        // Available: scheduled and played after download; again: back to available, not played.
        {kDownload, 1, dsScheduled, pcAfterDownload},
        {kDownload, 1, dsAvailable, pcNo},
        // Play of an available skit schedules it; Play again takes back the play choice only.
        {kPlay, 1, dsScheduled, pcAfterDownload},
        {kPlay, 1, dsScheduled, pcNo},
        {kPlay, 1, dsScheduled, pcAfterDownload},
        {kDownload, 1, dsAvailable, pcNo},
        // Downloaded: scheduled again, played after download; again: done, still after download.
        {kDownload, 2, dsScheduled, pcAfterDownload},
        {kDownload, 2, dsDownloaded, pcAfterDownload},
        {kPlay, 2, dsDownloaded, pcNo},
        {kPlay, 2, dsDownloaded, pcYes},
        // Failed: scheduled; "played" becomes "after download", "not played" stays.
        {kDownload, 3, dsScheduled, pcAfterDownload},
        {kDownload, 4, dsScheduled, pcNo},
        // Play of a failed skit that is not played changes nothing.
        {kDownload, 4, dsFailed, pcNo},
        {kPlay, 4, dsFailed, pcNo},
        // The name column changes nothing.
        {kName, 2, dsDownloaded, pcYes},
    };
    for (const auto& click : clicks) {
        SCOPED_TRACE("column " + std::to_string(click.column) + " line " + std::to_string(click.line));
        const GridRow old = dialog.Rows()[static_cast<std::size_t>(click.line - 1)];
        const std::vector<COLORREF> download = CellPixels(kDownload, click.line);
        const std::vector<COLORREF> play = CellPixels(kPlay, click.line);
        ClickCellAndWait(click.column, click.line);
        const GridRow& row = dialog.Rows()[static_cast<std::size_t>(click.line - 1)];
        EXPECT_EQ(row.state, click.state);
        EXPECT_EQ(row.play, click.play);
        // A cell whose text changed is drawn anew.
        if (DownloadCellText(old.state) != DownloadCellText(row.state)) {
            EXPECT_TRUE(CellPixels(kDownload, click.line) != download) << "line " << click.line;
        }
        if (PlayCellText(old.play) != PlayCellText(row.play)) {
            EXPECT_TRUE(CellPixels(kPlay, click.line) != play) << "line " << click.line;
        }
    }
}

TEST_F(WindSettingsTest, SchedulingSwapsTheDownloadButtonsAndOtherClicksChangeNothing) {
    TWindSettings& dialog = Open({Skit(skRegular, 1, "a.gif")});
    const std::vector<GridRow> before = dialog.Rows();
    ClickCellAndWait(kDownload, 0);
    ClickCellAndWait(kDownload, 1, MOUSEEVENTF_RIGHTDOWN);
    ClickCellAndWait(kPlay, 1, MOUSEEVENTF_MIDDLEDOWN);
    EXPECT_EQ(dialog.Rows()[0].state, before[0].state);
    EXPECT_EQ(dialog.Rows()[0].play, before[0].play);
    EXPECT_TRUE(Enabled("BtnUpdate"));
    EXPECT_FALSE(Enabled("BtnDownload"));

    ClickCellAndWait(kDownload, 1);
    EXPECT_FALSE(Enabled("BtnUpdate"));
    EXPECT_TRUE(Enabled("BtnDownload"));
    ClickCellAndWait(kDownload, 1);
    EXPECT_TRUE(Enabled("BtnUpdate"));
    EXPECT_FALSE(Enabled("BtnDownload"));
}

TEST_F(WindSettingsTest, TheCellUnderTheMouseGivesItsHintAboutASecondLaterAndLinksShowTheHand) {
    TWindSettings& dialog = Open({InState(Skit(skRegular, 1, "a.gif"), dsFailed, pcNo)});
    TDrawGrid& grid = dialog.GridSkits();
    const struct {
        int column;
        int line;
        std::string hint;
        bool hand;
    } cells[] = {
        {kDownload, 1, "This skit failed to download. Check the log for errors and click here to reschedule.", true},
        {kPlay, 1, "This skit will not be played.", true},
        {kName, 1, "About skit 1", false},
        {kPlay, 0, "", false},
    };
    for (const auto& cell : cells) {
        SCOPED_TRACE(cell.hint);
        const RECT rect = grid.CellRect(cell.column, cell.line);
        POINT point{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
        ClientToScreen(grid.Handle(), &point);
        SetCursorPos(point.x, point.y);
        ASSERT_TRUE(PumpUntil([&] { return grid.Hint() == cell.hint && !grid.HintShowing(); }, 3000));
        EXPECT_EQ(grid.Cursor() == LoadCursorA(nullptr, IDC_HAND), cell.hand);
        if (!cell.hint.empty()) {
            EXPECT_TRUE(PumpUntil([&] { return grid.ShownHint() == cell.hint; }, 3000));
        }
    }
}

// ---- OK and Cancel -----------------------------------------------------------------------------------------

TEST_F(WindSettingsTest, OkStoresBothChoicesInTheRegistryAndTheGridInTheOpsFile) {
    TWindSettings& dialog = Open({Skit(skRegular, 1, "a.gif")});
    ClickControl(Control("RadioUpdate0"));
    ClickControl(Control("RadioSound2"));
    ClickCellAndWait(kDownload, 1);
    ASSERT_TRUE(PumpUntil([&] { return dialog.ItemIndex("RadioSound") == sndNever; }, 3000));
    // Enter is the OK button's unless another button has the focus.
    SetFocus(Control("RadioSound2"));
    PressKey(VK_RETURN);
    ASSERT_TRUE(PumpUntil([&] { return DialogGone(); }, 5000));

    DWORD sound = 99;
    DWORD syncMethod = 99;
    DWORD size = sizeof sound;
    EXPECT_EQ(RegGetValueA(HKEY_CURRENT_USER, kSettingsKeyPath, "Sound", RRF_RT_REG_DWORD, nullptr, &sound, &size),
              ERROR_SUCCESS);
    size = sizeof syncMethod;
    EXPECT_EQ(
        RegGetValueA(HKEY_CURRENT_USER, kSettingsKeyPath, "SyncMethod", RRF_RT_REG_DWORD, nullptr, &syncMethod, &size),
        ERROR_SUCCESS);
    EXPECT_EQ(sound, static_cast<DWORD>(sndNever));
    EXPECT_EQ(syncMethod, static_cast<DWORD>(smAutomatic));

    // The program's end saves the catalogue.
    MutableStartup().SkitLibrary.reset();
    SkitCatalog reopened(environment_, nullptr, false);
    EXPECT_EQ(reopened.Records()[0].state, dsScheduled);
    EXPECT_EQ(reopened.Records()[0].play, pcAfterDownload);
}

// OK saves where a failure can be shown; the save at the program's end drops its errors.
TEST_F(WindSettingsTest, OkSavesTheCatalogueAtOnceAndAFailedSaveIsShownWithTheDialogLeftOpen) {
    TWindSettings& dialog = Open({Skit(skRegular, 1, "a.gif")});
    ClickCellAndWait(kDownload, 1);
    ASSERT_EQ(dialog.Rows()[0].state, dsScheduled);
    // A save writes its new file at this name first: a folder there makes it fail.
    const std::string blocker = environment_.opsFile + "1";
    std::filesystem::create_directory(blocker);
    ClickControl(Control("BtnOkay"));
    ASSERT_TRUE(PumpUntil([&] { return !boxes.empty(); }, 5000));
    EXPECT_EQ(boxes[0].rfind("Your choices could not be saved. ", 0), 0u) << boxes[0];
    EXPECT_FALSE(DialogGone());

    std::filesystem::remove(blocker);
    ClickControl(Control("BtnOkay"));
    ASSERT_TRUE(PumpUntil([&] { return DialogGone(); }, 5000));
    EXPECT_EQ(boxes.size(), 1u);
    std::filesystem::create_directory(blocker);
    MutableStartup().SkitLibrary.reset();
    std::filesystem::remove(blocker);
    SkitCatalog reopened(environment_, nullptr, false);
    EXPECT_EQ(reopened.Records()[0].state, dsScheduled);
}

TEST_F(WindSettingsTest, CancelStoresNothing) {
    TWindSettings& dialog = Open({Skit(skRegular, 1, "a.gif")});
    ClickControl(Control("RadioSound2"));
    ClickCellAndWait(kDownload, 1);
    ASSERT_EQ(dialog.Rows()[0].state, dsScheduled);
    PressKey(VK_ESCAPE);
    ASSERT_TRUE(PumpUntil([&] { return DialogGone(); }, 5000));

    EXPECT_EQ(RegGetValueA(HKEY_CURRENT_USER, kSettingsKeyPath, "Sound", RRF_RT_REG_DWORD, nullptr, nullptr, nullptr),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Settings.Sound, sndOnce);
    MutableStartup().SkitLibrary.reset();
    SkitCatalog reopened(environment_, nullptr, false);
    EXPECT_EQ(reopened.Records()[0].state, dsAvailable);
}

// ---- The log, the about box ------------------------------------------------------------------------------

TEST_F(WindSettingsTest, ResetDownloadLogDeletesTheLogOnlyOnYes) {
    Open({});
    for (const int reply : {IDNO, IDYES}) {
        testing_files::WriteFile(environment_.log, "a line\r\n");
        answer = reply;
        boxes.clear();
        ClickControl(Control("BtnResetLog"));
        ASSERT_TRUE(PumpUntil([&] { return !boxes.empty(); }, 5000));
        EXPECT_EQ(boxes[0], "Are you sure you want delete the download log?");
        PumpUntil([] { return false; }, 100);
        EXPECT_EQ(std::filesystem::exists(environment_.log), reply == IDNO);
    }
}

TEST_F(WindSettingsTest, ViewDownloadLogThatCannotOpenSaysWhy) {
    Open({});
    const std::string unopenable = folder_ / "download.zolvanenoprogram";
    testing_files::WriteFile(unopenable, "a line\r\n");
    const struct {
        std::string log;
        ErrorCode reason;
    } cases[] = {{folder_ / "no-such.log", ERROR_FILE_NOT_FOUND}, {unopenable, ERROR_NO_ASSOCIATION}};
    for (const auto& c : cases) {
        Settings.LogPath = c.log;
        boxes.clear();
        ClickControl(Control("BtnViewLog"));
        ASSERT_TRUE(PumpUntil([&] { return !boxes.empty(); }, 10000));
        EXPECT_EQ(boxes[0], ErrorText(c.reason));
    }
}

namespace {

// What the about box said while it was up.
std::string gAboutSeen;

// The about box runs a message loop of its own: the test looks at it from a timer there, and clicks it.
void CALLBACK LookAtTheAboutBox(HWND, UINT, UINT_PTR id, DWORD) {
    if (AboutBox == nullptr || !IsWindowVisible(AboutBox->WindowHandle())) {
        return;
    }
    KillTimer(nullptr, id);
    gAboutSeen = AboutBox->VersionNumber();
    ClickAt(AboutBox->WindowHandle(), POINT{200, 150});
}

} // namespace

TEST_F(WindSettingsTest, AboutShowsTheAboutBoxWithTheVersionUntilAClick) {
    Open({});
    std::string& seen = gAboutSeen;
    seen.clear();
    const UINT_PTR timer = SetTimer(nullptr, 0, 300, &LookAtTheAboutBox);
    ClickControl(Control("BtnAbout"));
    EXPECT_TRUE(PumpUntil([&] { return !seen.empty() && AboutBox == nullptr; }, 10000));
    KillTimer(nullptr, timer);
    EXPECT_EQ(seen, "Version 1.0.0.0");
}

TEST_F(WindSettingsTest, F1OpensTheHelpPageAtTheTopicOfTheFocusedControlOrAtItsTop) {
    testing_help::ProbeHelpViewer viewer(folder_);
    const std::string page = folder_ / ("zolvane" + testing_help::kExtension);
    testing_files::WriteFile(page, "<html></html>");
    Settings.HelpFilePath = page;
    Open({});
    SetFocus(Control("BtnViewLog"));
    PressKey(VK_F1);
    const std::string topic = viewer.AwaitProbe();
    EXPECT_NE(topic.find("#context-5\""), std::string::npos) << topic;
    SetFocus(Control("BtnOkay"));
    PressKey(VK_F1);
    EXPECT_EQ(viewer.AwaitProbe(), "\"" HARNESS_PROBE "\" \"" + page + "\"\n");

    // The title bar's "?" and then a click on a control: the system asks the control (Wine has no "?").
    HELPINFO info{};
    info.cbSize = sizeof info;
    info.iContextType = HELPINFO_WINDOW;
    info.hItemHandle = Control("RadioSound1");
    info.dwContextId = GetWindowContextHelpId(Control("RadioSound1"));
    SendMessageA(Control("RadioSound1"), WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
    const std::string sound = viewer.AwaitProbe();
    EXPECT_NE(sound.find("#context-6\""), std::string::npos) << sound;
}

// ---- Downloads -----------------------------------------------------------------------------------------------

TEST_F(WindSettingsTest, AMergeThatFailsEndsTheDownloadAndLeavesTheDialogEnabled) {
    TWindSettings& dialog = Open({});
    ClickControl(Control("BtnUpdate"));
    ASSERT_TRUE(PumpUntil([&] { return jobs_.started.size() == 1; }, 5000));
    ASSERT_NE(dialog.Status(), nullptr);
    EXPECT_EQ(dialog.Status()->ProcessText(), "Downloading files...");
    EXPECT_FALSE(IsWindowEnabled(dialog.Handle()));
    EXPECT_TRUE(dialog.UpdateTimerOn());

    testing_files::WriteFile(jobs_.started[0].localFile, "not a skit list");
    SendMessageA(dialog.Handle(), kDownloadDoneMessage, 0, 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].rfind("Error downloading Skit list. ", 0), 0u) << boxes[0];
    EXPECT_EQ(dialog.Status(), nullptr);
    EXPECT_TRUE(IsWindowEnabled(dialog.Handle()));
    EXPECT_FALSE(dialog.UpdateTimerOn());
}

// With downloadsPlanned 3, downloadsDone 1 and 512 of 1024 bytes, the bar runs from 0 to 300 and stands at
// 150; the texts are the job's own.
TEST_F(WindSettingsTest, TheProgressWindowAndTheErrorBoxShowWhatTheJobReports) {
    std::vector<SkitRecord> skits;
    for (std::int32_t id = 1; id <= 3; ++id) {
        skits.push_back(InState(Skit(skRegular, id, "skit" + std::to_string(id) + ".gif"), dsScheduled, pcYes));
    }
    TWindSettings& dialog = Open(skits);
    ClickControl(Control("BtnDownload"));
    ASSERT_TRUE(PumpUntil([&] { return jobs_.started.size() == 1; }, 5000));
    testing_files::WriteFile(jobs_.started[0].localFile, "GIF89a");
    SendMessageA(dialog.Handle(), kDownloadDoneMessage, 0, 0);
    ASSERT_EQ(jobs_.started.size(), 2u);
    EXPECT_TRUE(jobs_.askBeforeHangUp);

    jobs_.snapshot = DownloadSnapshot{jobs_.started[1].displayName, 512, 1024, "HTTP status 404 Not Found."};
    dialog.UpdateTimerTimer();
    ASSERT_NE(dialog.Status(), nullptr);
    EXPECT_EQ(dialog.Status()->ActivityText(), jobs_.started[1].displayName);
    const HWND bar = FindWindowExA(dialog.Status()->WindowHandle(), nullptr, PROGRESS_CLASSA, nullptr);
    PBRANGE range{};
    SendMessageA(bar, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    EXPECT_EQ(range.iLow, 0);
    EXPECT_EQ(range.iHigh, 300);
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 150);

    SendMessageA(dialog.Handle(), kDownloadDoneMessage, 0, 1);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "Error downloading " + jobs_.started[1].displayName + ". HTTP status 404 Not Found.");
}

// A confirmed cancel enables the dialog while the cancelled job still runs: no second download may start
// until its last message has come.
TEST_F(WindSettingsTest, AfterAConfirmedCancelTheDownloadButtonsStayOffUntilTheSequenceEnds) {
    TWindSettings& dialog =
        Open({InState(Skit(skRegular, 1, "a.gif"), dsScheduled, pcAfterDownload), Skit(skRegular, 2, "b.gif")});
    ClickControl(Control("BtnDownload"));
    ASSERT_TRUE(PumpUntil([&] { return jobs_.started.size() == 1; }, 5000));
    dialog.Status()->BtnCancelClick();
    ASSERT_TRUE(PumpUntil([&] { return jobs_.cancels == 1; }, 5000));
    EXPECT_TRUE(IsWindowEnabled(dialog.Handle()));

    // Neither a click in the grid nor the timer's rebuild turns them on.
    ClickCellAndWait(kDownload, 2);
    dialog.UpdateTimerTimer();
    EXPECT_FALSE(Enabled("BtnUpdate"));
    EXPECT_FALSE(Enabled("BtnDownload"));
    dialog.BtnDownloadClick();
    dialog.BtnUpdateClick();
    EXPECT_EQ(jobs_.started.size(), 1u);

    SendMessageA(dialog.Handle(), kDownloadDoneMessage, 0, 1);
    EXPECT_EQ(boxes, std::vector<std::string>{"Are you sure you want to cancel downloading?"});
    EXPECT_EQ(dialog.Status(), nullptr);
    EXPECT_EQ(dialog.Rows()[0].state, dsFailed);
    EXPECT_TRUE(Enabled("BtnUpdate"));
    EXPECT_FALSE(Enabled("BtnDownload"));
}

// The last message can come while the progress window asks whether to cancel: the window stays until the
// question has been answered, and then goes without cancelling anything.
TEST_F(WindSettingsTest, ASequenceThatEndsDuringTheCancelQuestionLeavesTheProgressWindowUntilTheAnswer) {
    TWindSettings& dialog = Open({});
    ClickControl(Control("BtnUpdate"));
    ASSERT_TRUE(PumpUntil([&] { return jobs_.started.size() == 1; }, 5000));
    TWindStatus& status = *dialog.Status();
    const HWND window = status.WindowHandle();
    bool keptDuringTheQuestion = false;
    const MessageBoxHandler previous =
        SetMessageBoxHandler([&](HWND, const std::string& text, const std::string&, UINT) {
            boxes.push_back(text);
            SendMessageA(dialog.Handle(), kDownloadDoneMessage, 0, 1);
            keptDuringTheQuestion = dialog.Status() == nullptr && IsWindow(window) && status.Asking();
            return IDYES;
        });
    status.BtnCancelClick();
    SetMessageBoxHandler(previous);
    EXPECT_TRUE(keptDuringTheQuestion);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(window); }, 5000));
    EXPECT_EQ(boxes, std::vector<std::string>{"Are you sure you want to cancel downloading?"});
    EXPECT_EQ(jobs_.cancels, 0);
    EXPECT_TRUE(IsWindowEnabled(dialog.Handle()));
    EXPECT_TRUE(Enabled("BtnUpdate"));
}

// The line under the grid says when the show's own downloads wait, and follows the user's choice of how
// skits arrive; the Download buttons fetch on a metered connection all the same.
TEST_F(WindSettingsTest, TheLineUnderTheGridSaysWhenAutomaticDownloadsWaitAndTheButtonsFetchAnyway) {
    const std::string help = "Click in the list to schedule skits for download or play.";
    const std::string waits = "Automatic downloads wait for an unmetered connection.";
    const struct {
        bool metered, downloadOnMetered;
        SyncMethodKind syncMethod;
        const std::string& line;
    } rows[] = {
        {false, false, smAutomatic, help}, {true, false, smAutomatic, waits}, {true, false, smChooseFromList, waits},
        {true, false, smManual, help},     {true, true, smAutomatic, help},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "metered " << row.metered << ", DownloadOnMetered " << row.downloadOnMetered
                                        << ", method " << int{row.syncMethod});
        metered = row.metered;
        Settings.DownloadOnMetered = row.downloadOnMetered;
        Settings.SyncMethod = row.syncMethod;
        Open({});
        EXPECT_EQ(testing_windows::TextOf(Control("Label2")), row.line);
    }

    // Metered, automatic: the line follows the radio buttons, and the list is fetched when asked for.
    metered = true;
    Settings.DownloadOnMetered = false;
    Settings.SyncMethod = smAutomatic;
    Open({});
    ASSERT_EQ(testing_windows::TextOf(Control("Label2")), waits);
    ClickControl(Control("RadioUpdate2"));
    EXPECT_TRUE(PumpUntil([&] { return testing_windows::TextOf(Control("Label2")) == help; }, 5000));
    ClickControl(Control("RadioUpdate1"));
    EXPECT_TRUE(PumpUntil([&] { return testing_windows::TextOf(Control("Label2")) == waits; }, 5000));
    ClickControl(Control("BtnUpdate"));
    EXPECT_TRUE(PumpUntil([&] { return jobs_.started.size() == 1; }, 5000));
}

namespace {

class WindSettingsDownloads : public WindSettingsTest {
protected:
    WindSettingsDownloads() { environment_.now = NowAsLocalFileTime(); }

    // A skit served from the folder; fault is the server's way of answering.
    SkitRecord ServedSkit(std::int32_t id, const std::string& fileName, const std::string& fault = "") {
        SkitRecord skit = Skit(skRegular, id, fileName);
        skit.url.text = net_testing::ServerUrl(served_.Put(fileName, net_testing::SampleBytes(3000)) + fault);
        return skit;
    }

    net_testing::ServedFolder served_;
};

} // namespace

TEST_F(WindSettingsDownloads, DownloadSkitListMergesTheServedListAndShowsTodaysDate) {
    SyncHeader list;
    list.listVersion = 2;
    WriteSyncFile(served_.OnDisk("skits.syn"), list, {ServedSkit(1, "one.gif"), ServedSkit(2, "two.gif")});
    header_.listUrl.text = net_testing::ServerUrl(served_.At("skits.syn"));
    TWindSettings& dialog = Open({}, true);
    ClickControl(Control("BtnUpdate"));
    // A small list comes so fast that the progress window may come and go between two looks: the test
    // waits for the merged skits. (The progress window of a longer download is seen below.)
    ASSERT_TRUE(PumpUntil([&] { return dialog.Rows().size() == 2 || !boxes.empty(); }));
    ASSERT_TRUE(PumpUntil([&] { return !dialog.UpdateTimerOn(); }));

    EXPECT_TRUE(boxes.empty()) << boxes[0];
    ASSERT_EQ(dialog.Rows().size(), 2u);
    EXPECT_EQ(dialog.GridSkits().RowCount(), 3);
    EXPECT_EQ(dialog.Rows()[1].name, "Skit 2");
    EXPECT_EQ(testing_windows::TextOf(Control("TxtLastUpdate")), "Current as of " + Today());
    EXPECT_TRUE(IsWindowEnabled(dialog.Handle()));
    EXPECT_FALSE(dialog.UpdateTimerOn());
}

// Cancel then Yes aborts quietly; the close box then Yes says so. Either way the skit, cancelled at half,
// stays scheduled with what it fetched, and the next Download finishes it with one ranged request.
TEST_F(WindSettingsDownloads, DownloadSkitsFetchesTheScheduledOnesAndACancelledOneIsFinishedByTheNext) {
    for (const bool closeBox : {false, true}) {
        SCOPED_TRACE(closeBox ? "close box" : "Cancel button");
        const SkitRecord fetched = InState(ServedSkit(1, "one.gif"), dsScheduled, pcAfterDownload);
        const std::string stall = "?fault=stall&after=1500";
        const SkitRecord stalled = InState(ServedSkit(2, "two.gif", stall), dsScheduled, pcAfterDownload);
        TWindSettings& dialog = Open({fetched, stalled}, true);
        boxes.clear();
        answer = IDYES;
        ClickControl(Control("BtnDownload"));
        ASSERT_TRUE(PumpUntil([&] { return dialog.Status() != nullptr; }, 5000));
        EXPECT_EQ(testing_windows::TextOf(Control("BtnCancel")), "Close");
        // The first skit arrives; the second stalls until it is cancelled.
        ASSERT_TRUE(PumpUntil([&] { return dialog.Rows()[0].state == dsDownloaded; }));
        const HWND status = dialog.Status()->WindowHandle();
        if (closeBox) {
            // Where the title bar's close box is, found as the window itself would find it.
            RECT frame{};
            GetWindowRect(status, &frame);
            const int y = frame.top + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2;
            for (int x = frame.right - 1; x > frame.left; --x) {
                if (SendMessageA(status, WM_NCHITTEST, 0, MAKELPARAM(x, y)) == HTCLOSE) {
                    testing_windows::ClickScreenAt(POINT{x, y});
                    break;
                }
            }
        } else {
            ClickControl(GetDlgItem(status, IDCANCEL));
        }
        ASSERT_TRUE(PumpUntil([&] { return dialog.Status() == nullptr; }));

        EXPECT_EQ(dialog.Rows()[0].state, dsDownloaded);
        EXPECT_EQ(dialog.Rows()[1].state, dsScheduled);
        ASSERT_EQ(boxes.size(), closeBox ? 2u : 1u);
        EXPECT_EQ(boxes[0], "Are you sure you want to cancel downloading?");
        if (closeBox) {
            EXPECT_EQ(boxes[1], "Error downloading Skit 2. User cancelled the operation.");
        }
        EXPECT_TRUE(IsWindowEnabled(dialog.Handle()));
        EXPECT_TRUE(std::filesystem::exists(Movie("one.gif")));

        ClickControl(Control("BtnDownload"));
        ASSERT_TRUE(PumpUntil([&] { return dialog.Rows()[1].state == dsDownloaded; }));
        EXPECT_TRUE(
            testing_files::SameBytes(testing_files::ReadFile(Movie("two.gif")), net_testing::SampleBytes(3000)));
        EXPECT_TRUE(net_testing::ServerAnswered("GET " + served_.At("two.gif") + stall + " 206 1500"));
        ASSERT_TRUE(PumpUntil([&] { return dialog.Status() == nullptr; }));
    }
}

// The served list is signed by key 1, by key 2 or by none; where keys are named, only key 1's list merges.
// A merged list's skits then arrive, except one whose bytes are not those its list vouches for.
TEST_F(WindSettingsDownloads, WhereKeysAreNamedOnlyAListTheySignedMergesAndAMovieMustMatchItsDigest) {
    const std::string key1 = EncodeBase64(TestPublicKey(1));
    const struct {
        std::vector<std::string> keys;
        int signer;
        std::string refusal;
    } rows[] = {{{key1}, 1, ""},
                {{}, 0, ""},
                {{key1}, 2, "The skit list's signature does not match."},
                {{key1}, 0, "The skit list is not signed."}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.signer);
        environment_.listKeys = row.keys;
        environment_.syncMethod = smAutomatic;
        SkitRecord good = ServedSkit(1, "one.gif");
        const std::string served = net_testing::SampleBytes(3000);
        SetMovieDigest(good, sys::Sha256Of({served.begin(), served.end()}));
        SkitRecord bad = ServedSkit(2, "two.gif");
        SetMovieDigest(bad, sys::Sha256Of({'x'}));
        SyncHeader list;
        list.listVersion = 2;
        WriteSyncFile(served_.OnDisk("skits.syn"), list, {good, bad});
        if (row.signer != 0) {
            SignListForTests(served_.OnDisk("skits.syn"), row.signer);
        }
        header_.listUrl.text = net_testing::ServerUrl(served_.At("skits.syn"));
        TWindSettings& dialog = Open({}, true);
        boxes.clear();
        ClickControl(Control("BtnUpdate"));
        ASSERT_TRUE(PumpUntil([&] { return dialog.Rows().size() == 2 || !boxes.empty(); }));
        ASSERT_TRUE(PumpUntil([&] { return !dialog.UpdateTimerOn(); }));
        if (!row.refusal.empty()) {
            EXPECT_EQ(boxes, std::vector<std::string>{"Error downloading Skit list. " + row.refusal});
            EXPECT_TRUE(dialog.Rows().empty());
            EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(environment_.downloads) / "skits.syn"));
            continue;
        }
        ASSERT_TRUE(boxes.empty()) << boxes[0];
        ClickControl(Control("BtnDownload"));
        ASSERT_TRUE(PumpUntil([&] { return dialog.Rows()[1].state == dsFailed || !boxes.empty(); }));
        ASSERT_TRUE(PumpUntil([&] { return !dialog.UpdateTimerOn(); }));
        EXPECT_EQ(dialog.Rows()[0].state, dsDownloaded);
        EXPECT_TRUE(std::filesystem::exists(Movie("one.gif")));
        EXPECT_FALSE(std::filesystem::exists(Movie("two.gif")));
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(environment_.downloads) / "two.gif"));
    }
}
