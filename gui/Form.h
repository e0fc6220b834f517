// A form: one window of our own, whose messages reach a virtual window procedure.
//
// The window is made when it is first needed (Show, or WindowHandle), not in the constructor, so that
// the messages of its creation already reach the derived class. A form keeps `this` from WM_NCCREATE in
// the window's user data; every message that the form does not take goes to DefWindowProcA, and no
// exception ever leaves the window procedure.
//
// Closing asks FormClose first, which may change the close action; caNone keeps the window open.
// Closing the application's main form ends the program.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>

class TCanvas;
class TTimer;

enum TCloseAction { caNone, caHide, caFree };

// wsMaximized makes the window cover the whole screen (all monitors), whatever its frame.
enum TWindowState { wsNormal, wsMaximized };

// The whole screen, all monitors together, in screen coordinates: what a maximized form covers.
RECT VirtualScreenRect();

// What the window is made with.
struct TCreateParams {
    std::string ClassName;
    std::string Caption;
    DWORD Style = WS_OVERLAPPEDWINDOW;
    DWORD ExStyle = 0;
    int X = CW_USEDEFAULT;
    int Y = CW_USEDEFAULT;
    int Width = CW_USEDEFAULT;
    int Height = CW_USEDEFAULT;
    HWND Parent = nullptr;
    UINT ClassStyle = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    // A stock object or a system colour (COLOR_xxx + 1), never one the form would have to delete.
    HBRUSH Background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    HICON Icon = nullptr;

    // Sizes the window for a client area of the size, with the frame that Style and ExStyle give it, and
    // centres it on the primary screen. Call it after setting the styles.
    void CentreClientOnScreen(int clientWidth, int clientHeight);
};

class TForm {
public:
    TForm();
    virtual ~TForm();
    TForm(const TForm&) = delete;
    TForm& operator=(const TForm&) = delete;

    // The form's window, made now if it does not exist yet. Raises when the window cannot be made.
    HWND Handle();
    // The window if it exists, without making one.
    HWND WindowHandle() const { return handle_; }
    bool HandleAllocated() const { return handle_ != nullptr; }

    // Runs FormShow, then shows the window (covering the screen when maximized).
    void Show();
    void Hide();
    // Asks FormClose; then hides or destroys the window as the action says.
    void Close();

    // Shows the form over its owner window, which stays disabled meanwhile, and runs a message loop of
    // its own until ModalResult is set or the window is hidden or gone (then ModalResult is
    // kModalCancel). Hides the form again and returns ModalResult.
    int ShowModal();
    static constexpr int kModalOk = 1;
    static constexpr int kModalCancel = 2;
    int ModalResult = 0;

    void SetEnabled(bool enabled);
    TWindowState WindowState() const { return windowState_; }
    void SetWindowState(TWindowState state);

protected:
    virtual void CreateParams(TCreateParams& params) = 0;
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // What the system does with a message that the form leaves alone.
    LRESULT DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam);

    virtual void FormShow() {}
    // After a visible window has been hidden.
    virtual void FormHide() {}
    virtual void FormClose(TCloseAction& /*action*/) {}
    // Draws on the invalid part of the client area after the background has been erased.
    virtual void Paint(TCanvas& /*canvas*/) {}

private:
    friend class TTimer;
    static LRESULT CALLBACK StaticWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void CreateHandle();
    void WindowDestroyed();
    void PlaceForState();
    void HandlePaint();

    HWND handle_ = nullptr;
    TWindowState windowState_ = wsNormal;
    std::map<UINT_PTR, TTimer*> timers_;
};

// A window timer of a form, bound to a handler of that form. It may be set up before the form's window
// exists; it starts once the window is there. Failures in the handler are caught and shown.
class TTimer {
public:
    TTimer(TForm& owner, UINT_PTR id, UINT interval, std::function<void()> onTimer);
    ~TTimer();
    TTimer(const TTimer&) = delete;
    TTimer& operator=(const TTimer&) = delete;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    UINT Interval() const { return interval_; }
    // A running timer starts counting the new interval now.
    void SetInterval(UINT interval);

private:
    friend class TForm;
    void Arm();
    void Fire();

    TForm& owner_;
    UINT_PTR id_;
    UINT interval_;
    bool enabled_ = false;
    std::function<void()> onTimer_;
};
