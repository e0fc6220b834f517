// Drawing on a window: a canvas with a font and a brush that clean themselves up, a paint box that
// lends its owner's client area to a canvas, and a picture from the program's resources.
#pragma once

#include "support/WinHandles.h"

#include <string>

class TForm;

struct TFontSpec {
    std::string Name = "MS Sans Serif";
    int PointSize = 8;
    // When not 0, the character height in pixels as the system takes it (negative), in place of PointSize.
    int Height = 0;
    bool Bold = false;
    bool Underline = false;
    COLORREF Color = RGB(255, 255, 255);
};

// Draws on a device context that someone else owns. The font and the brush it makes are deleted with
// it, after what the context held before has been put back.
class TCanvas {
public:
    explicit TCanvas(HDC dc) : dc_(dc) {}
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    HDC Handle() const { return dc_; }

    // Raises ecGdiFailed's text when the font cannot be made.
    void SetFont(const TFontSpec& font);
    COLORREF BrushColor() const { return brushColor_; }
    void SetBrushColor(COLORREF color);

    void FillRect(const RECT& rect);
    // The text in the font's colour on the brush colour, its top-left corner at (x, y).
    void WriteText(int x, int y, const std::string& text);
    SIZE TextExtent(const std::string& text);
    void Draw(int x, int y, HBITMAP bitmap);

private:
    HDC dc_;
    COLORREF fontColor_ = RGB(0, 0, 0);
    COLORREF brushColor_ = RGB(255, 255, 255);
    UniqueBrush brush_;
    // Declared after the font, so that the font is put back before it is deleted.
    UniqueFont font_;
    UniqueSelection fontSelection_;
};

// A canvas on a window's whole client area outside of painting, for drawing from a timer.
class TWindowCanvas {
public:
    // Raises ecGdiFailed's text when the window gives no device context.
    explicit TWindowCanvas(HWND window);
    TWindowCanvas(HWND window, const TFontSpec& font, COLORREF brushColor);

    TCanvas& operator*() { return canvas_; }
    TCanvas* operator->() { return &canvas_; }

private:
    // Declared first, so that the canvas has put everything back before the context is released.
    UniqueWindowDc dc_;
    TCanvas canvas_;
};

// A drawing area that fills its owner's client area. It is no window of its own, so it takes no input.
class TPaintBox {
public:
    explicit TPaintBox(TForm& owner) : owner_(owner) {}

    TFontSpec Font;
    COLORREF Color = RGB(0, 0, 0);

    RECT ClientRect();
    // A canvas with the box's font selected and its colour as the brush.
    TWindowCanvas Canvas();

private:
    TForm& owner_;
};

// A bitmap of the program's resources, drawn by its owner when visible. A missing resource leaves it
// empty, and an empty picture draws nothing.
class TPicture {
public:
    explicit TPicture(int resourceId);

    bool Visible = false;
    int Left = 0;
    int Top = 0;

    bool Empty() const { return !bitmap_.IsValid(); }
    SIZE Size() const;
    void Paint(TCanvas& canvas) const;

private:
    UniqueBitmap bitmap_;
};
