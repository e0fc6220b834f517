#include "gui/Controls.h"

#include "gui/Application.h"
#include "support/Error.h"
#include "support/ErrorCodes.h"
#include "support/SystemLibraries.h"

#include <commctrl.h>

#include <vector>

// The common controls library is loaded with the first control, not with the program: the screensaver
// itself makes none, and loading it registers every control class, a cost at each start of the show.
// It stays loaded, since its classes are in use from then on.
void EnsureCommonControls() {
    static const bool registered = [] {
        const HMODULE library = LoadSystemLibrary("comctl32.dll").Release();
        if (library == nullptr) {
            return false;
        }
        const auto initialize = reinterpret_cast<decltype(&InitCommonControlsEx)>(
            reinterpret_cast<void*>(GetProcAddress(library, "InitCommonControlsEx")));
        if (initialize == nullptr) {
            return false;
        }
        INITCOMMONCONTROLSEX controls{};
        controls.dwSize = sizeof controls;
        controls.dwICC = ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES;
        return initialize(&controls) != FALSE;
    }();
    (void)registered;
}

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
    EnsureCommonControls();
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

void AutoSizeLabel(HWND label) {
    const std::string text = ControlText(label);
    SIZE extent{0, 0};
    {
        const UniqueWindowDc dc = GetWindowDc(label);
        if (!dc) {
            return;
        }
        const UniqueSelection font =
            SelectInto(dc.Get().dc, reinterpret_cast<HGDIOBJ>(SendMessageA(label, WM_GETFONT, 0, 0)));
        GetTextExtentPoint32A(dc.Get().dc, text.data(), static_cast<int>(text.size()), &extent);
    }
    SetWindowPos(label, nullptr, 0, 0, extent.cx, extent.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SetProgress(HWND bar, int minimum, int maximum, int position) {
    SendMessageA(bar, PBM_SETRANGE32, static_cast<WPARAM>(minimum), maximum);
    SendMessageA(bar, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

namespace {

// Only Windows 10 has the per-window calls; older systems have one DPI for all.
template <class Function>
Function User32Function(const char* name) {
    return ModuleFunction<Function>(GetModuleHandleA("user32.dll"), name);
}

} // namespace

UINT SystemDpi() {
    using GetDpiForSystemFunction = UINT(WINAPI*)();
    static const auto getDpiForSystem = User32Function<GetDpiForSystemFunction>("GetDpiForSystem");
    if (getDpiForSystem != nullptr) {
        return getDpiForSystem();
    }
    const UniqueWindowDc screen = GetWindowDc(nullptr);
    return screen ? static_cast<UINT>(GetDeviceCaps(screen.Get().dc, LOGPIXELSY)) : kDesignDpi;
}

UINT WindowDpi(HWND window) {
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
    const UINT dpi = getDpiForWindow != nullptr && window != nullptr ? getDpiForWindow(window) : 0;
    return dpi != 0 ? dpi : SystemDpi();
}
