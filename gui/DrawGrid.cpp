#include "gui/DrawGrid.h"

#include "gui/Application.h"
#include "gui/Canvas.h"
#include "gui/Controls.h"
#include "support/Error.h"
#include "support/ErrorCodes.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

namespace {

// The lines between cells, one pixel wide.
constexpr int kLineWidth = 1;
constexpr COLORREF kLineColor = RGB(192, 192, 192);
// Rows scrolled by one notch of the mouse wheel.
constexpr int kWheelRows = 3;
// Hints wider than this many pixels wrap.
constexpr int kHintWidth = 320;

} // namespace

TDrawGrid::TDrawGrid(HWND parent, const RECT& place)
    : parent_(parent), place_(place), colWidths_(1, 64), cursor_(LoadCursorA(nullptr, IDC_ARROW)) {
    Handle();
    UpdateScrollBar();
}

TDrawGrid::~TDrawGrid() = default;

void TDrawGrid::CreateParams(TCreateParams& params) {
    params.ClassName = kWindowClass;
    params.Style = WS_CHILD | WS_VISIBLE | WS_VSCROLL;
    params.ExStyle = WS_EX_CLIENTEDGE;
    params.Parent = parent_;
    params.X = place_.left;
    params.Y = place_.top;
    params.Width = place_.right - place_.left;
    params.Height = place_.bottom - place_.top;
    // No double clicks: a quick second press is a press of its own, as the owner counts them.
    params.ClassStyle = CS_HREDRAW | CS_VREDRAW;
    params.Background = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
}

void TDrawGrid::SetColCount(int count) {
    colWidths_.resize(static_cast<std::size_t>(std::max(count, 1)), 64);
    col_ = std::min(col_, ColCount() - 1);
    Repaint();
}

void TDrawGrid::SetColWidth(int column, int width) {
    colWidths_.at(static_cast<std::size_t>(column)) = width;
    Repaint();
}

void TDrawGrid::SetRowCount(int count) {
    rowCount_ = std::max(count, fixedRows_);
    row_ = std::clamp(row_, fixedRows_, std::max(rowCount_ - 1, fixedRows_));
    topRow_ = std::clamp(topRow_, fixedRows_, MaxTopRow());
    UpdateScrollBar();
    Repaint();
}

void TDrawGrid::SetRowHeight(int height) {
    rowHeight_ = std::max(height, 1);
    topRow_ = std::clamp(topRow_, fixedRows_, MaxTopRow());
    UpdateScrollBar();
    Repaint();
}

void TDrawGrid::SetFont(HFONT font) {
    font_ = font;
    Repaint();
}

void TDrawGrid::MoveTo(const RECT& place) {
    place_ = place;
    MoveWindow(Handle(), place.left, place.top, place.right - place.left, place.bottom - place.top, TRUE);
}

int TDrawGrid::VisibleRowCount() const {
    RECT client{};
    GetClientRect(WindowHandle(), &client);
    const int rows = (client.bottom - fixedRows_ * (rowHeight_ + kLineWidth)) / (rowHeight_ + kLineWidth);
    return std::max(rows, 0);
}

int TDrawGrid::MaxTopRow() const { return std::max(fixedRows_, rowCount_ - std::max(VisibleRowCount(), 1)); }

void TDrawGrid::SetTopRow(int row) {
    const int top = std::clamp(row, fixedRows_, MaxTopRow());
    if (top != topRow_) {
        topRow_ = top;
        UpdateScrollBar();
        Repaint();
    }
}

void TDrawGrid::FocusCell(int column, int row) {
    col_ = std::clamp(column, 0, ColCount() - 1);
    row_ = std::clamp(row, fixedRows_, std::max(rowCount_ - 1, fixedRows_));
    Repaint();
}

void TDrawGrid::UpdateScrollBar() {
    if (!HandleAllocated()) {
        return;
    }
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    // The bar stays in place when there is nothing to scroll, so that the columns keep their room.
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    info.nMin = 0;
    info.nMax = std::max(rowCount_ - fixedRows_ - 1, 0);
    info.nPage = static_cast<UINT>(VisibleRowCount());
    info.nPos = topRow_ - fixedRows_;
    SetScrollInfo(WindowHandle(), SB_VERT, &info, TRUE);
}

void TDrawGrid::Scroll(WORD request) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_TRACKPOS;
    GetScrollInfo(WindowHandle(), SB_VERT, &info);
    switch (request) {
    case SB_LINEUP:
        SetTopRow(topRow_ - 1);
        break;
    case SB_LINEDOWN:
        SetTopRow(topRow_ + 1);
        break;
    case SB_PAGEUP:
        SetTopRow(topRow_ - std::max(VisibleRowCount(), 1));
        break;
    case SB_PAGEDOWN:
        SetTopRow(topRow_ + std::max(VisibleRowCount(), 1));
        break;
    case SB_TOP:
        SetTopRow(fixedRows_);
        break;
    case SB_BOTTOM:
        SetTopRow(MaxTopRow());
        break;
    // The rows follow the thumb while it is dragged, not only when it is let go.
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
        SetTopRow(info.nTrackPos + fixedRows_);
        break;
    default:
        break;
    }
}

int TDrawGrid::ColumnLeft(int column) const {
    int left = 0;
    for (int c = 0; c < column; ++c) {
        left += colWidths_[static_cast<std::size_t>(c)] + kLineWidth;
    }
    return left;
}

RECT TDrawGrid::CellRect(int column, int row) const {
    RECT cell{0, 0, 0, 0};
    if (column < 0 || column >= ColCount() || row < 0 || row >= rowCount_ || (row >= fixedRows_ && row < topRow_)) {
        return cell;
    }
    const int pitch = rowHeight_ + kLineWidth;
    const int top = row < fixedRows_ ? row * pitch : (fixedRows_ + row - topRow_) * pitch;
    RECT client{};
    GetClientRect(WindowHandle(), &client);
    if (top >= client.bottom) {
        return cell;
    }
    cell.left = ColumnLeft(column);
    cell.right = cell.left + ColWidth(column);
    cell.top = top;
    cell.bottom = top + rowHeight_;
    return cell;
}

bool TDrawGrid::MouseToCell(int x, int y, int& column, int& row) const {
    // The rows lie one pitch apart, the header first and then the rows from the top one shown: the
    // height gives the row, and only its few cells are tried.
    if (y < 0) {
        return false;
    }
    const int line = y / (rowHeight_ + kLineWidth);
    const int candidate = line < fixedRows_ ? line : topRow_ + line - fixedRows_;
    for (int c = 0; c < ColCount(); ++c) {
        const RECT cell = CellRect(c, candidate);
        if (x >= cell.left && x < cell.right && y >= cell.top && y < cell.bottom) {
            column = c;
            row = candidate;
            return true;
        }
    }
    return false;
}

void TDrawGrid::Repaint() {
    if (HandleAllocated()) {
        InvalidateRect(WindowHandle(), nullptr, FALSE);
    }
}

void TDrawGrid::Paint(TCanvas& target) {
    RECT client{};
    GetClientRect(WindowHandle(), &client);
    // Drawn off screen first and copied in one step, so that a repaint does not flicker.
    UniqueMemoryDc buffer(CreateCompatibleDC(target.Handle()));
    UniqueBitmap bitmap(
        CreateCompatibleBitmap(target.Handle(), std::max<LONG>(client.right, 1), std::max<LONG>(client.bottom, 1)));
    if (!buffer || !bitmap) {
        throw EZolvaneError(ErrorText(ecGdiFailed));
    }
    {
        const UniqueSelection bitmapSelection = SelectInto(buffer.Get(), bitmap.Get());
        TCanvas canvas(buffer.Get());
        canvas.SetBrushColor(GetSysColor(COLOR_WINDOW));
        canvas.FillRect(client);
        canvas.SetBrushColor(kLineColor);
        const UniqueSelection fontSelection =
            SelectInto(buffer.Get(), font_ != nullptr ? static_cast<HGDIOBJ>(font_) : GetStockObject(DEFAULT_GUI_FONT));
        for (int row = 0; row < rowCount_; ++row) {
            for (int column = 0; column < ColCount(); ++column) {
                const RECT cell = CellRect(column, row);
                if (IsRectEmpty(&cell)) {
                    continue;
                }
                // The line to the right of the cell and the one below it.
                canvas.FillRect(RECT{cell.left, cell.top, cell.right + kLineWidth, cell.bottom + kLineWidth});
                TCanvas cellCanvas(buffer.Get());
                const bool selected = column == col_ && row == row_ && row >= fixedRows_;
                cellCanvas.SetBrushColor(GetSysColor(row < fixedRows_ ? COLOR_BTNFACE
                                                     : selected       ? COLOR_HIGHLIGHT
                                                                      : COLOR_WINDOW));
                SaveDC(buffer.Get());
                IntersectClipRect(buffer.Get(), cell.left, cell.top, cell.right, cell.bottom);
                if (OnDrawCell) {
                    OnDrawCell(column, row, cell, cellCanvas);
                } else {
                    cellCanvas.FillRect(cell);
                }
                RestoreDC(buffer.Get(), -1);
            }
        }
        BitBlt(target.Handle(), 0, 0, client.right, client.bottom, buffer.Get(), 0, 0, SRCCOPY);
    }
}

void TDrawGrid::SetCursor(HCURSOR cursor) {
    if (cursor != cursor_) {
        cursor_ = cursor;
        POINT point{};
        GetCursorPos(&point);
        if (WindowFromPoint(point) == WindowHandle()) {
            ::SetCursor(cursor_);
        }
    }
}

void TDrawGrid::MakeHintWindow() {
    EnsureCommonControls();
    hintWindow_.Reset(CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Handle(), nullptr,
                                      Application().Instance(), nullptr));
    if (!hintWindow_) {
        throw EZolvaneError(ErrorText(ecCreateWindowFailed));
    }
    TTTOOLINFOA tool{};
    // The size the common controls of every version take.
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.uFlags = TTF_TRACK | TTF_ABSOLUTE;
    tool.hwnd = WindowHandle();
    tool.uId = 1;
    tool.lpszText = const_cast<char*>("");
    SendMessageA(hintWindow_.Get(), TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageA(hintWindow_.Get(), TTM_SETMAXTIPWIDTH, 0, MulDiv(kHintWidth, rowHeight_, 18));
}

void TDrawGrid::ShowHintAt(POINT screen) {
    HideHint();
    if (hint_.empty()) {
        return;
    }
    if (!hintWindow_) {
        MakeHintWindow();
    }
    shownHint_ = hint_;
    TTTOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.hwnd = WindowHandle();
    tool.uId = 1;
    tool.lpszText = shownHint_.data();
    SendMessageA(hintWindow_.Get(), TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
    // Below the pointer, clear of the arrow.
    const int below = GetSystemMetrics(SM_CYCURSOR) * 2 / 3;
    SendMessageA(hintWindow_.Get(), TTM_TRACKPOSITION, 0, MAKELPARAM(screen.x, screen.y + below));
    SendMessageA(hintWindow_.Get(), TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
    hintShowing_ = true;
}

void TDrawGrid::HideHint() {
    if (hintShowing_ && hintWindow_) {
        TTTOOLINFOA tool{};
        tool.cbSize = TTTOOLINFOA_V2_SIZE;
        tool.hwnd = WindowHandle();
        tool.uId = 1;
        SendMessageA(hintWindow_.Get(), TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
    }
    hintShowing_ = false;
}

LRESULT TDrawGrid::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND:
        return 1; // every pixel is painted
    case WM_SIZE:
        topRow_ = std::clamp(topRow_, fixedRows_, MaxTopRow());
        UpdateScrollBar();
        Repaint();
        return 0;
    case WM_VSCROLL:
        Scroll(LOWORD(wParam));
        return 0;
    case WM_MOUSEWHEEL:
        SetTopRow(topRow_ - GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA * kWheelRows);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
        const int x = GET_X_LPARAM(lParam);
        const int y = GET_Y_LPARAM(lParam);
        UINT button = VK_LBUTTON;
        if (message == WM_LBUTTONDOWN) {
            SetFocus(WindowHandle());
            int column = 0;
            int row = 0;
            if (MouseToCell(x, y, column, row) && row >= fixedRows_) {
                FocusCell(column, row);
            }
        } else {
            button = message == WM_RBUTTONDOWN ? VK_RBUTTON : VK_MBUTTON;
        }
        if (OnMouseDown) {
            OnMouseDown(button, x, y);
        }
        return 0;
    }
    case WM_MOUSEMOVE: {
        TRACKMOUSEEVENT track{};
        track.cbSize = sizeof track;
        track.dwFlags = TME_LEAVE;
        track.hwndTrack = WindowHandle();
        TrackMouseEvent(&track);
        if (OnMouseMove) {
            OnMouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        }
        return 0;
    }
    case WM_MOUSELEAVE:
        hint_.clear();
        HideHint();
        return 0;
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT) {
            ::SetCursor(cursor_);
            return TRUE;
        }
        break;
    case WM_DESTROY:
        // The hint window is the grid's own: it goes first, while the grid can still take it down.
        hintWindow_.Reset();
        hintShowing_ = false;
        break;
    default:
        break;
    }
    return TForm::WindowProc(message, wParam, lParam);
}
