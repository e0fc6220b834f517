// Owners for what the player holds of GDI+ and COM; the plain Win32 handles have theirs in
// support/WinHandles.h.
#pragma once

#include "support/UniqueResource.h"

#include <windows.h>
// GDI+ needs the COM interfaces that WIN32_LEAN_AND_MEAN leaves out of windows.h.
#include <objidl.h>

#include <gdiplus.h>

// The token of one GdiplusStartup.
struct GdiplusTokenTraits {
    using Value = ULONG_PTR;
    static Value Invalid() noexcept { return 0; }
    static void Close(Value token) noexcept { Gdiplus::GdiplusShutdown(token); }
};
using UniqueGdiplusToken = UniqueResource<GdiplusTokenTraits>;

struct GdiplusImageTraits {
    using Value = Gdiplus::Image*;
    static Value Invalid() noexcept { return nullptr; }
    static void Close(Value image) noexcept { delete image; }
};
using UniqueGdiplusImage = UniqueResource<GdiplusImageTraits>;

// One reference to a COM stream.
struct StreamTraits {
    using Value = IStream*;
    static Value Invalid() noexcept { return nullptr; }
    static void Close(Value stream) noexcept { stream->Release(); }
};
using UniqueStream = UniqueResource<StreamTraits>;
