#include "ui/WindSettings.h"

#include "gui/Application.h"
#include "gui/Canvas.h"
#include "gui/Help.h"
#include "host/DownloadStep.h"
#include "host/Settings.h"
#include "host/Startup.h"
#include "resources/resource.h"
#include "support/ErrorCodes.h"
#include "support/MessageBoxes.h"
#include "ui/AboutBox.h"
#include "ui/SkitGrid.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <utility>

TWindSettings* WindSettings = nullptr;
TAboutBox* AboutBox = nullptr;

namespace {

enum ControlId : int {
    kIdNone = -1,
    kIdUpdate = 101,
    kIdDownload,
    kIdViewLog,
    kIdResetLog,
    kIdAbout,
    kIdUpdateFirst = 110,
    kIdSoundFirst = 120,
};

enum TimerId : UINT_PTR { kUpdateTimer = 1, kHintTimer = 2 };

// The dialog owns room for this many grid rows; the catalogue never holds more than 99 skits.
constexpr std::size_t kGridRowRoom = 100;
constexpr int kFontHeight = -11;
// The grid's place, and the gap that its Name column leaves for the other two, the lines and the bar.
constexpr RECT kGridPlace = PlaceAt(9, 36, 264, 217);
constexpr int kNameColumnGap = 124;

constexpr COLORREF kHeaderColor = RGB(0, 0, 0);

constexpr const char* kGridHelpText = "Click in the list to schedule skits for download or play.";

// The skit row of a grid line: line 1 shows row 0.
int RowIndexOfLine(int line) { return line - 1; }

} // namespace

// One control of the dialog, at its place at 96 dots per inch.
struct TWindSettings::ControlLayout {
    const char* name;
    const char* windowClass;
    const char* text;
    DWORD style;
    RECT place;
    int id;
    // 0: the dialog's own.
    DWORD helpContext;
};

// In the order of the Tab key. The labels and the grid inside "Skit List " share its help; a label of no
// size is as large as its text; the radio items spread evenly below their group's caption.
const TWindSettings::ControlLayout TWindSettings::kControls[] = {
    {"GroupSkits", "BUTTON", "Skit List ", BS_GROUPBOX, PlaceAt(4, 4, 277, 309), kIdNone, 1},
    {"TxtLastUpdate", "STATIC", "Current as of <date>", SS_LEFTNOWORDWRAP, PlaceAt(53, 17, 0, 0), kIdNone, 1},
    {"Label2", "STATIC", kGridHelpText, SS_LEFTNOWORDWRAP, PlaceAt(12, 256, 0, 0), kIdNone, 1},
    {"BtnUpdate", "BUTTON", "Download Skit &List", BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, PlaceAt(14, 275, 131, 25),
     kIdUpdate, 2},
    {"BtnDownload", "BUTTON", "Download &Skits", BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, PlaceAt(156, 275, 113, 25),
     kIdDownload, 3},
    {"RadioUpdate", "BUTTON", "How new skits are &downloaded:", BS_GROUPBOX | WS_GROUP, PlaceAt(288, 4, 232, 137),
     kIdNone, 4},
    {"RadioUpdate0", "BUTTON", "Automatically as they are available.", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP,
     PlaceAt(296, 27, 222, 20), kIdUpdateFirst, 4},
    {"RadioUpdate1", "BUTTON", "Show me a list to choose from.", BS_AUTORADIOBUTTON, PlaceAt(296, 66, 222, 20),
     kIdUpdateFirst + 1, 4},
    {"RadioUpdate2", "BUTTON", "Do nothing until I say.", BS_AUTORADIOBUTTON, PlaceAt(296, 105, 222, 20),
     kIdUpdateFirst + 2, 4},
    {"RadioSound", "BUTTON", "&Play Sound", BS_GROUPBOX | WS_GROUP, PlaceAt(288, 148, 233, 61), kIdNone, 6},
    {"RadioSound0", "BUTTON", "Always", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, PlaceAt(296, 173, 74, 20),
     kIdSoundFirst, 6},
    {"RadioSound1", "BUTTON", "Once", BS_AUTORADIOBUTTON, PlaceAt(370, 173, 74, 20), kIdSoundFirst + 1, 6},
    {"RadioSound2", "BUTTON", "Never", BS_AUTORADIOBUTTON, PlaceAt(444, 173, 74, 20), kIdSoundFirst + 2, 6},
    {"BtnViewLog", "BUTTON", "&View Download Log", BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, PlaceAt(288, 216, 113, 25),
     kIdViewLog, 5},
    {"BtnResetLog", "BUTTON", "Reset Download Log", BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, PlaceAt(408, 216, 113, 25),
     kIdResetLog, 7},
    {"Label1", "STATIC", "Use the ? button or press F1 on your keyboard for help.", SS_LEFT, PlaceAt(312, 248, 175, 26),
     kIdNone, 0},
    {"BtnOkay", "BUTTON", "&OK", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, PlaceAt(284, 284, 75, 25), IDOK, 0},
    {"BtnCancel", "BUTTON", "&Cancel", BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, PlaceAt(364, 284, 75, 25), IDCANCEL, 0},
    {"BtnAbout", "BUTTON", "&About...", BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, PlaceAt(444, 284, 75, 25), kIdAbout, 0},
};

TWindSettings::TWindSettings(std::unique_ptr<ConnectionCost> cost)
    : UpdateTimer(*this, kUpdateTimer, 1000, [this] { UpdateTimerTimer(); }),
      HintTimer(*this, kHintTimer, 1000, [this] { HintTimerTimer(); }),
      cost_(cost ? std::move(cost) : SystemConnectionCost()) {
    dpi_ = SystemDpi();
    Handle();
    SetItemIndex("RadioUpdate", Settings.SyncMethod);
    SetItemIndex("RadioSound", Settings.Sound);
    automaticDownloadsWait_ = AutomaticDownloadsWait(*cost_, Settings.DownloadOnMetered);
    BuildGrid();
    WindUpdate();
}

TWindSettings::~TWindSettings() {
    // The progress window belongs to this window: it goes first.
    status_.reset();
    if (WindSettings == this) {
        WindSettings = nullptr;
    }
}

void TWindSettings::CreateParams(TCreateParams& params) {
    params.ClassName = kWindowClass;
    params.Caption = "Zolvane";
    params.Style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_DLGFRAME;
    // The dialog manager moves the focus with Tab and turns Enter and Esc into OK and Cancel.
    params.ExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTEXTHELP | WS_EX_CONTROLPARENT;
    params.Icon = LoadIconA(Application().Instance(), MAKEINTRESOURCEA(IDI_ZOLVANE));
    params.CentreClientOnScreen(ScaleToDpi(kClientWidth, dpi_), ScaleToDpi(kClientHeight, dpi_));
}

void TWindSettings::CreateControls() {
    const HWND window = WindowHandle();
    // The window may sit on a monitor of another DPI than the system's.
    dpi_ = WindowDpi(window);
    font_ = MakeFont("MS Sans Serif", ScaleToDpi(kFontHeight, dpi_));
    SetWindowContextHelpId(window, kDialogHelpContext);
    for (const ControlLayout& layout : kControls) {
        const HWND control = CreateControl(window, layout.windowClass, layout.text, layout.style,
                                           ScaleToDpi(layout.place, dpi_), layout.id, font_.Get());
        SetWindowContextHelpId(control, layout.helpContext != 0 ? layout.helpContext : kDialogHelpContext);
        controls_.push_back(control);
        // The grid sits in "Skit List " after its date line, where the Tab order does not stop.
        if (std::strcmp(layout.name, "TxtLastUpdate") == 0) {
            grid_ = std::make_unique<TDrawGrid>(window, ScaleToDpi(kGridPlace, dpi_));
            SetWindowContextHelpId(grid_->Handle(), 1);
        }
    }
    TDrawGrid& grid = *grid_;
    grid.SetColCount(3);
    grid.SetFont(font_.Get());
    grid.OnDrawCell = [this](int column, int row, const RECT& cell, TCanvas& canvas) {
        GridSkitsDrawCell(column, row, cell, canvas);
    };
    grid.OnMouseDown = [this](UINT button, int x, int y) { GridSkitsMouseDown(button, x, y); };
    grid.OnMouseMove = [this](int x, int y) { GridSkitsMouseMove(x, y); };
    PlaceControls();
    SetButtonEnabled(Control("BtnDownload"), false);
}

void TWindSettings::PlaceControls() {
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        const RECT place = ScaleToDpi(kControls[i].place, dpi_);
        MoveWindow(controls_[i], place.left, place.top, place.right - place.left, place.bottom - place.top, TRUE);
        SendMessageA(controls_[i], WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), TRUE);
        if (IsRectEmpty(&place)) {
            AutoSizeLabel(controls_[i]);
        }
    }
    TDrawGrid& grid = *grid_;
    const RECT gridPlace = ScaleToDpi(kGridPlace, dpi_);
    grid.MoveTo(gridPlace);
    grid.SetFont(font_.Get());
    grid.SetRowHeight(ScaleToDpi(kRowHeight, dpi_));
    grid.SetColWidth(0, gridPlace.right - gridPlace.left - ScaleToDpi(kNameColumnGap, dpi_));
    grid.SetColWidth(1, ScaleToDpi(kDownloadColumnWidth, dpi_));
    grid.SetColWidth(2, ScaleToDpi(kPlayColumnWidth, dpi_));
}

void TWindSettings::ApplyDpi(UINT dpi) {
    if (dpi == dpi_ || dpi == 0) {
        return;
    }
    dpi_ = dpi;
    // The controls take the new font before the old one goes.
    UniqueFont font = MakeFont("MS Sans Serif", ScaleToDpi(kFontHeight, dpi_));
    std::swap(font, font_);
    PlaceControls();
}

HWND TWindSettings::Control(const std::string& name) const {
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        if (name == kControls[i].name) {
            return controls_[i];
        }
    }
    return nullptr;
}

int TWindSettings::ItemIndex(const std::string& group) const {
    for (int item = 0; item < 3; ++item) {
        const HWND radio = Control(group + std::to_string(item));
        if (radio != nullptr && SendMessageA(radio, BM_GETCHECK, 0, 0) == BST_CHECKED) {
            return item;
        }
    }
    return -1;
}

void TWindSettings::SetItemIndex(const std::string& group, int index) {
    for (int item = 0; item < 3; ++item) {
        SendMessageA(Control(group + std::to_string(item)), BM_SETCHECK, item == index ? BST_CHECKED : BST_UNCHECKED,
                     0);
    }
}

void TWindSettings::SetButtonEnabled(HWND button, bool enabled) { EnableWindow(button, enabled ? TRUE : FALSE); }

GridRow* TWindSettings::RowAt(int line) {
    const int index = RowIndexOfLine(line);
    return index >= 0 && index < static_cast<int>(rows_.size()) ? &rows_[static_cast<std::size_t>(index)] : nullptr;
}

// ---- The grid ---------------------------------------------------------------------------------------------

void TWindSettings::BuildGrid() {
    const SkitCatalog* library = Startup().SkitLibrary.get();
    rows_ = library != nullptr ? library->ExportGridRows(skRegular) : std::vector<GridRow>();
    if (rows_.size() > kGridRowRoom) {
        rows_.resize(kGridRowRoom);
    }
    grid_->SetRowCount(static_cast<int>(rows_.size()) + 1);
    grid_->Repaint();
}

bool TWindSettings::AnyScheduled() const {
    return std::any_of(rows_.begin(), rows_.end(), [](const GridRow& row) { return row.state == dsScheduled; });
}

void TWindSettings::WindUpdate() {
    // While a sequence runs (also after a confirmed cancel, until its last message) no other can start.
    const bool idle = status_ == nullptr;
    const bool scheduled = AnyScheduled();
    SetButtonEnabled(Control("BtnUpdate"), idle && !scheduled);
    SetButtonEnabled(Control("BtnDownload"), idle && scheduled);

    // The date as the stored time has it: no time-zone conversion.
    const SkitCatalog* library = Startup().SkitLibrary.get();
    const FileTime stamp = library != nullptr ? library->LastListUpdate() : 0;
    FILETIME fileTime{static_cast<DWORD>(stamp & 0xFFFFFFFFu), static_cast<DWORD>(stamp >> 32)};
    SYSTEMTIME date{};
    char text[128] = "";
    if (FileTimeToSystemTime(&fileTime, &date)) {
        GetDateFormatA(LOCALE_USER_DEFAULT, 0, &date, "MMMM d, yyyy", text, sizeof text);
    }
    SetControlText(Control("TxtLastUpdate"), std::string("Current as of ") + text);
    AutoSizeLabel(Control("TxtLastUpdate"));

    // Under "Do nothing until I say." nothing downloads by itself, so nothing waits either.
    const bool waits = automaticDownloadsWait_ && ItemIndex("RadioUpdate") != smManual;
    SetControlText(Control("Label2"), waits ? kAutomaticDownloadsWaitText : kGridHelpText);
    AutoSizeLabel(Control("Label2"));
}

void TWindSettings::GridSkitsDrawCell(int column, int row, const RECT& cell, TCanvas& canvas) {
    std::string text;
    if (row == 0) {
        static const char* const kHeaders[] = {"Name", "Download", "Play"};
        text = kHeaders[column];
    } else if (const GridRow* skit = RowAt(row)) {
        text = column == 0 ? skit->name : column == 1 ? DownloadCellText(skit->state) : PlayCellText(skit->play);
    }
    // Measured with the grid's own font, before the cell's style is chosen.
    const SIZE extent = canvas.TextExtent(text);
    const bool nameOfSkit = row > 0 && column == 0;
    const int x = nameOfSkit ? cell.left : (cell.left + cell.right - extent.cx) / 2;
    const int y = (cell.top + cell.bottom - extent.cy) / 2;

    LOGFONTA gridFont{};
    GetObjectA(GetCurrentObject(canvas.Handle(), OBJ_FONT), sizeof gridFont, &gridFont);
    TFontSpec font;
    font.Name = gridFont.lfFaceName;
    font.Height = gridFont.lfHeight;
    if (row == 0) {
        font.Bold = true;
        font.Color = kHeaderColor;
    } else if (const GridRow* skit = RowAt(row)) {
        const GridTextStyle style = GridRowStyle(skit->state);
        font.Bold = style.bold;
        font.Color = RGB(style.red, style.green, style.blue);
        // The Download and Play cells look like links.
        font.Underline = column > 0;
    }
    canvas.SetFont(font);
    canvas.FillRect(cell);
    canvas.WriteText(x, y, text);
}

void TWindSettings::GridSkitsMouseDown(UINT button, int x, int y) {
    if (button != VK_LBUTTON) {
        return;
    }
    int column = 0;
    int line = 0;
    if (!grid_->MouseToCell(x, y, column, line) || line < 1) {
        return;
    }
    GridRow* row = RowAt(line);
    if (row == nullptr) {
        return;
    }
    if (column > 0) {
        const SkitCatalog* library = Startup().SkitLibrary.get();
        const std::uint8_t held = library != nullptr ? library->SkitState(skRegular, row->id) : 0;
        *row = ClickGridRow(*row, column == 1 ? GridColumn::Download : GridColumn::Play, held);
        grid_->Repaint();
    }
    WindUpdate();
}

void TWindSettings::GridSkitsMouseMove(int x, int y) {
    if (x == lastMouse_.x && y == lastMouse_.y) {
        return;
    }
    lastMouse_ = POINT{x, y};
    UpdateHint();
    int column = 0;
    int line = 0;
    const bool link = grid_->MouseToCell(x, y, column, line) && line >= 1 && column > 0;
    grid_->SetCursor(LoadCursorA(nullptr, link ? IDC_HAND : IDC_ARROW));
}

void TWindSettings::UpdateHint() {
    HintTimer.SetEnabled(false);
    grid_->SetHint("");
    grid_->HideHint();
    POINT cursor{};
    GetCursorPos(&cursor);
    ScreenToClient(grid_->Handle(), &cursor);
    int column = 0;
    int line = 0;
    if (grid_->MouseToCell(cursor.x, cursor.y, column, line)) {
        if (line < 1) {
            return;
        }
        if (const GridRow* row = RowAt(line)) {
            grid_->SetHint(column == 0   ? row->description
                           : column == 1 ? DownloadHint(row->state)
                                         : PlayHint(row->play));
        }
    }
    HintTimer.SetEnabled(true);
}

void TWindSettings::HintTimerTimer() {
    HintTimer.SetEnabled(false);
    POINT cursor{};
    GetCursorPos(&cursor);
    grid_->ShowHintAt(cursor);
}

// ---- Downloads ----------------------------------------------------------------------------------------

void TWindSettings::BeginDownloading() {
    status_ = WindStatusPtr(new TWindStatus(this));
    status_->ShowProgress();
    status_->SetProcessText("Downloading files...");
    UpdateWindow(status_->WindowHandle());
    SetEnabled(false);
    WindUpdate();
    UpdateTimer.SetEnabled(true);
}

void TWindSettings::EndDownloading() {
    status_.reset();
    UpdateTimer.SetEnabled(false);
    SetEnabled(true);
    // The connection may have changed while the download ran.
    automaticDownloadsWait_ = AutomaticDownloadsWait(*cost_, Settings.DownloadOnMetered);
    // WindUpdate enables "Download &Skits" exactly when a skit is scheduled.
    BuildGrid();
    WindUpdate();
}

void TWindSettings::BtnUpdateClick() {
    SkitCatalog* library = Startup().SkitLibrary.get();
    if (library == nullptr || status_ != nullptr) {
        return;
    }
    BeginDownloading();
    try {
        library->ApplyGridRows(rows_, skRegular);
        // The sequence ends after the list: skits follow only when the user asks for them.
        if (!library->StartSkitListDownload(WindowHandle(), false)) {
            EndDownloading();
            ShowErrorBox(WindowHandle(), "The skit list cannot be downloaded: its address or file name is not usable.");
        }
    } catch (...) {
        // Nothing runs that would ever bring the dialog back.
        EndDownloading();
        throw;
    }
}

void TWindSettings::BtnDownloadClick() {
    SkitCatalog* library = Startup().SkitLibrary.get();
    if (library == nullptr || status_ != nullptr) {
        return;
    }
    library->ApplyGridRows(rows_, skRegular);
    // The choices are with the catalogue now: Cancel can no longer take them back.
    SetControlText(Control("BtnCancel"), "Close");
    BeginDownloading();
    try {
        if (!library->StartSkitDownloads(WindowHandle())) {
            // Nothing was left to fetch: the rebuilt grid shows why (a skit it could not name fails).
            EndDownloading();
        }
    } catch (...) {
        EndDownloading();
        throw;
    }
}

void TWindSettings::UpdateTimerTimer() {
    const SkitCatalog* library = Startup().SkitLibrary.get();
    if (library == nullptr) {
        return;
    }
    if (status_ != nullptr) {
        ShowSequenceProgress(*status_, *library);
    }
    // The flag stays set, so the grid is rebuilt every second until the sequence is over.
    if (library->Changed()) {
        BuildGrid();
        WindUpdate();
    }
}

void TWindSettings::OnDownloadMessage(LPARAM failed) {
    SkitCatalog* library = Startup().SkitLibrary.get();
    if (library == nullptr) {
        return;
    }
    const std::string name = library->CurrentDownloadName();
    DownloadJob* job = library->Job();
    const bool cancelled = status_ != nullptr && status_->Cancelled != 0;
    if (failed != 0 && !cancelled) {
        const std::string reason = job != nullptr ? job->Snapshot().failReason : std::string();
        ShowMessageBox(WindowHandle(), "Error downloading " + name + ". " + reason, Application().Title(), MB_OK);
    }
    if (job != nullptr) {
        job->SetAskBeforeHangUp(true);
    }
    const bool more = FinishDownloadStep(WindowHandle(), *library, failed != 0);
    // However the last step ended, the dialog must not stay disabled with no download running.
    if (!more) {
        EndDownloading();
    }
}

void TWindSettings::OnCancelMessage() {
    if (const SkitCatalog* library = Startup().SkitLibrary.get()) {
        CancelSequence(*library);
    }
}

// ---- The buttons ----------------------------------------------------------------------------------------

void TWindSettings::BtnOkayClick() {
    Settings.SyncMethod = static_cast<SyncMethodKind>(std::max(ItemIndex("RadioUpdate"), 0));
    Settings.Sound = static_cast<SoundMode>(std::max(ItemIndex("RadioSound"), 0));
    try {
        Settings.Save();
        if (SkitCatalog* library = Startup().SkitLibrary.get()) {
            library->ApplyGridRows(rows_, skRegular);
            // Saved now, where a failure can still be shown: the save at the end of the program has no one
            // left to tell.
            if (!library->IsReadOnly()) {
                library->Save();
            }
        }
    } catch (const std::exception& error) {
        ShowErrorBox(WindowHandle(), std::string("Your choices could not be saved. ") + error.what());
        return;
    }
    Close();
}

void TWindSettings::BtnCancelClick() { Close(); }

void TWindSettings::BtnViewLogClick() {
    // The shell's own result says why the log did not open; the thread's last error may not.
    try {
        const ScopedWaitCursor waiting;
        OpenDocument(Settings.LogPath);
    } catch (const std::exception& error) {
        ShowErrorBox(WindowHandle(), error.what());
    }
}

void TWindSettings::BtnResetLogClick() {
    if (ShowMessageBox(WindowHandle(), "Are you sure you want delete the download log?", Application().Title(),
                       MB_YESNO | MB_ICONQUESTION) == IDYES) {
        DeleteFileA(Settings.LogPath.c_str());
    }
}

void TWindSettings::BtnAboutClick() {
    TAboutBox about(this);
    AboutBox = &about;
    try {
        about.ShowModal();
    } catch (...) {
        AboutBox = nullptr;
        throw;
    }
    AboutBox = nullptr;
}

bool TWindSettings::FormHelp(UINT command, DWORD data) {
    try {
        if (command == HELP_CONTEXT && data != kDialogHelpContext) {
            OpenHelp(Settings.HelpFilePath, HELP_CONTEXT, data);
        } else {
            OpenHelp(Settings.HelpFilePath, HELP_CONTENTS, 0);
        }
    } catch (const std::exception& error) {
        ShowErrorBox(WindowHandle(), error.what());
    }
    return true;
}

// ---- Messages ------------------------------------------------------------------------------------------

void TWindSettings::Command(int id) {
    switch (id) {
    case kIdUpdate:
        BtnUpdateClick();
        break;
    case kIdDownload:
        BtnDownloadClick();
        break;
    case kIdViewLog:
        BtnViewLogClick();
        break;
    case kIdResetLog:
        BtnResetLogClick();
        break;
    case kIdAbout:
        BtnAboutClick();
        break;
    case IDOK:
        BtnOkayClick();
        break;
    case IDCANCEL:
        BtnCancelClick();
        break;
    case kIdUpdateFirst:
    case kIdUpdateFirst + 1:
    case kIdUpdateFirst + 2:
        WindUpdate();
        break;
    default:
        break;
    }
}

LRESULT TWindSettings::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        CreateControls();
        return 0;
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) {
            Command(LOWORD(wParam));
            return 0;
        }
        break;
    case DM_GETDEFID:
        return MAKELRESULT(IDOK, DC_HASDEFID);
    case WM_HELP: {
        const auto* info = reinterpret_cast<const HELPINFO*>(lParam);
        const DWORD context =
            info != nullptr && info->dwContextId != 0 ? static_cast<DWORD>(info->dwContextId) : kDialogHelpContext;
        FormHelp(HELP_CONTEXT, context);
        return TRUE;
    }
    case WM_DPICHANGED: {
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(WindowHandle(), nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        ApplyDpi(HIWORD(wParam));
        return 0;
    }
    case kDownloadDoneMessage:
        OnDownloadMessage(lParam);
        return 0;
    case kMsgCancelDownload:
        OnCancelMessage();
        return 0;
    // Another configuration process was started: this window stays as it is.
    case kMsgSecondInstance:
        return 0;
    default:
        break;
    }
    return TForm::WindowProc(message, wParam, lParam);
}
