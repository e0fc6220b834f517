// The handles the player holds, each owned by a UniqueResource with its own traits.
#pragma once

#include "support/UniqueResource.h"

#include <windows.h>
// GDI+ needs the COM interfaces that WIN32_LEAN_AND_MEAN leaves out of windows.h.
#include <objidl.h>

#include <gdiplus.h>

struct GdiObjectTraits {
    using Value = HGDIOBJ;
    static Value Invalid() noexcept { return nullptr; }
    static void Close(Value object) noexcept { DeleteObject(object); }
};
using UniqueGdiObject = UniqueResource<GdiObjectTraits>;

// A memory device context of our own, given back with DeleteDC (a window's DC goes back with ReleaseDC
// and a painted one with EndPaint: neither belongs here).
struct MemoryDcTraits {
    using Value = HDC;
    static Value Invalid() noexcept { return nullptr; }
    static void Close(Value dc) noexcept { DeleteDC(dc); }
};
using UniqueMemoryDc = UniqueResource<MemoryDcTraits>;

// An object selected into a DC, with the one it replaced, so that the old one goes back in before
// either is deleted.
struct DcSelection {
    HDC dc = nullptr;
    HGDIOBJ previous = nullptr;
    bool operator==(const DcSelection& other) const { return dc == other.dc && previous == other.previous; }
    bool operator!=(const DcSelection& other) const { return !(*this == other); }
};
struct DcSelectionTraits {
    using Value = DcSelection;
    static Value Invalid() noexcept { return {}; }
    static void Close(Value selection) noexcept { SelectObject(selection.dc, selection.previous); }
};
using UniqueDcSelection = UniqueResource<DcSelectionTraits>;

inline UniqueDcSelection SelectInto(HDC dc, HGDIOBJ object) {
    return UniqueDcSelection({dc, SelectObject(dc, object)});
}

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
