#include "gui/Form.h"

#include "gui/Application.h"
#include "gui/Canvas.h"
#include "gui/WindowClass.h"
#include "support/Error.h"
#include "support/ErrorCodes.h"

#include <utility>

namespace {

void RegisterFormClass(const TCreateParams& params, WNDPROC procedure) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = params.ClassStyle;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = Application().Instance();
    windowClass.hIcon = params.Icon;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = params.Background;
    windowClass.lpszClassName = params.ClassName.c_str();
    if (!RegisterWindowClass(windowClass)) {
        throw EZolvaneError(LastErrorText());
    }
}

} // namespace

TForm::TForm() = default;

TForm::~TForm() {
    for (auto& entry : timers_) {
        entry.second->enabled_ = false;
    }
    if (handle_ != nullptr) {
        // The derived form is gone already: its window must not reach it while it is destroyed.
        HWND window = std::exchange(handle_, nullptr);
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        DestroyWindow(window);
    }
}

HWND TForm::Handle() {
    if (handle_ == nullptr) {
        CreateHandle();
    }
    return handle_;
}

void TForm::CreateHandle() {
    TCreateParams params;
    CreateParams(params);
    RegisterFormClass(params, &TForm::StaticWindowProc);
    if (windowState_ == wsMaximized) {
        const RECT screen = VirtualScreenRect();
        params.X = screen.left;
        params.Y = screen.top;
        params.Width = screen.right - screen.left;
        params.Height = screen.bottom - screen.top;
    }
    HWND window =
        CreateWindowExA(params.ExStyle, params.ClassName.c_str(), params.Caption.c_str(), params.Style, params.X,
                        params.Y, params.Width, params.Height, params.Parent, nullptr, Application().Instance(), this);
    if (window == nullptr) {
        throw EZolvaneError(ErrorText(ecCreateWindowFailed));
    }
    for (auto& entry : timers_) {
        entry.second->Arm();
    }
}

void TForm::Show() {
    HWND window = Handle();
    FormShow();
    PlaceForState();
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
}

void TForm::Hide() {
    if (handle_ != nullptr && IsWindowVisible(handle_)) {
        ShowWindow(handle_, SW_HIDE);
        FormHide();
    }
}

void TForm::Close() {
    TCloseAction action = Application().MainForm() == this ? caFree : caHide;
    FormClose(action);
    if (action == caNone) {
        return;
    }
    if (action == caHide) {
        Hide();
        if (Application().MainForm() == this) {
            Application().Terminate();
        }
        return;
    }
    if (handle_ != nullptr) {
        DestroyWindow(handle_);
    }
}

int TForm::ShowModal() {
    const HWND window = Handle();
    const HWND owner = GetWindow(window, GW_OWNER);
    if (owner != nullptr) {
        EnableWindow(owner, FALSE);
    }
    ModalResult = 0;
    Show();
    MSG message;
    while (ModalResult == 0 && handle_ != nullptr && IsWindowVisible(handle_)) {
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got <= 0) {
            // The program is ending: the outer loop must see the quit message too.
            PostQuitMessage(got == 0 ? static_cast<int>(message.wParam) : 0);
            break;
        }
        Application().HandleMessage(message);
    }
    if (ModalResult == 0) {
        ModalResult = kModalCancel;
    }
    // The owner is enabled before this window hides, so that the system activates it, not another
    // program's window.
    if (owner != nullptr) {
        EnableWindow(owner, TRUE);
    }
    Hide();
    return ModalResult;
}

void TForm::SetEnabled(bool enabled) { EnableWindow(Handle(), enabled ? TRUE : FALSE); }

void TForm::SetWindowState(TWindowState state) {
    windowState_ = state;
    if (handle_ != nullptr && IsWindowVisible(handle_)) {
        PlaceForState();
    }
}

void TForm::PlaceForState() {
    if (windowState_ == wsMaximized) {
        const RECT screen = VirtualScreenRect();
        SetWindowPos(handle_, nullptr, screen.left, screen.top, screen.right - screen.left, screen.bottom - screen.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

LRESULT TForm::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE:
        Close();
        return 0;
    case WM_TIMER: {
        const auto found = timers_.find(wParam);
        if (found != timers_.end()) {
            found->second->Fire();
            return 0;
        }
        break;
    }
    case WM_PAINT:
        HandlePaint();
        return 0;
    default:
        break;
    }
    return DefaultHandler(message, wParam, lParam);
}

LRESULT TForm::DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam) {
    // A handler may have destroyed the window already (a close that went through).
    return handle_ != nullptr ? DefWindowProcA(handle_, message, wParam, lParam) : 0;
}

void TForm::HandlePaint() {
    const PaintGuard painting(handle_);
    if (painting.Dc() != nullptr) {
        TCanvas canvas(painting.Dc());
        Paint(canvas);
    }
}

void TForm::WindowDestroyed() {
    handle_ = nullptr;
    for (auto& entry : timers_) {
        entry.second->enabled_ = false;
    }
    if (Application().MainForm() == this) {
        Application().Terminate();
    }
}

LRESULT CALLBACK TForm::StaticWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    TForm* form = nullptr;
    if (message == WM_NCCREATE) {
        form = static_cast<TForm*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
        form->handle_ = window;
    } else {
        form = reinterpret_cast<TForm*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    }
    if (form == nullptr) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    LRESULT result = 0;
    try {
        result = form->WindowProc(message, wParam, lParam);
    } catch (...) {
        Application().HandleException();
        result = DefWindowProcA(window, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        form->WindowDestroyed();
    }
    return result;
}

void TCreateParams::CentreClientOnScreen(int clientWidth, int clientHeight) {
    RECT bounds{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&bounds, Style, FALSE, ExStyle);
    Width = bounds.right - bounds.left;
    Height = bounds.bottom - bounds.top;
    X = (GetSystemMetrics(SM_CXSCREEN) - Width) / 2;
    Y = (GetSystemMetrics(SM_CYSCREEN) - Height) / 2;
}

RECT VirtualScreenRect() {
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    return RECT{left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN), top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

TTimer::TTimer(TForm& owner, UINT_PTR id, UINT interval, std::function<void()> onTimer)
    : owner_(owner), id_(id), interval_(interval), onTimer_(std::move(onTimer)) {
    owner_.timers_[id_] = this;
}

TTimer::~TTimer() {
    SetEnabled(false);
    owner_.timers_.erase(id_);
}

void TTimer::SetEnabled(bool enabled) {
    if (enabled == enabled_) {
        return;
    }
    enabled_ = enabled;
    if (enabled_) {
        Arm();
    } else if (owner_.handle_ != nullptr) {
        KillTimer(owner_.handle_, id_);
    }
}

void TTimer::SetInterval(UINT interval) {
    interval_ = interval;
    Arm();
}

void TTimer::Arm() {
    if (enabled_ && owner_.handle_ != nullptr) {
        SetTimer(owner_.handle_, id_, interval_, nullptr);
    }
}

void TTimer::Fire() {
    if (!enabled_) {
        return; // a tick that was queued before the timer stopped
    }
    try {
        onTimer_();
    } catch (...) {
        Application().HandleException();
    }
}
