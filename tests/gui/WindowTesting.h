// Helpers for tests of windows: waiting while this thread's messages are handled, reading a window's
// class and text, and a main form that is put back when the test ends.
#pragma once

#include "gui/Application.h"

#include <windows.h>

#include <functional>
#include <string>

namespace testing_windows {

// How long anything that should happen may take under Wine on a busy machine.
constexpr DWORD kPatience = 20000;

// Handles this thread's messages until the condition holds or the time is up; true when it held.
inline bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs = kPatience) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            Application().HandleMessage(message);
        }
        if (condition()) {
            return true;
        }
        if (GetTickCount64() >= end) {
            return false;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

inline std::string ClassOf(HWND window) {
    char name[256] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

inline std::string TextOf(HWND window) {
    char text[256] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// ---- Real input, through the system's input queue ----------------------------------------------------

inline void PressKey(WORD key) {
    INPUT input[2]{};
    input[0].type = INPUT_KEYBOARD;
    input[0].ki.wVk = key;
    input[1] = input[0];
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof(INPUT));
}

// A point of the primary screen as SendInput's absolute positions give it: 0 to 65535 across the screen,
// rounded up to land on the pixel.
inline INPUT MouseInputAt(POINT screen, DWORD flags) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    input.mi.dx = static_cast<LONG>((screen.x * 65536 + width - 1) / width);
    input.mi.dy = static_cast<LONG>((screen.y * 65536 + height - 1) / height);
    return input;
}

// Moves the pointer to the point as a mouse does: through the input queue, so that hooks and raw input
// see it (SetCursorPos only places the pointer).
inline void MovePointerAsAMouse(int x, int y) {
    INPUT input = MouseInputAt(POINT{x, y}, 0);
    SendInput(1, &input, sizeof input);
}

// Presses and lets go of a button (MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_RIGHTDOWN or MOUSEEVENTF_MIDDLEDOWN)
// at the point of the screen. Each event carries the point, so the press lands there however late the
// system moves the pointer.
inline void ClickScreenAt(POINT screen, DWORD buttonDown = MOUSEEVENTF_LEFTDOWN) {
    SetCursorPos(screen.x, screen.y);
    // Each button's "up" flag is twice its "down" flag.
    INPUT input[2] = {MouseInputAt(screen, buttonDown), MouseInputAt(screen, buttonDown << 1)};
    SendInput(2, input, sizeof(INPUT));
}

// The same at a point of the window's client area.
inline void ClickAt(HWND window, POINT client, DWORD buttonDown = MOUSEEVENTF_LEFTDOWN) {
    ClientToScreen(window, &client);
    ClickScreenAt(client, buttonDown);
}

// Clicks the middle of a control.
inline void ClickControl(HWND control) {
    RECT client{};
    GetClientRect(control, &client);
    ClickAt(control, POINT{client.right / 2, client.bottom / 2});
}

// Makes the form the application's main form for a scope, and puts the one before back afterwards, so
// that a test that ends early leaves no main form behind for the next test of the program.
class ScopedMainForm {
public:
    explicit ScopedMainForm(TForm* form) : previous_(Application().MainForm()) { Application().SetMainForm(form); }
    ~ScopedMainForm() { Application().SetMainForm(previous_); }
    ScopedMainForm(const ScopedMainForm&) = delete;
    ScopedMainForm& operator=(const ScopedMainForm&) = delete;

private:
    TForm* previous_;
};

} // namespace testing_windows
