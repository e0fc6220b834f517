#include "gui/WindowClass.h"

bool RegisterWindowClass(const WNDCLASSEXA& windowClass) {
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExA(windowClass.hInstance, windowClass.lpszClassName, &existing)) {
        return true;
    }
    return RegisterClassExA(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}
