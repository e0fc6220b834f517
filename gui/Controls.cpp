#include "gui/Controls.h"

#include "gui/Application.h"
#include "support/Error.h"
#include "support/ErrorCodes.h"

#include <commctrl.h>

#include <cstring>
#include <vector>

namespace {

// The progress bar's class comes from the common controls, which register it on request.
void EnsureCommonControls() {
    static const bool registered = [] {
        INITCOMMONCONTROLSEX controls{};
        controls.dwSize = sizeof controls;
        controls.dwICC = ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES;
        return InitCommonControlsEx(&controls) != FALSE;
    }();
    (void)registered;
}

} // namespace

UniqueFont MakeFont(const std::string& face, int height) {
    UniqueFont font(CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                                CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face.c_str()));
    if (!font) {
        throw EZolvaneError(ErrorText(ecGdiFailed));
    }
    return font;
}

HWND CreateControl(HWND parent, const char* controlClass, const std::string& text, DWORD style, const RECT& place,
                   int id, HFONT font) {
    if (std::strcmp(controlClass, PROGRESS_CLASSA) == 0) {
        EnsureCommonControls();
    }
    HWND control =
        CreateWindowExA(0, controlClass, text.c_str(), WS_CHILD | WS_VISIBLE | style, place.left, place.top,
                        place.right - place.left, place.bottom - place.top, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Application().Instance(), nullptr);
    if (control == nullptr) {
        throw EZolvaneError(ErrorText(ecCreateWindowFailed));
    }
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

void SetControlText(HWND control, const std::string& text) { SetWindowTextA(control, text.c_str()); }

std::string ControlText(HWND control) {
    std::vector<char> text(static_cast<std::size_t>(GetWindowTextLengthA(control)) + 1, '\0');
    GetWindowTextA(control, text.data(), static_cast<int>(text.size()));
    return text.data();
}

void SetProgress(HWND bar, int minimum, int maximum, int position) {
    SendMessageA(bar, PBM_SETRANGE32, static_cast<WPARAM>(minimum), maximum);
    SendMessageA(bar, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}
