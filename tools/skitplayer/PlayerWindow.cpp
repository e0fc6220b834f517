#include "tools/skitplayer/PlayerWindow.h"

#include "support/Error.h"
#include "support/ErrorCodes.h"
#include "support/WinHandles.h"

namespace {

const char kWindowClass[] = "ZolvaneSkitPlayer";
const char kWindowTitle[] = "Zolvane Skit Player";

constexpr UINT_PTR kFrameTimerId = 1;
constexpr UINT_PTR kFailedEndTimerId = 2;
// How long a failed player stays black before it ends: long enough for the screensaver to find its
// window, short enough that a broken skit costs the show only a moment.
constexpr UINT kFailedEndMs = 1000;
constexpr UINT_PTR kWatchTimerId = 3;
constexpr UINT kWatchMs = 250;
// The screensaver's window, which lies behind the player while the screensaver runs.
const char kScreensaverClass[] = "TScreensaverZolvane";

std::string DescribeCurrentException() {
    try {
        throw;
    } catch (const EZolvaneError& error) {
        return error.what();
    } catch (const std::exception& error) {
        return std::string("Unexpected error: ") + error.what();
    } catch (...) {
        return "An unexpected error stopped the player.";
    }
}

} // namespace

PlayerWindow::PlayerWindow(EventLog& log) : log_(log) {}

void PlayerWindow::Create(HINSTANCE instance) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = &PlayerWindow::WindowProc;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = kWindowClass;
    // No cursor: over a screensaver's movie an arrow would only be in the way.
    windowClass.hCursor = nullptr;
    if (RegisterClassExA(&windowClass) == 0) {
        throw EZolvaneError("The player window cannot be registered: " + LastErrorText());
    }
    const HWND window = CreateWindowExA(0, kWindowClass, kWindowTitle, WS_POPUP, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                                        GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, instance, this);
    if (window == nullptr) {
        throw EZolvaneError("The player window cannot be created: " + LastErrorText());
    }
    ShowWindow(window_, SW_SHOW);
    UpdateWindow(window_);
    // The screensaver that starts a player shows before it: the first look comes at once, as the
    // screensaver may end a moment later.
    WatchScreensaver();
    SetTimer(window_, kWatchTimerId, kWatchMs, nullptr);
}

void PlayerWindow::Play(std::unique_ptr<Movie> movie) {
    movie_ = std::move(movie);
    startTick_ = GetTickCount64();
    movie_->Update(0);
    InvalidateRect(window_, nullptr, FALSE);
    ScheduleNextFrame();
}

void PlayerWindow::Fail(const std::string& text) noexcept {
    try {
        log_.Write("error " + text);
    } catch (...) {
        // Out of memory for the line: the exit code still tells.
    }
    exitCode_ = 1;
    if (window_ == nullptr) {
        return;
    }
    KillTimer(window_, kFrameTimerId);
    movie_.reset();
    InvalidateRect(window_, nullptr, FALSE);
    if (SetTimer(window_, kFailedEndTimerId, kFailedEndMs, nullptr) == 0) {
        DestroyWindow(window_);
    }
}

std::uint64_t PlayerWindow::ClockNow() const { return GetTickCount64() - startTick_; }

void PlayerWindow::ScheduleNextFrame() {
    if (SetTimer(window_, kFrameTimerId, movie_->WaitFrom(ClockNow()), nullptr) == 0) {
        throw EZolvaneError("The frame timer cannot be set: " + LastErrorText());
    }
}

void PlayerWindow::FrameTimerTick() {
    if (!movie_) {
        KillTimer(window_, kFrameTimerId);
        return;
    }
    const bool changed = movie_->Update(ClockNow());
    if (movie_->Finished()) {
        KillTimer(window_, kFrameTimerId);
        log_.Write("ended");
        DestroyWindow(window_);
        return;
    }
    if (changed) {
        InvalidateRect(window_, nullptr, FALSE);
    }
    ScheduleNextFrame();
}

void PlayerWindow::WatchScreensaver() {
    const HWND screensaver = FindWindowA(kScreensaverClass, nullptr);
    if (screensaver != nullptr && IsWindowVisible(screensaver)) {
        sawScreensaver_ = true;
    } else if (sawScreensaver_) {
        KillTimer(window_, kWatchTimerId);
        BecomeOrdinary();
    }
}

void PlayerWindow::BecomeOrdinary() {
    ordinary_ = true;
    SetWindowLongPtrA(window_, GWL_STYLE, WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU);
    SetWindowPos(window_, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_FRAMECHANGED);
    SetForegroundWindow(window_);
    // The pointer comes back at once, not only once it moves.
    POINT at{};
    GetCursorPos(&at);
    if (WindowFromPoint(at) == window_) {
        SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    }
    // Logged once the window is the user's, so that whoever reads the log finds it so.
    log_.Write("left");
}

void PlayerWindow::CloseWindow() {
    log_.Write("closed");
    DestroyWindow(window_);
}

void PlayerWindow::Paint() {
    const PaintGuard paint(window_);
    RECT client{};
    GetClientRect(window_, &client);
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    if (width <= 0 || height <= 0) {
        return;
    }
    // Drawn off screen and copied in one go, so a frame never shows half-drawn on black.
    UniqueMemoryDc memory(CreateCompatibleDC(paint.Dc()));
    UniqueBitmap bitmap(CreateCompatibleBitmap(paint.Dc(), width, height));
    if (!memory || !bitmap) {
        throw EZolvaneError("There is not enough memory to draw the movie: " + LastErrorText());
    }
    const UniqueSelection selection = SelectInto(memory.Get(), bitmap.Get());
    if (!selection) {
        throw EZolvaneError("The movie cannot be drawn: " + LastErrorText());
    }
    FillRect(memory.Get(), &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    if (movie_) {
        movie_->Draw(memory.Get(), FitFrame(movie_->Width(), movie_->Height(), width, height));
    }
    BitBlt(paint.Dc(), 0, 0, width, height, memory.Get(), 0, 0, SRCCOPY);
}

LRESULT PlayerWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND:
        // WM_PAINT fills the whole window itself.
        return 1;
    case WM_PAINT:
        Paint();
        return 0;
    case WM_SETCURSOR:
        SetCursor(ordinary_ ? LoadCursorA(nullptr, IDC_ARROW) : nullptr);
        return TRUE;
    case WM_TIMER:
        if (wParam == kFrameTimerId) {
            FrameTimerTick();
        } else if (wParam == kFailedEndTimerId) {
            KillTimer(window_, kFailedEndTimerId);
            DestroyWindow(window_);
        } else if (wParam == kWatchTimerId) {
            WatchScreensaver();
        }
        return 0;
    case WM_KEYDOWN:
        // The screensaver passes on the keys a skit asks for; our movies take no input, so a key
        // is only noted. Left alone, the player closes on Escape as an ordinary window would.
        log_.Write("key " + std::to_string(static_cast<unsigned>(wParam)));
        if (ordinary_ && wParam == VK_ESCAPE) {
            CloseWindow();
        }
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (ordinary_) {
            CloseWindow();
        }
        return 0;
    case WM_CLOSE:
        CloseWindow();
        return 0;
    case WM_DESTROY:
        KillTimer(window_, kFrameTimerId);
        KillTimer(window_, kFailedEndTimerId);
        KillTimer(window_, kWatchTimerId);
        PostQuitMessage(exitCode_);
        return 0;
    case WM_NCDESTROY:
        // The last message: from here on a failure has no window left to keep black.
        {
            const HWND window = window_;
            SetWindowLongPtrA(window, GWLP_USERDATA, 0);
            window_ = nullptr;
            return DefWindowProcA(window, message, wParam, lParam);
        }
    default:
        return DefWindowProcA(window_, message, wParam, lParam);
    }
}

LRESULT CALLBACK PlayerWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<PlayerWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<PlayerWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self == nullptr) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    try {
        return self->HandleMessage(message, wParam, lParam);
    } catch (...) {
        try {
            self->Fail(DescribeCurrentException());
        } catch (...) {
            // Not even the text could be made: end without a log line, the exit code still tells.
            self->exitCode_ = 1;
            DestroyWindow(window);
        }
        return 0;
    }
}
