#include "playback/ScreensaverZolvane.h"

#include "gui/Application.h"
#include "gui/WindowClass.h"
#include "host/DownloadStep.h"
#include "host/Settings.h"
#include "host/Startup.h"
#include "library/SafeNames.h"
#include "library/SkitCatalog.h"
#include "playback/SkitChoice.h"
#include "resources/resource.h"
#include "support/Error.h"
#include "support/ErrorCodes.h"
#include "support/MessageBoxes.h"
#include "support/TraceLog.h"

#include <shellapi.h>

#include <exception>
#include <utility>

TScreensaverZolvane* ScreensaverZolvane = nullptr;
bool SkitTickBusy = false;

namespace {

const char* const kBackdropClass = "ScreensaverZolvaneBackdrop";
const char* const kShellSection = "ShellExecute";

// What a skit's key does.
enum KeyActionKind : std::uint8_t { kaPassToPlayer = 1, kaRunCommand = 2 };

// Why the player did not start, and the movie. A failure the system gave a code to reads as the
// system's text; any other as our own.
std::string StartFailure(const SkitPlayer& player) {
    const std::string reason = player.ErrorCode() != 0 ? ErrorText(player.ErrorCode()) : player.StartError();
    return reason + " " + player.MovieName();
}

} // namespace

TScreensaverZolvane::TScreensaverZolvane(DownloadProgressMaker makeProgress, std::unique_ptr<ConnectionCost> cost)
    : PreviewImage(IDB_PREVIEW), SkitTimer(*this, kSkitTimerId, 500, [this] { SkitTimerTimer(); }),
      ExitTimer(*this, kExitTimerId, 1000, [this] { ExitTimerTimer(); }),
      StayTimer(*this, kStayTimerId, kSkitTimerPlayingInterval, [this] { StayTimerTimer(); }),
      makeProgress_(std::move(makeProgress)), cost_(cost ? std::move(cost) : SystemConnectionCost()) {
    ErrorPrefix = "Zolvane";
    PreviewImage.Visible = Mode == rmPreview;
}

// A player still running is left to itself: the show only asks players to close in FormClose.
TScreensaverZolvane::~TScreensaverZolvane() { WatchPointer(false); }

void TScreensaverZolvane::CreateParams(TCreateParams& params) {
    TScreensaverForm::CreateParams(params);
    params.ClassName = "TScreensaverZolvane";
}

void TScreensaverZolvane::FormShow() {
    try {
        TScreensaverForm::FormShow();
        if (Mode == rmSaver) {
            SkitTimer.SetInterval(kSkitTimerStartInterval);
            if (ErrorShowing == 0) {
                SkitTimer.SetEnabled(true);
            }
        }
    } catch (const std::exception& error) {
        ShowShowError(error.what());
    } catch (...) {
        ShowShowError("Error initializing screensaver.");
    }
}

void TScreensaverZolvane::Paint(TCanvas& canvas) { PreviewImage.Paint(canvas); }

bool TScreensaverZolvane::HandleMouseInput(UINT /*message*/) { return false; }

void TScreensaverZolvane::ErrorScrollFinished() {
    HideErrorText();
    SkitTimer.SetInterval(kSkitTimerStartInterval);
    SkitTimer.SetEnabled(true);
}

void TScreensaverZolvane::ShowShowError(const std::string& text) {
    SkitTimer.SetEnabled(false);
    if (Mode != rmSaver) {
        return;
    }
    SetTransparent(false);
    ShowErrorText(text);
}

void TScreensaverZolvane::SetTransparent(bool transparent) {
    const HWND window = Handle();
    const LONG style = GetWindowLongA(window, GWL_EXSTYLE);
    SetWindowLongA(window, GWL_EXSTYLE, transparent ? style | WS_EX_TRANSPARENT : style & ~WS_EX_TRANSPARENT);
}

void TScreensaverZolvane::SkitTimerTimer() {
    SkitCatalog* const library = Startup().SkitLibrary.get();
    if (library == nullptr || !library->IsOpen()) {
        ShowShowError(Startup().StartupError);
        return;
    }
    if (SkitTickBusy) {
        return;
    }
    struct TickGuard {
        TickGuard() { SkitTickBusy = true; }
        ~TickGuard() { SkitTickBusy = false; }
    } busy;
    if (playerStep_ == PlayerStep::Stopping) {
        if (!PlayerStopped()) {
            return;
        }
        if (closeWhenStopped_) {
            SkitTimer.SetEnabled(false);
            if (!EndShow()) {
                Close();
            }
            return;
        }
    }
    // While the password is asked for, the show neither goes on nor takes the focus from the question.
    if (Closing != 0 || Verifying != 0) {
        return;
    }
    if (ActivePlayer) {
        if (playerStep_ == PlayerStep::Starting) {
            PollPlayerStart();
            return;
        }
        if (!ActivePlayer->IsFinished(0)) {
            KeepSkitInFront();
            CatchUpWithPointer();
            return;
        }
        WatchPointer(false);
        ForgetPlayer();
    }
    const ShowChoice choice =
        ChooseShowSkit(*library, Settings.SyncMethod, RunCount, *cost_, Settings.DownloadOnMetered);
    if (choice.downloadWaits && !downloadWaitTraced_) {
        // A warning, so that it is written whichever levels are on: the user will wonder why nothing came.
        TraceWrite(tlWarning, "%s", kAutomaticDownloadsWaitText);
        downloadWaitTraced_ = true;
    }
    if (choice.file) {
        StartSkit(choice);
    }
    if (choice.startDownload) {
        StartSkitListDownload();
    }
    if (!choice.file) {
        ShowShowError("Unable to load any skits.");
    }
}

// The list, then the skits it schedules, arrive in the background while skits play.
void TScreensaverZolvane::StartSkitListDownload() {
    try {
        Startup().SkitLibrary->StartSkitListDownload(Handle(), true);
    } catch (const std::exception& error) {
        ShowShowError(std::string("Error starting download. ") + error.what());
    } catch (...) {
        ShowShowError("Error starting download.");
    }
}

LRESULT TScreensaverZolvane::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kDownloadDoneMessage) {
        DownloadFinished(lParam != 0);
        return 0;
    }
    if (message == kMsgCancelDownload) {
        if (const SkitCatalog* const library = Startup().SkitLibrary.get()) {
            CancelSequence(*library);
        }
        return 0;
    }
    return TScreensaverForm::WindowProc(message, wParam, lParam);
}

void TScreensaverZolvane::DownloadFinished(bool failed) {
    SkitCatalog* const library = Startup().SkitLibrary.get();
    if (library == nullptr) {
        return;
    }
    const bool more = FinishDownloadStep(WindowHandle(), *library, failed);
    // The exit wait ends with the sequence, however its last download ended: the program must not stay
    // behind with no download running.
    if (!more && ExitTimer.Enabled()) {
        ExitTimer.SetEnabled(false);
        Close();
    }
}

void TScreensaverZolvane::BeginExitWait() {
    if (DownloadJob* const job = Startup().SkitLibrary->Job()) {
        job->SetAskBeforeHangUp(true);
    }
    if (makeProgress_) {
        progress_ = makeProgress_(*this);
        progress_->ShowProgress();
        progress_->SetProcessText("Downloading files...");
        progress_->SetActivityText(Startup().SkitLibrary->CurrentDownloadName());
    }
    Hide();
    ExitTimer.SetEnabled(true);
}

void TScreensaverZolvane::ExitTimerTimer() {
    SkitCatalog* const library = Startup().SkitLibrary.get();
    if (progress_ && progress_->IsShowing() && library != nullptr) {
        ShowSequenceProgress(*progress_, *library);
    }
}

void TScreensaverZolvane::StartSkit(const ShowChoice& choice) {
    if (!Backdrop) {
        CreateBackdrop();
    }
    SetTransparent(true);
    ActivePlayer = std::make_unique<SkitPlayer>(Settings.Player, Settings.SkitsPath, *choice.file);
    playingKind_ = choice.kind;
    playingId_ = choice.id;
    SYSTEMTIME today;
    GetLocalTime(&today);
    ActivePlayer->AddFormattedVariable("SS_RunCount", "%d", RunCount);
    ++RunCount;
    ActivePlayer->AddFormattedVariable("SS_Sound", "%d", Settings.Sound == sndNever ? 1 : 0);
    ActivePlayer->AddFormattedVariable("SS_Month", "%02d", today.wMonth);
    ActivePlayer->AddFormattedVariable("SS_Day", "%02d", today.wDay);
    // "Once" means the first skit of the run, whether or not it could start.
    if (Settings.Sound == sndOnce) {
        Settings.Sound = sndNever;
    }
    if (!ActivePlayer->Launch()) {
        ShowShowError(StartFailure(*ActivePlayer));
        ActivePlayer.reset();
        return;
    }
    playerStep_ = PlayerStep::Starting;
    // Our window lets the pointer through to the player's from now on: the hook watches it instead,
    // already while the player gets ready.
    WatchPointer(true);
    SkitTimer.SetInterval(kSkitTimerWatchInterval);
}

void TScreensaverZolvane::PollPlayerStart() {
    switch (ActivePlayer->PollStart(Handle(), GetTickCount64())) {
    case SkitPlayer::StartStep::Waiting:
        CatchUpWithPointer();
        break;
    case SkitPlayer::StartStep::Playing:
        playerStep_ = PlayerStep::Playing;
        SkitTimer.SetInterval(kSkitTimerPlayingInterval);
        break;
    case SkitPlayer::StartStep::Failed:
        // A player we cannot see or reach would play unseen while the show starts the next: it ends,
        // and the next start waits until it has.
        WatchPointer(false);
        ActivePlayer->End();
        playerStep_ = PlayerStep::Stopping;
        stopAskedAt_ = GetTickCount64();
        ShowShowError(StartFailure(*ActivePlayer));
        break;
    }
}

void TScreensaverZolvane::ReleasePlayer() {
    if (playerStep_ == PlayerStep::Starting) {
        ActivePlayer->End();
    } else {
        ActivePlayer->AskToClose();
    }
}

bool TScreensaverZolvane::PlayerStopped() {
    // A player that does not close is not forced: after a while the show goes on without it.
    if (ActivePlayer && !ActivePlayer->IsFinished(0) && GetTickCount64() - stopAskedAt_ < kPlayerStopWaitMs) {
        return false;
    }
    ForgetPlayer();
    return true;
}

void TScreensaverZolvane::ForgetPlayer() {
    ActivePlayer.reset();
    playerStep_ = PlayerStep::None;
}

// The skit still plays: keys must keep coming here, and the skit must stay in sight.
void TScreensaverZolvane::KeepSkitInFront() {
    if (GetForegroundWindow() != Handle()) {
        SetForegroundWindow(Handle());
    }
    SetFocus(Handle());
    ActivePlayer->BringToFront();
}

namespace {

// The window the pointer hook reports to; there is one show, and one hook, per process.
HWND gPointerWindow = nullptr;

// Tells the window that the pointer stands at the point of the screen, as its own mouse message would.
void PostPointerMove(HWND window, POINT screen) {
    ScreenToClient(window, &screen);
    PostMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(screen.x, screen.y));
}

} // namespace

void TScreensaverZolvane::CatchUpWithPointer() {
    // The system skips a hook that does not answer in time (while this thread waits for the player,
    // say): the second's step hands on where the pointer stands, so that a movement it skipped still
    // counts.
    POINT now{};
    GetCursorPos(&now);
    if (now.x != lastPointer_.x || now.y != lastPointer_.y) {
        lastPointer_ = now;
        PostPointerMove(Handle(), now);
    }
}

void TScreensaverZolvane::WatchPointer(bool watch) {
    if (!watch) {
        pointerHook_.Reset();
        gPointerWindow = nullptr;
        return;
    }
    if (pointerHook_) {
        return;
    }
    gPointerWindow = Handle();
    // From where the screensaver measures, not from where the pointer is now: a movement made while the
    // player's window came up, before the hook, reached neither window and still counts.
    lastPointer_ = POINT{MouseStartX, MouseStartY};
    pointerHook_.Reset(SetWindowsHookExA(WH_MOUSE_LL, &TScreensaverZolvane::PointerHook, Application().Instance(), 0));
    if (!pointerHook_) {
        gPointerWindow = nullptr;
        TraceWrite(tlError, "The pointer cannot be watched while the skit plays: %s", LastErrorText().c_str());
    }
}

LRESULT CALLBACK TScreensaverZolvane::PointerHook(int code, WPARAM message, LPARAM data) {
    if (code == HC_ACTION && gPointerWindow != nullptr) {
        const auto* pointer = reinterpret_cast<const MSLLHOOKSTRUCT*>(data);
        switch (message) {
        case WM_MOUSEMOVE:
            PostPointerMove(gPointerWindow, pointer->pt);
            break;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            PostMessageA(gPointerWindow, static_cast<UINT>(message), 0, 0);
            break;
        default:
            break;
        }
    }
    // The input goes on to where it was going: the hook only listens.
    return CallNextHookEx(nullptr, code, message, data);
}

void TScreensaverZolvane::CreateBackdrop() {
    const HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(Handle(), GWLP_HINSTANCE));
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_BYTEALIGNCLIENT;
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = kBackdropClass;
    if (!RegisterWindowClass(windowClass)) {
        return;
    }
    // It lies behind the player wherever the screensaver window reaches: over every monitor.
    const RECT screen = VirtualScreenRect();
    Backdrop.Reset(CreateWindowExA(0, kBackdropClass, "", WS_POPUP | WS_VISIBLE | WS_DISABLED | WS_CLIPCHILDREN,
                                   screen.left, screen.top, screen.right - screen.left, screen.bottom - screen.top,
                                   nullptr, nullptr, instance, nullptr));
    BringWindowToTop(Handle());
}

bool TScreensaverZolvane::HandleKeyInput(UINT message, WPARAM virtualKey) {
    SkitCatalog* const library = Startup().SkitLibrary.get();
    if (ErrorShowing != 0 || message != WM_KEYDOWN || library == nullptr) {
        return false;
    }
    // The key of the skit that plays, special or not; before its window shows and between skits no
    // skit's key counts.
    if (!ActivePlayer || playerStep_ != PlayerStep::Playing) {
        return false;
    }
    const auto action = library->KeyActionOf(playingKind_, playingId_, static_cast<std::int32_t>(virtualKey));
    if (!action) {
        return false;
    }
    switch (action->keyAction) {
    case kaPassToPlayer:
        // The program quits and leaves the player running with the key.
        Interacted = 1;
        PassKeyToPlayer(virtualKey);
        return false;
    case kaRunCommand:
        // The command takes the user out of the screensaver: the password comes first. A refused one
        // uses up the key, and the show goes on.
        if (!ConfirmPassword()) {
            return true;
        }
        SkitTimer.SetEnabled(false);
        RunCommand(action->keyText, std::string());
        if (LeaveSaverState()) {
            return true;
        }
        SetTransparent(false);
        Backdrop.Reset();
        // The program quits as for any other key, and the password is not asked for a second time.
        Application().Terminate();
        return true;
    default:
        return false;
    }
}

void TScreensaverZolvane::PassKeyToPlayer(WPARAM key) {
    if (ActivePlayer && !ActivePlayer->IsFinished(0) && ActivePlayer->PlayerWindow() != nullptr) {
        PostMessageA(ActivePlayer->PlayerWindow(), WM_KEYDOWN, key, 0);
    }
}

void TScreensaverZolvane::RunCommand(const std::string& file, const std::string& parameters) {
    WriteIniValue(kShellSection, nullptr, nullptr);
    WriteIniValue(kShellSection, "Command", file.c_str());
    if (!(Interacted != 0 && ActivePlayer && !ActivePlayer->IsFinished(0)) && ActivePlayer) {
        ReleasePlayer();
        WatchPointer(false);
        ForgetPlayer();
    }
    // The text comes from a downloaded skit list: whoever serves or alters that list must not be able
    // to run a program here. Only a web address goes to the shell, which opens it in the browser.
    if (!IsWebAddress(file)) {
        WriteIniValue(kShellSection, kShellSection, "Refused: not a web address.");
        return;
    }
    SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    const HINSTANCE result = ShellExecuteA(nullptr, nullptr, file.c_str(),
                                           parameters.empty() ? nullptr : parameters.c_str(), nullptr, SW_SHOW);
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    if (reinterpret_cast<INT_PTR>(result) <= 32) {
        WriteIniValue(kShellSection, kShellSection, LastErrorText().c_str());
    }
}

bool TScreensaverZolvane::LeaveSaverState() {
    BOOL running = FALSE;
    SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
    if (!running) {
        return false;
    }
    WatchPointer(false);
    if (ActivePlayer && Interacted == 0) {
        ReleasePlayer();
    }
    SetScreensaverRunning(false);
    SetTransparent(false);
    Hide();
    Backdrop.Reset();
    // Hidden now, with no timer of the show running: the program ends once no player of ours runs.
    StayTimer.SetEnabled(true);
    return true;
}

void TScreensaverZolvane::StayTimerTimer() {
    if (!ActivePlayer || ActivePlayer->IsFinished(0)) {
        StayTimer.SetEnabled(false);
        Application().Terminate();
    }
}

void TScreensaverZolvane::FormClose(TCloseAction& action) {
    if (Closing != 0) {
        return;
    }
    TScreensaverForm::FormClose(action);
    if (action == caNone) {
        return; // the password was refused: the show goes on
    }
    try {
        WatchPointer(false);
        // The skit is asked to close, and the window closes once it has: the screensaver's black stays
        // behind the skit until then.
        if (ActivePlayer && Interacted == 0 && playerStep_ != PlayerStep::Stopping && !ActivePlayer->IsFinished(0)) {
            ReleasePlayer();
            playerStep_ = PlayerStep::Stopping;
            stopAskedAt_ = GetTickCount64();
        }
        if (playerStep_ == PlayerStep::Stopping) {
            closeWhenStopped_ = true;
            action = caNone;
            SkitTimer.SetInterval(kSkitTimerWatchInterval);
            SkitTimer.SetEnabled(true);
            return;
        }
        SkitTimer.SetEnabled(false);
        if (EndShow()) {
            action = caNone;
        }
    } catch (...) {
        // Closing goes on whatever happened to the skit.
    }
}

bool TScreensaverZolvane::EndShow() {
    // A player that a skit's key reached is left running; so is one that would not stop.
    ForgetPlayer();
    SetTransparent(false);
    Backdrop.Reset();
    SkitCatalog* const library = Startup().SkitLibrary.get();
    if (library != nullptr && library->HasJob()) {
        BeginExitWait();
        return true;
    }
    return false;
}
