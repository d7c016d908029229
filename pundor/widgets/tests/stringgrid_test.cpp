#include "widgets/stringgrid.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <QTest>
#include <set>
#include <utility>

#include "widgets/tests/testing.h"

namespace {

// A list like the main window's: 3 columns, rows of 14 pixels, whole-row
// selection, no fixed cells, 10 rows fully visible in 150 pixels.
struct ListGrid {
  ListGrid() {
    grid.SetFixedCols(0);
    grid.SetFixedRows(0);
    grid.SetColCount(3);
    grid.SetRowCount(30);
    grid.SetDefaultRowHeight(14);
    grid.SetOptions(grid.Options() | goRowSelect);
    grid.resize(300, 150);
    grid.OnTopLeftChanged = [this](TStringGrid*) { ++topChanges; };
  }
  TStringGrid grid;
  int topChanges = 0;
};

// The table editor's grid: pairs of 24- and 33-pixel columns, a header row,
// lines drawn only around the header but room for them between all cells,
// only the dBm columns selectable.
struct TableGrid {
  TableGrid() {
    grid.SetFixedCols(0);
    grid.SetColCount(22);
    grid.SetRowCount(25);
    grid.SetDefaultRowHeight(14);
    grid.SetOptions(goFixedVertLine | goFixedHorzLine);
    for (int col = 0; col < 22; ++col) grid.SetColWidth(col, col % 2 ? 33 : 24);
    grid.resize(11 * 57 + 22, 25 * 15);
    grid.OnSelectCell = [](TStringGrid*, int col, int, bool& can) { can = col % 2 == 1; };
  }
  TStringGrid grid;
};

}  // namespace

TEST(TStringGrid, CellsAndObjectsFollowTheSize) {
  TStringGrid grid;
  grid.SetColCount(2);
  grid.SetRowCount(2);
  grid.SetCell(1, 1, "x");
  grid.SetObject(0, 1, 42);
  grid.SetRowCount(4);
  EXPECT_EQ(grid.Cells(1, 1), "x");
  EXPECT_EQ(grid.Objects(0, 1), 42);
  grid.SetCell(5, 5, "outside");  // ignored
  EXPECT_EQ(grid.Cells(5, 5), "");
  grid.ClearRow(1);
  EXPECT_EQ(grid.Cells(1, 1), "");
  EXPECT_EQ(grid.Objects(0, 1), 0);
}

TEST(TStringGrid, CellRectsLeaveRoomForTheGridLines) {
  ListGrid list;
  list.grid.SetColWidth(0, 15);
  list.grid.SetColWidth(1, 110);
  EXPECT_EQ(list.grid.CellRect(0, 0), QRect(0, 0, 15, 14));
  EXPECT_EQ(list.grid.CellRect(1, 2), QRect(16, 30, 110, 14));
  EXPECT_EQ(list.grid.VisibleRowCount(), 10);

  TableGrid table;
  EXPECT_EQ(table.grid.CellRect(1, 0), QRect(25, 0, 33, 14));
  EXPECT_EQ(table.grid.CellRect(3, 24), QRect(84, 360, 33, 14));
  // The last cells end with their lines at the grid's edges.
  EXPECT_EQ(table.grid.CellRect(21, 24), QRect(615, 360, 33, 14));
}

TEST(TStringGrid, MouseToCellFindsTheCellOrNothing) {
  TableGrid table;
  EXPECT_EQ(table.grid.MouseToCell(QPoint(25, 15)), (TGridCoord{1, 1}));
  EXPECT_EQ(table.grid.MouseToCell(QPoint(647, 373)), (TGridCoord{21, 24}));
  table.grid.resize(700, 400);
  EXPECT_EQ(table.grid.MouseToCell(QPoint(650, 20)), TGridCoord{});
  EXPECT_EQ(table.grid.MouseToCell(QPoint(20, 380)), TGridCoord{});
}

TEST(TStringGrid, ClickSelectsOnlyCellsTheOwnerAllows) {
  TableGrid table;
  QTest::mouseClick(&table.grid, Qt::LeftButton, {}, table.grid.CellRect(3, 5).center());
  EXPECT_EQ(table.grid.Col(), 3);
  EXPECT_EQ(table.grid.Row(), 5);
  QTest::mouseClick(&table.grid, Qt::LeftButton, {}, table.grid.CellRect(4, 7).center());
  EXPECT_EQ(table.grid.Col(), 3);
  EXPECT_EQ(table.grid.Row(), 5);
  QTest::mouseClick(&table.grid, Qt::LeftButton, {}, table.grid.CellRect(5, 0).center());  // header
  EXPECT_EQ(table.grid.Row(), 5);
}

TEST(TStringGrid, ArrowKeysSkipCellsThatCannotBeSelected) {
  TableGrid table;
  table.grid.SetCurrent(1, 1);
  QTest::keyClick(&table.grid, Qt::Key_Right);
  EXPECT_EQ(table.grid.Col(), 3);
  QTest::keyClick(&table.grid, Qt::Key_Left);
  QTest::keyClick(&table.grid, Qt::Key_Left);
  EXPECT_EQ(table.grid.Col(), 1);
  QTest::keyClick(&table.grid, Qt::Key_Up);
  EXPECT_EQ(table.grid.Row(), 1);  // the header row is not selectable
}

TEST(TStringGrid, KeyboardScrollsTheSelectionIntoView) {
  ListGrid list;
  for (int i = 0; i < 9; ++i) QTest::keyClick(&list.grid, Qt::Key_Down);
  EXPECT_EQ(list.grid.Row(), 9);
  EXPECT_EQ(list.grid.TopRow(), 0);
  QTest::keyClick(&list.grid, Qt::Key_Down);
  EXPECT_EQ(list.grid.TopRow(), 1);
  EXPECT_EQ(list.topChanges, 1);
  QTest::keyClick(&list.grid, Qt::Key_PageDown);
  EXPECT_EQ(list.grid.Row(), 20);
  EXPECT_EQ(list.grid.TopRow(), 11);
  QTest::keyClick(&list.grid, Qt::Key_End);
  EXPECT_EQ(list.grid.Row(), 29);
  EXPECT_EQ(list.grid.TopRow(), 20);
  QTest::keyClick(&list.grid, Qt::Key_PageUp);
  EXPECT_EQ(list.grid.Row(), 19);
  EXPECT_EQ(list.grid.TopRow(), 10);
  QTest::keyClick(&list.grid, Qt::Key_Home);
  EXPECT_EQ(list.grid.Row(), 0);
  EXPECT_EQ(list.grid.TopRow(), 0);
}

TEST(TStringGrid, TopRowIsKeptWithinTheRows) {
  ListGrid list;
  list.grid.SetTopRow(100);
  EXPECT_EQ(list.grid.TopRow(), 20);
  EXPECT_EQ(list.grid.VisibleRowCount(), 10);
  list.grid.SetTopRow(-4);
  EXPECT_EQ(list.grid.TopRow(), 0);
  EXPECT_EQ(list.topChanges, 2);
  list.grid.SetTopRow(0);
  EXPECT_EQ(list.topChanges, 2);
  list.grid.SetTopRow(20);
  list.grid.SetRowCount(5);  // fewer rows than fit: back to the top
  EXPECT_EQ(list.grid.TopRow(), 0);
  EXPECT_EQ(list.grid.VisibleRowCount(), 5);
}

TEST(TStringGrid, ShrinkingKeepsTheCurrentRowInside) {
  ListGrid list;
  list.grid.SetRow(25);
  list.grid.SetRowCount(1);
  EXPECT_EQ(list.grid.Row(), 0);
}

TEST(TStringGrid, DoubleClickSelectsAndNotifies) {
  ListGrid list;
  int doubleClicks = 0;
  list.grid.OnDblClick = [&](TStringGrid* grid) {
    ++doubleClicks;
    EXPECT_EQ(grid->Row(), 3);
  };
  QTest::mouseDClick(&list.grid, Qt::LeftButton, {}, list.grid.CellRect(1, 3).center());
  EXPECT_EQ(doubleClicks, 1);
}

TEST(TStringGrid, KeysReachTheOwnerFirst) {
  ListGrid list;
  QChar typed;
  list.grid.OnKeyPress = [&](TStringGrid*, QChar& ch) { typed = ch; };
  list.grid.OnKeyDown = [](TStringGrid*, int& key, Qt::KeyboardModifiers) {
    if (key == Qt::Key_Down) key = 0;
  };
  QTest::keyClick(&list.grid, Qt::Key_Down);
  EXPECT_EQ(list.grid.Row(), 0);
  QTest::keyClick(&list.grid, Qt::Key_Return);
  EXPECT_EQ(typed, QChar(13));
}

TEST(TStringGrid, WheelMovesTheSelectionARowPerNotch) {
  ListGrid list;
  QWheelEvent down(QPointF(5, 5), list.grid.mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -240),
                   Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(&list.grid, &down);
  EXPECT_EQ(list.grid.Row(), 2);
}

TEST(TStringGrid, OwnerDrawsEachCellWithItsSelection) {
  ListGrid list;
  list.grid.SetRow(2);
  std::set<std::pair<int, int>> selected;
  list.grid.OnDrawCell = [&](TStringGrid*, int col, int row, const QRect& rect, QPainter& painter,
                             bool isSelected) {
    if (isSelected) selected.insert({col, row});
    painter.fillRect(rect, isSelected ? QColor(0x90, 0x90, 0x90) : QColor(0x42, 0x42, 0x42));
  };
  const QImage image = Snapshot(list.grid);
  EXPECT_EQ(selected, (std::set<std::pair<int, int>>{{0, 2}, {1, 2}, {2, 2}}));
  EXPECT_EQ(PixelAt(image, 5, 2 * 15 + 5), QColor(0x90, 0x90, 0x90));
  EXPECT_EQ(PixelAt(image, 5, 3 * 15 + 5), QColor(0x42, 0x42, 0x42));
}

TEST(TStringGrid, WritingACellRepaintsOnlyThatCell) {
  TableGrid table;
  std::set<std::pair<int, int>> drawn;
  table.grid.OnDrawCell = [&](TStringGrid*, int col, int row, const QRect&, QPainter&, bool) {
    drawn.insert({col, row});
  };
  ShowForTest(table.grid);
  Snapshot(table.grid);
  EXPECT_EQ(drawn.size(), 22u * 25u);
  drawn.clear();
  table.grid.SetCell(4, 7, "");
  table.grid.SetCell(4, 7, "102");
  const QImage image = Snapshot(table.grid);
  EXPECT_EQ(drawn, (std::set<std::pair<int, int>>{{4, 7}}));
  EXPECT_FALSE(image.isNull());
}

TEST(TStringGrid, MovingTheSelectionRepaintsTheTwoRows) {
  ListGrid list;
  ShowForTest(list.grid);
  Snapshot(list.grid);
  std::set<int> rows;
  list.grid.OnDrawCell = [&](TStringGrid*, int, int row, const QRect&, QPainter&, bool) { rows.insert(row); };
  list.grid.SetRow(4);
  Snapshot(list.grid);
  EXPECT_EQ(rows, (std::set<int>{0, 4}));
}

TEST(TStringGrid, DefaultDrawingShowsTheTextAndTheSelection) {
  ListGrid list;
  list.grid.SetSelectedColor(QColor(1, 2, 3));
  list.grid.SetFontColor(QColor(255, 255, 255));
  list.grid.SetCell(0, 1, "WWW");
  const QImage image = Snapshot(list.grid);
  EXPECT_EQ(PixelAt(image, 60, 3), QColor(1, 2, 3));
  EXPECT_TRUE(ContainsColor(image, QColor(255, 255, 255), list.grid.CellRect(0, 1)));
}
