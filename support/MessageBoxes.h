// Every message box of the program goes through ShowMessageBox, so that tests can see and answer them.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Answers a box in place of the user: returns the id of the button "pressed".
using MessageBoxHandler =
    std::function<int(HWND owner, const std::string& text, const std::string& caption, UINT type)>;

// Routes boxes to the handler; an empty handler brings the real boxes back. Returns the one before.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type);

// A modal box captioned "Error" with one OK button and the exclamation icon.
int ShowErrorBox(HWND owner, const std::string& text);
