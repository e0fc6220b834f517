#include "gui/Application.h"

#include "gui/Form.h"
#include "library/Paths.h"
#include "support/Error.h"
#include "support/FileNames.h"
#include "support/MessageBoxes.h"
#include "support/System.h"
#include "support/TraceLog.h"

#include <exception>
#include <utility>

namespace {

std::string ProgramName() {
    std::string name;
    SplitPath(WithoutExtension(sys::ModuleFileName()), nullptr, &name);
    return name;
}

} // namespace

TApplication& Application() {
    static TApplication application;
    return application;
}

TApplication::TApplication() : title_(ProgramName()), instance_(GetModuleHandleA(nullptr)) {}

void TApplication::Run() {
    if (mainForm_ == nullptr) {
        return;
    }
    // Each run starts afresh. A Terminate that came before it has left its quit message in the queue, so
    // the loop still ends at once.
    terminated_ = false;
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        HandleMessage(message);
    }
    terminated_ = true;
}

void TApplication::HandleMessage(MSG& message) {
    // A form with controls (WS_EX_CONTROLPARENT) lets the system's dialog manager move the focus and
    // turn Enter and Esc into its buttons' commands.
    const HWND active = GetActiveWindow();
    if (active != nullptr && (GetWindowLongA(active, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) != 0 &&
        IsDialogMessageA(active, &message)) {
        return;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
}

void TApplication::Terminate() {
    if (!terminated_) {
        terminated_ = true;
        PostQuitMessage(0);
    }
}

void TApplication::ShowMessage(const std::string& text) { ShowMessageBox(nullptr, text, title_, MB_OK); }

void TApplication::HandleException() noexcept {
    std::string text;
    bool library = false;
    try {
        throw;
    } catch (const EZolvaneError& error) {
        text = error.what();
    } catch (const std::exception& error) {
        text = error.what();
        library = true;
    } catch (...) {
        text = "Unknown exception.";
    }
    try {
        if (showingError_) {
            TraceWrite(tlError, "%s", text);
            return;
        }
        showingError_ = true;
        HWND owner = mainForm_ != nullptr ? mainForm_->WindowHandle() : nullptr;
        if (library) {
            ShowMessage(text);
        } else {
            ShowErrorBox(owner, text);
        }
        showingError_ = false;
    } catch (...) {
        // Nothing is left to tell the user with; the program goes on.
        showingError_ = false;
    }
}

ScopedWaitCursor::ScopedWaitCursor() { SetCursor(LoadCursorA(nullptr, IDC_WAIT)); }

ScopedWaitCursor::~ScopedWaitCursor() { SetCursor(LoadCursorA(nullptr, IDC_ARROW)); }
