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
