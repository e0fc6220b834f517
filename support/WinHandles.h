// Owners for the Win32 handles of the user interface, the registry and loaded modules.
//
// Every alias below is the one UniqueResource template with a traits struct that knows the handle's
// invalid value and the call that gives it back; nothing else in the program calls CloseHandle,
// RegCloseKey, FreeLibrary, DeleteObject, DeleteDC, ReleaseDC or DestroyWindow on a handle it owns, nor
// Release on a COM interface or CoUninitialize.
#pragma once

#include "support/UniqueResource.h"

#include <windows.h>

#include <objbase.h>

// A kernel handle that is invalid when NULL (mutexes, processes, threads, events).
struct HandleTraits {
    using Value = HANDLE;
    static Value Invalid() noexcept { return nullptr; }
    static void Close(Value handle) noexcept { CloseHandle(handle); }
};
using UniqueHandle = UniqueResource<HandleTraits>;

// A COM interface pointer: one reference, given back with Release.
template <class Interface>
struct ComInterfaceTraits {
    using Value = Interface*;
    static Value Invalid() noexcept { return nullptr; }
    static void Close(Value object) noexcept { object->Release(); }
};
template <class Interface>
using UniqueComInterface = UniqueResource<ComInterfaceTraits<Interface>>;

// COM on the calling thread: held when this thread's start of it succeeded, and then undone once.
struct ComThreadTraits {
    using Value = bool;
    static Value Invalid() noexcept { return false; }
    static void Close(Value) noexcept { CoUninitialize(); }
};
using UniqueComThread = UniqueResource<ComThreadTraits>;

struct RegKeyTraits {
    using Value = HKEY;
    static Value Invalid() noexcept { return nullptr; }
    static void Close(Value key) noexcept { RegCloseKey(key); }
};
using UniqueRegKey = UniqueResource<RegKeyTraits>;

// A module from LoadLibraryA.
struct ModuleTraits {
    using Value = HMODULE;
    static Value Invalid() noexcept { return nullptr; }
    static void Close(Value module) noexcept { FreeLibrary(module); }
};
using UniqueModule = UniqueResource<ModuleTraits>;

// A function of a loaded module as the type the caller expects, or null when the module lacks it.
// FARPROC says nothing of the real signature; going through a function of no arguments is the cast that
// compilers accept between unrelated function pointer types.
template <class Function>
Function ModuleFunction(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// Pens, brushes, fonts and bitmaps; the type parameter keeps a font from being passed where a bitmap is
// wanted.
template <class Handle>
struct GdiObjectTraits {
    using Value = Handle;
    static Value Invalid() noexcept { return nullptr; }
    static void Close(Value object) noexcept { DeleteObject(object); }
};
using UniqueFont = UniqueResource<GdiObjectTraits<HFONT>>;
using UniqueBrush = UniqueResource<GdiObjectTraits<HBRUSH>>;
using UniqueBitmap = UniqueResource<GdiObjectTraits<HBITMAP>>;

// A device context of our own making (CreateCompatibleDC), given back with DeleteDC.
struct MemoryDcTraits {
    using Value = HDC;
    static Value Invalid() noexcept { return nullptr; }
    static void Close(Value dc) noexcept { DeleteDC(dc); }
};
using UniqueMemoryDc = UniqueResource<MemoryDcTraits>;

// A window's device context from GetDC: ReleaseDC needs the window as well, so the value carries both.
struct WindowDc {
    HWND window;
    HDC dc;
    friend bool operator==(const WindowDc& a, const WindowDc& b) { return a.window == b.window && a.dc == b.dc; }
    friend bool operator!=(const WindowDc& a, const WindowDc& b) { return !(a == b); }
};
struct WindowDcTraits {
    using Value = WindowDc;
    static Value Invalid() noexcept { return {nullptr, nullptr}; }
    static void Close(Value value) noexcept { ReleaseDC(value.window, value.dc); }
};
using UniqueWindowDc = UniqueResource<WindowDcTraits>;

// Invalid when the window has no device context to give.
inline UniqueWindowDc GetWindowDc(HWND window) {
    HDC dc = GetDC(window);
    return dc != nullptr ? UniqueWindowDc(WindowDc{window, dc}) : UniqueWindowDc();
}

// An object selected into a device context; giving it back selects what was there before, so that the
// object can be deleted and the context released in a clean state.
struct Selection {
    HDC dc;
    HGDIOBJ previous;
    friend bool operator==(const Selection& a, const Selection& b) { return a.dc == b.dc && a.previous == b.previous; }
    friend bool operator!=(const Selection& a, const Selection& b) { return !(a == b); }
};
struct SelectionTraits {
    using Value = Selection;
    static Value Invalid() noexcept { return {nullptr, nullptr}; }
    static void Close(Value value) noexcept { SelectObject(value.dc, value.previous); }
};
using UniqueSelection = UniqueResource<SelectionTraits>;

// Invalid when the object could not be selected.
inline UniqueSelection SelectInto(HDC dc, HGDIOBJ object) {
    HGDIOBJ previous = SelectObject(dc, object);
    return previous != nullptr && previous != HGDI_ERROR ? UniqueSelection(Selection{dc, previous}) : UniqueSelection();
}

// BeginPaint and its EndPaint around a scope, so that EndPaint follows whatever the painting does.
class PaintGuard {
public:
    explicit PaintGuard(HWND window) : window_(window) { dc_ = BeginPaint(window_, &paint_); }
    ~PaintGuard() { EndPaint(window_, &paint_); }
    PaintGuard(const PaintGuard&) = delete;
    PaintGuard& operator=(const PaintGuard&) = delete;

    // None when the window gave no device context; nothing can be drawn then.
    HDC Dc() const { return dc_; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_ = nullptr;
};

// A hook of the system's input, taken out again when it goes.
struct HookTraits {
    using Value = HHOOK;
    static Value Invalid() noexcept { return nullptr; }
    static void Close(Value hook) noexcept { UnhookWindowsHookEx(hook); }
};
using UniqueHook = UniqueResource<HookTraits>;

// A window we created and that nobody else destroys first. Forms track their own window instead,
// because the system may destroy it (with its parent, say) before the form goes.
struct WindowTraits {
    using Value = HWND;
    static Value Invalid() noexcept { return nullptr; }
    static void Close(Value window) noexcept { DestroyWindow(window); }
};
using UniqueWindow = UniqueResource<WindowTraits>;
