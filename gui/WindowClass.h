// Window classes of the program's own, registered once per process by name.
#pragma once

#include <windows.h>

// Registers the class unless the program has registered one of that name already. False, with the
// system's error code set, when it cannot be registered.
bool RegisterWindowClass(const WNDCLASSEXA& windowClass);
