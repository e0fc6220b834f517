// Child controls of a form: the system's own control classes (static text, buttons, progress bars) at
// pixel places in the form's client area, in a font the form keeps. The form's window owns them and
// destroys them with itself, so they are plain window handles here.
#pragma once

#include "support/WinHandles.h"

#include <string>

// A font of the given face and height (negative: character height in pixels, as the system takes it).
// Raises ecGdiFailed's text when it cannot be made.
UniqueFont MakeFont(const std::string& face, int height);

// Makes one control. Raises ecCreateWindowFailed's text when it cannot be made.
HWND CreateControl(HWND parent, const char* controlClass, const std::string& text, DWORD style, const RECT& place,
                   int id, HFONT font);

void SetControlText(HWND control, const std::string& text);
std::string ControlText(HWND control);

// A progress bar's range and position (PBM_SETRANGE32, PBM_SETPOS).
void SetProgress(HWND bar, int minimum, int maximum, int position);

// A place given as left, top, width and height.
inline RECT PlaceAt(int left, int top, int width, int height) { return RECT{left, top, left + width, top + height}; }
