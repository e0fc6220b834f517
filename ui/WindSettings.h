// The settings dialog of configuration mode, captioned "Zolvane".
//
// The user sees the regular skits of the catalogue in a grid of three columns (Name, Download, Play) and
// clicks the Download and Play cells to choose what is fetched and what is played; chooses how new skits
// arrive and when sound plays; fetches the skit list or the scheduled skits by hand, with the progress
// window; opens or deletes the download log; and opens the help and the about box. OK stores the two
// choices in the registry and hands the grid back to the catalogue; Cancel stores nothing.
//
// States: editing (enabled, no progress window) and downloading (disabled, the progress window shown,
// UpdateTimer on) from a download button until the download-done message that ends the sequence. A
// cancel the user confirms hides the progress window and enables the dialog at once; the window, the
// timer and the disabled download buttons stay until that last message, since the cancelled job still
// runs until then.
//
// The line under the grid tells how to use it, or, while the connection is metered and the show's own
// downloads wait for that reason (with a choice that downloads by itself), says so.
//
// OK saves the two choices and the catalogue at once; a save that fails is shown in a box and the dialog
// stays open, so that nothing the user chose is lost without a word.
//
// Its window class is "TWindSettings": a second configuration process finds the running window by that
// name and tells it (message WM_USER + 2000) instead of opening another one; this window takes no action
// on it.
//
// Places are given at 96 dots per inch and follow the DPI of the window's monitor.
#pragma once

#include "gui/Controls.h"
#include "gui/DrawGrid.h"
#include "gui/Form.h"
#include "library/SkitCatalog.h"
#include "net/ConnectionCost.h"
#include "support/WinHandles.h"
#include "ui/WindStatus.h"

#include <memory>
#include <string>
#include <vector>

class TWindSettings : public TForm {
public:
    // The client area at 96 dots per inch, in pixels.
    static constexpr int kClientWidth = 526;
    static constexpr int kClientHeight = 317;
    // The grid's rows at 96 dots per inch, and the widths of its Download and Play columns.
    static constexpr int kRowHeight = 18;
    static constexpr int kDownloadColumnWidth = 60;
    static constexpr int kPlayColumnWidth = 40;

    static constexpr const char* kWindowClass = "TWindSettings";
    // Tells a running settings window that another one was asked for.
    static constexpr UINT kMsgSecondInstance = WM_USER + 2000;
    // The help context of the dialog itself; its controls have 1 to 7.
    static constexpr DWORD kDialogHelpContext = 9999;

    // The window and its controls are made at once, filled from the settings and the catalogue of
    // start-up (none gives an empty grid). cost says whether the connection is metered; without one the
    // system's answer counts.
    explicit TWindSettings(std::unique_ptr<ConnectionCost> cost = nullptr);
    ~TWindSettings() override;

    // ---- What the dialog does (each also runs from its control) -------------------------------------
    void BuildGrid();
    void WindUpdate();
    bool AnyScheduled() const;
    void GridSkitsMouseDown(UINT button, int x, int y);
    void GridSkitsMouseMove(int x, int y);
    void UpdateHint();
    void HintTimerTimer();
    void BtnUpdateClick();
    void BtnDownloadClick();
    void UpdateTimerTimer();
    void OnDownloadMessage(LPARAM failed);
    void OnCancelMessage();
    void BtnOkayClick();
    void BtnCancelClick();
    void BtnViewLogClick();
    void BtnResetLogClick();
    void BtnAboutClick();
    // command is HELP_CONTEXT with the context number as data; always handled.
    bool FormHelp(UINT command, DWORD data);

    // ---- What tests and the help read ---------------------------------------------------------------
    const std::vector<GridRow>& Rows() const { return rows_; }
    TDrawGrid& GridSkits() { return *grid_; }
    // A control by its role ("BtnOkay", "RadioSound", ...), or none.
    HWND Control(const std::string& name) const;
    // The checked item of a radio group ("RadioUpdate", "RadioSound"), or -1.
    int ItemIndex(const std::string& group) const;
    bool UpdateTimerOn() const { return UpdateTimer.Enabled(); }
    // The progress window while a download sequence runs, or none.
    TWindStatus* Status() const { return status_.get(); }

protected:
    void CreateParams(TCreateParams& params) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    struct ControlLayout;
    static const ControlLayout kControls[];

    void CreateControls();
    void PlaceControls();
    void ApplyDpi(UINT dpi);
    void SetItemIndex(const std::string& group, int index);
    void Command(int id);
    void GridSkitsDrawCell(int column, int row, const RECT& cell, TCanvas& canvas);
    void SetButtonEnabled(HWND button, bool enabled);
    // Shows the progress window, disables the dialog and starts the timer that fills the window.
    void BeginDownloading();
    // Back to editing: the progress window goes, the timer stops, the dialog and the grid come back.
    void EndDownloading();
    // The skit row of the grid line, or none for the header and for lines without a skit.
    GridRow* RowAt(int line);

    UINT dpi_ = kDesignDpi;
    UniqueFont font_;
    std::vector<HWND> controls_;
    std::unique_ptr<TDrawGrid> grid_;
    WindStatusPtr status_;
    std::vector<GridRow> rows_;
    // Where GridSkitsMouseMove saw the mouse last.
    POINT lastMouse_{0, 0};
    TTimer UpdateTimer;
    TTimer HintTimer;
    std::unique_ptr<ConnectionCost> cost_;
    // Asked when the dialog opens and after each download sequence, not at every click.
    bool automaticDownloadsWait_ = false;
};

// The one settings dialog while it lives.
extern TWindSettings* WindSettings;
// The about box while it is shown.
class TAboutBox;
extern TAboutBox* AboutBox;
