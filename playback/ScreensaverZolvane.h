// The skit show: the screensaver window of Zolvane. In screensaver mode a timer drives the show one
// step at a time: choose a skit, start it in the player, poll the player once a second, and choose the
// next when it has ended. In preview mode it shows the preview picture on black.
//
// What a player does is only ever looked at, never waited for, so that the window answers the mouse
// and the keys at once however slow the player is:
//   no player  --launch-->  starting  (polled every 50 ms until its window shows)
//   starting   --window-->  playing   (polled every second until the player ends)
//   starting   --no window in time, or failed-->  stopping (ended by force; the error scrolls)
//   playing    --close of the screensaver-->  stopping (asked to close; the close waits for it)
//   stopping   --ended, or given up after kPlayerStopWaitMs-->  no player
#pragma once

#include "gui/Canvas.h"
#include "host/DownloadProgress.h"
#include "host/ScreensaverForm.h"
#include "net/ConnectionCost.h"
#include "playback/SkitChoice.h"
#include "playback/SkitPlayer.h"
#include "support/WinHandles.h"

#include <cstdint>
#include <memory>
#include <string>

class TScreensaverZolvane : public TScreensaverForm {
public:
    // makeProgress makes the progress display of the exit wait; without one the wait shows nothing. cost
    // says whether the connection is metered; without one the system's answer counts.
    explicit TScreensaverZolvane(DownloadProgressMaker makeProgress = nullptr,
                                 std::unique_ptr<ConnectionCost> cost = nullptr);
    ~TScreensaverZolvane() override;

    // One step of the show.
    void SkitTimerTimer();

    static constexpr UINT_PTR kSkitTimerId = 2;
    static constexpr UINT_PTR kStayTimerId = 3;
    static constexpr UINT_PTR kExitTimerId = 5;
    // The first step comes as soon as the system's timers allow: a timer is the last message the window
    // gets, so the screen has been painted black by then, and the skit starts without a pause that the
    // user would see as a slow start.
    static constexpr UINT kSkitTimerStartInterval = USER_TIMER_MINIMUM;
    static constexpr UINT kSkitTimerPlayingInterval = 1000;
    // While a player starts or stops: often enough that a skit shows without a pause one would notice.
    static constexpr UINT kSkitTimerWatchInterval = 50;
    // How long a player is given to close when the show ends its skit.
    static constexpr std::uint64_t kPlayerStopWaitMs = 3000;

    // One step of the exit wait: the progress window follows the download sequence.
    void ExitTimerTimer();

protected:
    void CreateParams(TCreateParams& params) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void FormShow() override;
    void FormClose(TCloseAction& action) override;
    void Paint(TCanvas& canvas) override;
    bool HandleMouseInput(UINT message) override;
    bool HandleKeyInput(UINT message, WPARAM virtualKey) override;
    // After a message has scrolled across once, the show tries again.
    void ErrorScrollFinished() override;

    // Stops the show and scrolls the text; in preview nothing is shown.
    void ShowShowError(const std::string& text);

    TPicture PreviewImage;
    TTimer SkitTimer;
    // Runs while the window, hidden, waits for a download sequence to end before the program ends.
    TTimer ExitTimer;

    enum class PlayerStep { None, Starting, Playing, Stopping };

    std::unique_ptr<SkitPlayer> ActivePlayer;
    PlayerStep playerStep_ = PlayerStep::None;
    UniqueWindow Backdrop;
    std::int32_t Interacted = 0;
    std::int32_t RunCount = 0;

private:
    void StartSkitListDownload();
    // The download-done message; failed when the download failed or was cancelled.
    void DownloadFinished(bool failed);
    // Hides the window and shows the progress window until the running sequence has ended.
    void BeginExitWait();
    void StartSkit(const ShowChoice& choice);
    void PollPlayerStart();
    // Lets go of the player: a started one is asked to close, one still starting is ended.
    void ReleasePlayer();
    // Waits, one look a step, for the player to stop; true once it has, or has been given up on.
    bool PlayerStopped();
    // Lets go of the player, whatever it does (it is never ended here), and of its step.
    void ForgetPlayer();
    // The show's part of the close, once its player has stopped: true when the window stays for the
    // exit wait.
    bool EndShow();
    void CreateBackdrop();
    void PassKeyToPlayer(WPARAM key);
    void RunCommand(const std::string& file, const std::string& parameters);
    bool LeaveSaverState();
    void SetTransparent(bool transparent);
    void StayTimerTimer();
    // While a skit plays, its window lies over ours and takes the pointer's messages. A low-level mouse
    // hook, there only while a player is in front, hands the pointer's movements and buttons to our own
    // window, whose rules decide. The system calls the hook as the mouse acts, so nothing is polled and
    // nothing runs while the mouse rests; raw input would serve as well, but a hook also sees the input
    // that programs send, as remote-control and test tools do.
    void WatchPointer(bool watch);
    void CatchUpWithPointer();
    static LRESULT CALLBACK PointerHook(int code, WPARAM message, LPARAM data);
    void KeepSkitInFront();

    // Once a skit's command has taken the user elsewhere, the program stays hidden while its player
    // runs, and then ends.
    TTimer StayTimer;
    UniqueHook pointerHook_;
    // Where the pointer stood at the last step while a skit plays.
    POINT lastPointer_{};
    // The skit of ActivePlayer, whose key the show answers.
    std::uint8_t playingKind_ = 0;
    std::int32_t playingId_ = 0;
    // When the player was asked to stop, in the system's ticks; and whether the window closes then.
    std::uint64_t stopAskedAt_ = 0;
    bool closeWhenStopped_ = false;
    DownloadProgressMaker makeProgress_;
    // The exit wait's progress display.
    DownloadProgressPtr progress_;
    std::unique_ptr<ConnectionCost> cost_;
    // The trace log has said why the automatic download did not start: once a run is enough.
    bool downloadWaitTraced_ = false;
};

extern TScreensaverZolvane* ScreensaverZolvane;

// Keeps SkitTimerTimer from running inside itself, while a box or another message loop runs in a step.
extern bool SkitTickBusy;
