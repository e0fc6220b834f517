#include "support/MessageBoxes.h"

#include <utility>

namespace {

MessageBoxHandler& Handler() {
    static MessageBoxHandler handler;
    return handler;
}

} // namespace

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
    return std::exchange(Handler(), std::move(handler));
}

int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type) {
    if (Handler()) {
        return Handler()(owner, text, caption, type);
    }
    return MessageBoxA(owner, text.c_str(), caption.c_str(), type);
}

int ShowErrorBox(HWND owner, const std::string& text) {
    return ShowMessageBox(owner, text, "Error", MB_ICONEXCLAMATION);
}
