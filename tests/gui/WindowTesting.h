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

// Moves the pointer to the point of the primary screen as a mouse does: through the input queue, so that
// hooks and raw input see it (SetCursorPos only places the pointer).
inline void MovePointerAsAMouse(int x, int y) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    // Absolute positions run from 0 to 65535 across the screen, rounded up to land on the pixel.
    input.mi.dx = static_cast<LONG>((x * 65536 + GetSystemMetrics(SM_CXSCREEN) - 1) / GetSystemMetrics(SM_CXSCREEN));
    input.mi.dy = static_cast<LONG>((y * 65536 + GetSystemMetrics(SM_CYSCREEN) - 1) / GetSystemMetrics(SM_CYSCREEN));
    SendInput(1, &input, sizeof input);
}

// Moves the pointer onto the point of the screen and presses and lets go of a button there
// (MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_RIGHTDOWN or MOUSEEVENTF_MIDDLEDOWN).
inline void ClickScreenAt(POINT screen, DWORD buttonDown = MOUSEEVENTF_LEFTDOWN) {
    SetCursorPos(screen.x, screen.y);
    INPUT input[2]{};
    input[0].type = INPUT_MOUSE;
    input[0].mi.dwFlags = buttonDown;
    input[1] = input[0];
    // Each button's "up" flag is twice its "down" flag.
    input[1].mi.dwFlags = buttonDown << 1;
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
