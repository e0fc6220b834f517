// A grid of cells that its owner draws: header rows at the top that stay in place while the others
// scroll, a vertical scroll bar that follows its thumb while it is dragged, grid lines between the cells,
// one focused cell drawn as selected, and a cursor and a hint that the owner chooses.
//
// The grid is a child window of the owner's form. It keeps no cell contents: every cell is drawn by
// OnDrawCell, on a canvas whose brush is already the cell's background (the selection colour for the
// focused cell) and whose font is the grid's. Mouse events reach the owner in the grid's client
// coordinates; a left button press first moves the focus to the cell under it.
#pragma once

#include "gui/Form.h"
#include "support/WinHandles.h"

#include <functional>
#include <string>
#include <vector>

class TCanvas;

class TDrawGrid : public TForm {
public:
    static constexpr const char* kWindowClass = "TDrawGrid";

    // The grid's window is made in the parent's client area at the place (in pixels).
    TDrawGrid(HWND parent, const RECT& place);
    ~TDrawGrid() override;

    std::function<void(int column, int row, const RECT& cell, TCanvas& canvas)> OnDrawCell;
    std::function<void(UINT button, int x, int y)> OnMouseDown;
    std::function<void(int x, int y)> OnMouseMove;

    // ---- Shape ------------------------------------------------------------------------------------
    int ColCount() const { return static_cast<int>(colWidths_.size()); }
    void SetColCount(int count);
    int ColWidth(int column) const { return colWidths_[static_cast<std::size_t>(column)]; }
    void SetColWidth(int column, int width);
    int RowCount() const { return rowCount_; }
    // Never fewer rows than the fixed ones.
    void SetRowCount(int count);
    int FixedRows() const { return fixedRows_; }
    int RowHeight() const { return rowHeight_; }
    void SetRowHeight(int height);
    // The font the cells are measured and drawn with; the owner keeps it alive.
    void SetFont(HFONT font);
    void MoveTo(const RECT& place);

    // ---- Scrolling and focus ------------------------------------------------------------------------
    // The first scrolling row in sight.
    int TopRow() const { return topRow_; }
    void SetTopRow(int row);
    // How many scrolling rows fit into the client area whole.
    int VisibleRowCount() const;
    int Col() const { return col_; }
    int Row() const { return row_; }
    void FocusCell(int column, int row);

    // ---- Cells ------------------------------------------------------------------------------------------
    // The cell under a point of the client area; false when there is none.
    bool MouseToCell(int x, int y, int& column, int& row) const;
    // A cell's rectangle in the client area; empty when it is out of sight.
    RECT CellRect(int column, int row) const;
    void Repaint();

    // ---- Cursor and hint ---------------------------------------------------------------------------------
    void SetCursor(HCURSOR cursor);
    HCURSOR Cursor() const { return cursor_; }
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& hint) { hint_ = hint; }
    // Shows the hint (nothing when it is empty) just below the point, in screen coordinates.
    void ShowHintAt(POINT screen);
    void HideHint();
    bool HintShowing() const { return hintShowing_; }
    std::string ShownHint() const { return hintShowing_ ? shownHint_ : std::string(); }

protected:
    void CreateParams(TCreateParams& params) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Paint(TCanvas& canvas) override;

private:
    int ColumnLeft(int column) const;
    int MaxTopRow() const;
    void UpdateScrollBar();
    void Scroll(WORD request);
    void MakeHintWindow();

    HWND parent_;
    RECT place_;
    std::vector<int> colWidths_;
    int rowCount_ = 1;
    int fixedRows_ = 1;
    int rowHeight_ = 18;
    int topRow_ = 1;
    int col_ = 0;
    int row_ = 1;
    HFONT font_ = nullptr;
    HCURSOR cursor_;
    std::string hint_;
    std::string shownHint_;
    bool hintShowing_ = false;
    // The tooltip window that shows the hint; a top-level window owned by the grid.
    UniqueWindow hintWindow_;
};
