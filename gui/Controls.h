// Child controls of a form: the system's own control classes (static text, buttons, progress bars) at
// pixel places in the form's client area, in a font the form keeps. The form's window owns them and
// destroys them with itself, so they are plain window handles here.
#pragma once

#include "support/WinHandles.h"

#include <string>

// Registers the classes of the common controls (progress bars, tooltips and the like) once per process.
void EnsureCommonControls();

// A font of the given face and height (negative: character height in pixels, as the system takes it).
// Raises ecGdiFailed's text when it cannot be made.
UniqueFont MakeFont(const std::string& face, int height);

// Makes one control. Raises ecCreateWindowFailed's text when it cannot be made.
HWND CreateControl(HWND parent, const char* controlClass, const std::string& text, DWORD style, const RECT& place,
                   int id, HFONT font);

void SetControlText(HWND control, const std::string& text);
std::string ControlText(HWND control);

// Sizes a static text control to its one line of text in its font; its top-left corner stays.
void AutoSizeLabel(HWND label);

// A progress bar's range and position (PBM_SETRANGE32, PBM_SETPOS).
void SetProgress(HWND bar, int minimum, int maximum, int position);

// A place given as left, top, width and height.
constexpr RECT PlaceAt(int left, int top, int width, int height) { return RECT{left, top, left + width, top + height}; }

// ---- Dots per inch ------------------------------------------------------------------------------------
// Places and font heights are given for 96 dots per inch and scaled to the DPI of the window's monitor
// (the program declares itself aware of each monitor's DPI); systems without per-monitor DPI give the
// system's.
constexpr UINT kDesignDpi = 96;
UINT WindowDpi(HWND window);
UINT SystemDpi();
inline int ScaleToDpi(int pixels, UINT dpi) { return MulDiv(pixels, static_cast<int>(dpi), kDesignDpi); }
inline RECT ScaleToDpi(const RECT& place, UINT dpi) {
    return RECT{ScaleToDpi(place.left, dpi), ScaleToDpi(place.top, dpi), ScaleToDpi(place.right, dpi),
                ScaleToDpi(place.bottom, dpi)};
}
