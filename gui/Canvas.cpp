#include "gui/Canvas.h"

#include "gui/Application.h"
#include "gui/Form.h"
#include "support/Error.h"
#include "support/ErrorCodes.h"

void TCanvas::SetFont(const TFontSpec& font) {
    const int height = font.Height != 0 ? font.Height : -MulDiv(font.PointSize, GetDeviceCaps(dc_, LOGPIXELSY), 72);
    UniqueFont made(CreateFontA(height, 0, 0, 0, font.Bold ? FW_BOLD : FW_NORMAL, FALSE, font.Underline ? TRUE : FALSE,
                                FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                DEFAULT_PITCH | FF_DONTCARE, font.Name.c_str()));
    if (!made) {
        throw EZolvaneError(ErrorText(ecGdiFailed));
    }
    fontSelection_.Reset();
    font_ = std::move(made);
    fontSelection_ = SelectInto(dc_, font_.Get());
    fontColor_ = font.Color;
}

void TCanvas::SetBrushColor(COLORREF color) {
    brushColor_ = color;
    brush_.Reset();
}

void TCanvas::FillRect(const RECT& rect) {
    if (!brush_) {
        brush_.Reset(CreateSolidBrush(brushColor_));
        if (!brush_) {
            throw EZolvaneError(ErrorText(ecGdiFailed));
        }
    }
    ::FillRect(dc_, &rect, brush_.Get());
}

void TCanvas::WriteText(int x, int y, const std::string& text) {
    SetTextColor(dc_, fontColor_);
    SetBkColor(dc_, brushColor_);
    SetBkMode(dc_, OPAQUE);
    TextOutA(dc_, x, y, text.data(), static_cast<int>(text.size()));
}

SIZE TCanvas::TextExtent(const std::string& text) {
    SIZE size{0, 0};
    GetTextExtentPoint32A(dc_, text.data(), static_cast<int>(text.size()), &size);
    return size;
}

void TCanvas::Draw(int x, int y, HBITMAP bitmap) {
    BITMAP info;
    if (GetObjectA(bitmap, sizeof info, &info) == 0) {
        return;
    }
    UniqueMemoryDc source(CreateCompatibleDC(dc_));
    if (!source) {
        throw EZolvaneError(ErrorText(ecGdiFailed));
    }
    const UniqueSelection selected = SelectInto(source.Get(), bitmap);
    BitBlt(dc_, x, y, info.bmWidth, info.bmHeight, source.Get(), 0, 0, SRCCOPY);
}

TWindowCanvas::TWindowCanvas(HWND window) : dc_(GetWindowDc(window)), canvas_(dc_.Get().dc) {
    if (!dc_) {
        throw EZolvaneError(ErrorText(ecGdiFailed));
    }
}

TWindowCanvas::TWindowCanvas(HWND window, const TFontSpec& font, COLORREF brushColor) : TWindowCanvas(window) {
    canvas_.SetFont(font);
    canvas_.SetBrushColor(brushColor);
}

RECT TPaintBox::ClientRect() {
    RECT rect{0, 0, 0, 0};
    GetClientRect(owner_.Handle(), &rect);
    return rect;
}

TWindowCanvas TPaintBox::Canvas() { return TWindowCanvas(owner_.Handle(), Font, Color); }

TPicture::TPicture(int resourceId)
    : bitmap_(static_cast<HBITMAP>(LoadImageA(Application().Instance(), MAKEINTRESOURCEA(resourceId), IMAGE_BITMAP, 0,
                                              0, LR_CREATEDIBSECTION))) {}

SIZE TPicture::Size() const {
    BITMAP info;
    if (Empty() || GetObjectA(bitmap_.Get(), sizeof info, &info) == 0) {
        return SIZE{0, 0};
    }
    return SIZE{info.bmWidth, info.bmHeight};
}

void TPicture::Paint(TCanvas& canvas) const {
    if (Visible && !Empty()) {
        canvas.Draw(Left, Top, bitmap_.Get());
    }
}
