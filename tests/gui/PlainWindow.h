// A plain window of the test, with any class name: a preview area, a running settings window, an owner.
// It notes the program's own messages (WM_USER and above) that reach it.
#pragma once

#include "support/WinHandles.h"

#include <windows.h>

#include <string>
#include <vector>

class PlainWindow {
public:
    PlainWindow(const char* className, DWORD style, int width = 300, int height = 240, HWND parent = nullptr) {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = &PlainWindow::Procedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = className;
        RegisterClassA(&windowClass);
        window_.Reset(CreateWindowExA(0, className, "Test window", style, 50, 60, width, height, parent, nullptr,
                                      GetModuleHandleA(nullptr), this));
    }
    PlainWindow(const PlainWindow&) = delete;
    PlainWindow& operator=(const PlainWindow&) = delete;

    HWND Get() const { return window_.Get(); }
    void Destroy() { window_.Reset(); }
    // The window's number as a command line writes it.
    std::string Number() const { return std::to_string(reinterpret_cast<INT_PTR>(window_.Get())); }

    struct Received {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    const std::vector<Received>& ReceivedMessages() const { return received_; }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            SetWindowLongPtrA(window, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
        }
        auto* self = reinterpret_cast<PlainWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self != nullptr && message >= WM_USER && message < 0xC000) {
            self->received_.push_back({message, wParam, lParam});
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }

    std::vector<Received> received_;
    UniqueWindow window_;
};
