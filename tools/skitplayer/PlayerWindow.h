// The player's one window: black, borderless and as large as the screen, with the movie in its middle.
//
// It is a small state machine driven by one timer. Playing: each tick shows the next frame, and the
// tick after the last frame's delay ends the player ("ended"). Failed: the window stays black for a
// moment, so that whoever started the player finds it and the screen does not flash, then ends with
// exit code 1. WM_CLOSE ends it at once in either state ("closed").
//
// A second timer watches for the screensaver's window. Once one has shown and is gone (the screensaver
// has ended and left the skit playing), the window becomes an ordinary one ("left"): no longer on top,
// with a caption and a close box, the pointer shown, and Escape or a mouse button closes it.
#pragma once

#include "tools/skitplayer/EventLog.h"
#include "tools/skitplayer/FramePlan.h"
#include "tools/skitplayer/Movie.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

class PlayerWindow {
public:
    explicit PlayerWindow(EventLog& log);
    PlayerWindow(const PlayerWindow&) = delete;
    PlayerWindow& operator=(const PlayerWindow&) = delete;

    // Creates and shows the window on the calling thread; raises an EZolvaneError when it cannot.
    void Create(HINSTANCE instance);
    // Starts the movie with its first frame.
    void Play(std::unique_ptr<Movie> movie);
    // Logs "error" and the text, stops any movie and ends after a moment with exit code 1.
    void Fail(const std::string& text) noexcept;

    HWND Handle() const { return window_; }
    // 0 when the movie played or the window was closed, 1 after a failure.
    int ExitCode() const { return exitCode_; }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void FrameTimerTick();
    void WatchScreensaver();
    void BecomeOrdinary();
    void CloseWindow();
    void Paint();
    void ScheduleNextFrame();
    std::uint64_t ClockNow() const;

    EventLog& log_;
    HWND window_ = nullptr;
    std::unique_ptr<Movie> movie_;
    std::uint64_t startTick_ = 0;
    int exitCode_ = 0;
    bool sawScreensaver_ = false;
    bool ordinary_ = false;
};
