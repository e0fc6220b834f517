// The application object: the program's title, its main form, the message loop and the way out of it.
//
// There is one per process, reached through Application(). It is made on first use, so that objects
// constructed during static initialisation (the settings) may already show a message box under the
// program's title.
#pragma once

#include <windows.h>

#include <string>

class TForm;

class TApplication {
public:
    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;

    // The text the system shows for the program's task. Until the program sets one it is the program
    // file's name without its extension, as Windows itself would name the task.
    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& title) { title_ = title; }

    HINSTANCE Instance() const { return instance_; }

    // The form whose closing ends the program; none until one is set.
    TForm* MainForm() const { return mainForm_; }
    void SetMainForm(TForm* form) { mainForm_ = form; }

    // Runs the message loop until Terminate, or until the main form's window is gone. Without a main
    // form there is nothing to wait for and it returns at once. It may run again afterwards.
    void Run();
    // Hands one message on: to the dialog keys (Tab, Enter, Esc) of the active form when that form has
    // controls, otherwise to its window. Run uses it for every message; tests that pump messages use
    // it too.
    void HandleMessage(MSG& message);

    // Ends the message loop; a modal loop that is running ends too.
    void Terminate();
    bool Terminated() const { return terminated_; }

    // A plain box with one OK button under the program's title.
    void ShowMessage(const std::string& text);

    // Shows the exception being handled; call it inside a catch block only. The program's own errors
    // come in the standard error box with their text, a library error in a plain box with its
    // description, anything else as "Unknown exception.". While one such box is open, further errors
    // (a timer that fails on every tick, say) go to the trace log only, so that boxes cannot pile up.
    void HandleException() noexcept;

private:
    friend TApplication& Application();
    TApplication();

    std::string title_;
    HINSTANCE instance_;
    TForm* mainForm_ = nullptr;
    bool terminated_ = false;
    bool showingError_ = false;
};

TApplication& Application();

// Shows the hourglass over the whole screen until the scope ends, then the normal arrow.
class ScopedWaitCursor {
public:
    ScopedWaitCursor();
    ~ScopedWaitCursor();
    ScopedWaitCursor(const ScopedWaitCursor&) = delete;
    ScopedWaitCursor& operator=(const ScopedWaitCursor&) = delete;
};
