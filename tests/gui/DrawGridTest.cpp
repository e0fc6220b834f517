// The owner-drawn grid: the header stays while the rows scroll, the rows follow the scroll bar's thumb
// while it is dragged, and a point maps to the cell drawn there.
#include "gui/DrawGrid.h"

#include "tests/gui/PlainWindow.h"
#include "tests/gui/WindowTesting.h"

#include <gtest/gtest.h>

using testing_windows::PumpUntil;

namespace {

class DrawGridTest : public testing::Test {
protected:
    DrawGridTest() {
        ShowWindow(owner.Get(), SW_SHOW);
        SetForegroundWindow(owner.Get());
        grid.SetColCount(2);
        grid.SetColWidth(0, 100);
        grid.SetColWidth(1, 60);
        grid.SetRowHeight(18);
        grid.SetRowCount(31);
        UpdateWindow(owner.Get());
    }

    PlainWindow owner{"ZolvaneGridOwner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 400, 400};
    TDrawGrid grid{owner.Get(), RECT{10, 10, 10 + 200, 10 + 200}};
};

} // namespace

TEST_F(DrawGridTest, ScrolledRowsLeaveTheHeaderInPlaceAndPointsMapToTheCellsDrawnThere) {
    const int visible = grid.VisibleRowCount();
    ASSERT_GT(visible, 2);
    grid.SetTopRow(5);
    EXPECT_EQ(grid.TopRow(), 5);
    const RECT header = grid.CellRect(1, 0);
    const RECT first = grid.CellRect(1, 5);
    EXPECT_EQ(header.top, 0);
    EXPECT_EQ(first.top, 19);
    EXPECT_EQ(first.left, 101);
    const RECT scrolledAway = grid.CellRect(0, 4);
    EXPECT_TRUE(IsRectEmpty(&scrolledAway));
    int column = -1;
    int row = -1;
    ASSERT_TRUE(grid.MouseToCell(first.left + 3, first.top + 3, column, row));
    EXPECT_EQ(column, 1);
    EXPECT_EQ(row, 5);
    ASSERT_TRUE(grid.MouseToCell(header.left + 3, header.top + 3, column, row));
    EXPECT_EQ(row, 0);
    EXPECT_FALSE(grid.MouseToCell(195, 150, column, row)) << "right of the last column";
    // No scrolling past the last row, nor above the first.
    grid.SetTopRow(100);
    EXPECT_EQ(grid.TopRow(), 31 - visible);
    grid.SetTopRow(-3);
    EXPECT_EQ(grid.TopRow(), 1);
}

namespace {

// A drag of the scroll bar's thumb runs in the system's own message loop until the button is let go: the
// steps of the drag come from timers, which that loop also handles.
struct ThumbDrag {
    POINT start{};
    TDrawGrid* grid = nullptr;
    int step = 0;
    int topRowWhileHeld = 0;
    bool done = false;
};
ThumbDrag gDrag;

void CALLBACK DragStep(HWND, UINT, UINT_PTR id, DWORD) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    switch (gDrag.step++) {
    case 0:
        SetCursorPos(gDrag.start.x, gDrag.start.y + 60);
        break;
    case 3:
        gDrag.topRowWhileHeld = gDrag.grid->TopRow();
        input.mi.dwFlags = MOUSEEVENTF_LEFTUP;
        SendInput(1, &input, sizeof input);
        KillTimer(nullptr, id);
        gDrag.done = true;
        break;
    default:
        break;
    }
}

} // namespace

TEST_F(DrawGridTest, TheRowsFollowTheThumbWhileItIsDragged) {
    SCROLLBARINFO bar{};
    bar.cbSize = sizeof bar;
    ASSERT_TRUE(GetScrollBarInfo(grid.Handle(), OBJID_VSCROLL, &bar));
    gDrag = ThumbDrag{};
    gDrag.grid = &grid;
    gDrag.start = POINT{(bar.rcScrollBar.left + bar.rcScrollBar.right) / 2, bar.rcScrollBar.top + bar.xyThumbTop + 2};
    SetCursorPos(gDrag.start.x, gDrag.start.y);
    const UINT_PTR timer = SetTimer(nullptr, 0, 250, &DragStep);
    INPUT press{};
    press.type = INPUT_MOUSE;
    press.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    SendInput(1, &press, sizeof press);
    EXPECT_TRUE(PumpUntil([] { return gDrag.done; }, 10000));
    KillTimer(nullptr, timer);
    // The rows had moved with the pointer before the button was let go.
    EXPECT_GT(gDrag.topRowWhileHeld, 1);
}
