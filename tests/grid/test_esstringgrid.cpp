#include "grid/esstringgrid.h"

#include <QDir>
#include <QHeaderView>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "app/settingsfile.h"
#include "support/tempdir.h"

namespace {

constexpr int kRows = 12;  // data rows of the test grid

// A grid filled the way the pages fill theirs: three columns, twelve rows,
// display list 0 .. 11, row 1 selected, no sort mark.
class GridTest : public ::testing::Test {
 protected:
  void SetUp() override {
    grid.setObjectName("sgTest");
    grid.SetColCount(3);
    grid.SetColWidths(0, 50);
    grid.SetColWidths(1, 120);
    grid.SetCells(0, 0, "No.");
    grid.SetCells(1, 0, "Option");
    grid.SetCells(2, 0, "Value");
    for (int i = 0; i < kRows; ++i) grid.addDispLst(i);
    grid.SetRowCount(grid.getDispLstSize() + 1);
    for (int row = 1; row <= kRows; ++row) {
      grid.SetCells(0, row, QString::number(row));
      grid.SetCells(1, row, QString("Option %1").arg(row));
      grid.SetCells(2, row, "x");
    }
    grid.setSelLstSize();
    grid.selectRow(grid.Row());
    grid.setSortCol(-1);
    // Room for about eight rows, so that the view can scroll.
    grid.resize(400, 8 * 18 + 18 + 2 * grid.frameWidth());
    grid.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
  }

  // Centre of a data cell in viewport coordinates.
  QPoint At(int row, int col = 1) const {
    return grid.visualRect(grid.model()->index(row - 1, col)).center();
  }
  void Click(int row, Qt::KeyboardModifiers mods = {}, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseClick(grid.viewport(), button, mods, At(row));
  }
  void Key(Qt::Key key, Qt::KeyboardModifiers mods = {}) { QTest::keyClick(&grid, key, mods); }

  std::vector<int> Selected() const {
    std::vector<int> rows;
    for (int row = 1; row < grid.RowCount(); ++row) {
      if (grid.isRowSelected(row)) rows.push_back(row);
    }
    return rows;
  }

  TesStringGrid grid;
};

using Rows = std::vector<int>;

TEST_F(GridTest, AfterCreationRowOneIsSelectedAndCurrent) {
  EXPECT_EQ(grid.Row(), 1);
  EXPECT_EQ(Selected(), Rows({1}));
  EXPECT_EQ(grid.getSelLstSize(), kRows);
  EXPECT_EQ(grid.RowCount(), kRows + 1);
  EXPECT_EQ(grid.Cells(1, 0), "Option");
  EXPECT_EQ(grid.Cells(1, 4), "Option 4");
}

TEST_F(GridTest, ShiftClickSelectsARangeAndCtrlClickTogglesOneRow) {
  Click(3);
  EXPECT_EQ(Selected(), Rows({3}));
  EXPECT_EQ(grid.Row(), 3);
  Click(6, Qt::ShiftModifier);
  EXPECT_EQ(Selected(), Rows({3, 4, 5, 6}));
  EXPECT_EQ(grid.Row(), 3);  // the current row stays where the range started
  Click(4, Qt::ControlModifier);
  EXPECT_EQ(Selected(), Rows({3, 5, 6}));
  EXPECT_EQ(grid.Row(), 4);
  Click(4, Qt::ControlModifier);
  EXPECT_EQ(Selected(), Rows({3, 4, 5, 6}));
}

TEST_F(GridTest, ShiftClickAboveTheCurrentRowSelectsUpwards) {
  Click(7);
  Click(5, Qt::ShiftModifier);
  EXPECT_EQ(Selected(), Rows({5, 6, 7}));
  EXPECT_EQ(grid.Row(), 7);
}

TEST_F(GridTest, APlainClickInsideASelectionShrinksItOnRelease) {
  Click(3);
  Click(6, Qt::ShiftModifier);
  QTest::mousePress(grid.viewport(), Qt::LeftButton, {}, At(5));
  EXPECT_EQ(Selected(), Rows({3, 4, 5, 6}));
  QTest::mouseRelease(grid.viewport(), Qt::LeftButton, {}, At(5));
  EXPECT_EQ(Selected(), Rows({5}));
  EXPECT_EQ(grid.Row(), 5);
}

TEST_F(GridTest, ARightClickKeepsASelectionItFallsInAndReplacesOneItMisses) {
  Click(3);
  Click(6, Qt::ShiftModifier);
  Click(5, {}, Qt::RightButton);
  EXPECT_EQ(Selected(), Rows({3, 4, 5, 6}));
  EXPECT_EQ(grid.Row(), 5);
  Click(8, {}, Qt::RightButton);
  EXPECT_EQ(Selected(), Rows({8}));
  EXPECT_EQ(grid.Row(), 8);
}

TEST_F(GridTest, ShiftDownGrowsTheSelectionAndShiftUpTakesItBack) {
  Click(2);
  Key(Qt::Key_Down, Qt::ShiftModifier);
  Key(Qt::Key_Down, Qt::ShiftModifier);
  Key(Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_EQ(Selected(), Rows({2, 3, 4, 5}));
  EXPECT_EQ(grid.Row(), 5);
  Key(Qt::Key_Up, Qt::ShiftModifier);
  EXPECT_EQ(Selected(), Rows({2, 3, 4}));
  EXPECT_EQ(grid.Row(), 4);
}

TEST_F(GridTest, UpOnTheFirstRowAndDownOnTheLastChangeNothing) {
  Click(3);
  Click(1, Qt::ControlModifier);
  Key(Qt::Key_Up);
  Key(Qt::Key_Up, Qt::ShiftModifier);
  EXPECT_EQ(Selected(), Rows({1, 3}));
  EXPECT_EQ(grid.Row(), 1);
  Key(Qt::Key_End);  // brings the last row into view
  Click(10);
  Click(kRows, Qt::ControlModifier);
  Key(Qt::Key_Down);
  Key(Qt::Key_Right, Qt::ShiftModifier);
  EXPECT_EQ(Selected(), Rows({10, kRows}));
  EXPECT_EQ(grid.Row(), kRows);
}

TEST_F(GridTest, LeftAndRightActLikeUpAndDown) {
  Click(5);
  Click(7, Qt::ControlModifier);
  Click(5, Qt::ControlModifier);
  Click(5, Qt::ControlModifier);  // rows 5 and 7 selected, row 5 current
  Key(Qt::Key_Left);
  EXPECT_EQ(Selected(), Rows({4}));
  EXPECT_EQ(grid.Row(), 4);
  Key(Qt::Key_Right);
  EXPECT_EQ(Selected(), Rows({5}));
  EXPECT_EQ(grid.Row(), 5);
  Key(Qt::Key_Right, Qt::ShiftModifier);
  EXPECT_EQ(Selected(), Rows({5, 6}));
}

TEST_F(GridTest, CtrlASelectsEveryRowAndHomeLeavesOnlyTheFirst) {
  Click(4);
  Key(Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(grid.getSelCount(), kRows);
  EXPECT_EQ(grid.Row(), 4);
  Key(Qt::Key_Home, Qt::ShiftModifier);  // whatever the modifier
  EXPECT_EQ(Selected(), Rows({1}));
  EXPECT_EQ(grid.Row(), 1);
}

TEST_F(GridTest, EndAndPageKeysSelectOnlyTheNewCurrentRow) {
  Key(Qt::Key_End);
  EXPECT_EQ(Selected(), Rows({kRows}));
  EXPECT_EQ(grid.Row(), kRows);
  // The last row is now in view: the first visible row is no longer row 1.
  EXPECT_GT(grid.rowAt(0), 0);
  Key(Qt::Key_PageUp);
  const int page = grid.viewport()->height() / 18;
  EXPECT_EQ(grid.Row(), kRows - page);
  EXPECT_EQ(Selected(), Rows({kRows - page}));
  Key(Qt::Key_PageDown);
  Key(Qt::Key_PageDown);
  EXPECT_EQ(grid.Row(), kRows);
}

TEST_F(GridTest, CtrlWithAnArrowOnlyScrolls) {
  Click(3);
  const int top = grid.verticalScrollBar()->value();
  Key(Qt::Key_Down, Qt::ControlModifier);
  EXPECT_EQ(grid.verticalScrollBar()->value(), top + 1);
  EXPECT_EQ(Selected(), Rows({3}));
  EXPECT_EQ(grid.Row(), 3);
}

TEST_F(GridTest, TheWheelScrollsOneRowPerNotchAndKeepsTheSelection) {
  Click(2);
  QWheelEvent down(QPointF(At(2)), grid.viewport()->mapToGlobal(QPointF(At(2))), QPoint(),
                   QPoint(0, -240), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(grid.viewport(), &down);
  EXPECT_EQ(grid.verticalScrollBar()->value(), 2);
  EXPECT_EQ(grid.Row(), 2);
  EXPECT_EQ(Selected(), Rows({2}));
  QWheelEvent up(QPointF(At(4)), grid.viewport()->mapToGlobal(QPointF(At(4))), QPoint(),
                 QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(grid.viewport(), &up);
  EXPECT_EQ(grid.verticalScrollBar()->value(), 1);
  EXPECT_EQ(grid.Row(), 2);
}

TEST_F(GridTest, AClickAfterScrollingHitsTheRowUnderThePointer) {
  grid.verticalScrollBar()->setValue(3);
  QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, QPoint(60, 18 + 9));  // second visible row
  EXPECT_EQ(grid.Row(), 5);
  EXPECT_EQ(Selected(), Rows({5}));
  EXPECT_EQ(grid.verticalScrollBar()->value(), 3);
}

TEST_F(GridTest, HeaderClicksNeverSelect) {
  Click(3);
  QHeaderView* header = grid.horizontalHeader();
  const QPoint onHeader(header->sectionPosition(1) + 20, header->height() / 2);
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, onHeader);
  QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::ShiftModifier, onHeader);
  QTest::mouseClick(header->viewport(), Qt::RightButton, {}, onHeader);
  EXPECT_EQ(Selected(), Rows({3}));
  EXPECT_EQ(grid.Row(), 3);
}

TEST_F(GridTest, DraggingAHeaderBorderResizesAndTheLastColumnAbsorbsTheChange) {
  QHeaderView* header = grid.horizontalHeader();
  const int client = grid.ClientWidth();
  ASSERT_EQ(grid.ColWidths(0) + grid.ColWidths(1) + grid.ColWidths(2), client);
  const int border = header->sectionPosition(0) + header->sectionSize(0) - 1;
  QTest::mousePress(header->viewport(), Qt::LeftButton, {}, QPoint(border, 9));
  QTest::mouseMove(header->viewport(), QPoint(border + 30, 9));
  QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, QPoint(border + 30, 9));
  EXPECT_EQ(grid.ColWidths(0), 80);
  EXPECT_EQ(grid.ColWidths(1), 120);
  EXPECT_EQ(grid.ColWidths(2), client - 200);
  grid.resize(grid.width() + 50, grid.height());
  EXPECT_EQ(grid.ColWidths(2), client + 50 - 200);
}

TEST_F(GridTest, ColumnsWiderThanTheGridLeaveTheLastColumnAlone) {
  const int before = grid.ColWidths(2);
  grid.SetColWidths(1, grid.ClientWidth());
  EXPECT_EQ(grid.ColWidths(2), before);
}

TEST_F(GridTest, ADoubleClickIsReportedOnlyForDataRows) {
  QSignalSpy spy(&grid, &TesStringGrid::DblClick);
  // What the window system delivers: a click, then the second press as a double-click.
  QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, At(4, 2));
  QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, At(4, 2));
  ASSERT_EQ(spy.count(), 1);
  EXPECT_EQ(spy.at(0).at(0).toInt(), 4);
  EXPECT_EQ(grid.Row(), 4);

  grid.SetRowCount(4);  // three rows: the lower part of the grid is empty
  QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, QPoint(40, grid.viewport()->height() - 3));
  QHeaderView* header = grid.horizontalHeader();
  QTest::mouseDClick(header->viewport(), Qt::LeftButton, {}, QPoint(20, header->height() / 2));
  QTest::mouseDClick(grid.viewport(), Qt::RightButton, {}, At(2));
  EXPECT_EQ(spy.count(), 1);
}

TEST_F(GridTest, MouseToCellFindsHeaderDataAndNothing) {
  int col = 0;
  int row = 0;
  const QPoint header = grid.horizontalHeader()->mapTo(&grid, QPoint(60, 5));
  grid.MouseToCell(header, col, row);
  EXPECT_EQ(col, 1);
  EXPECT_EQ(row, 0);
  grid.MouseToCell(grid.viewport()->mapTo(&grid, At(3, 2)), col, row);
  EXPECT_EQ(col, 2);
  EXPECT_EQ(row, 3);
  grid.SetRowCount(3);
  grid.MouseToCell(grid.viewport()->mapTo(&grid, QPoint(10, grid.viewport()->height() - 2)), col, row);
  EXPECT_EQ(col, -1);
  EXPECT_EQ(row, -1);
  EXPECT_EQ(grid.Row(), 1);
}

TEST_F(GridTest, WithAnEmptyDisplayListClicksSelectNothing) {
  grid.clearDispLst();
  grid.clearSelLst();
  grid.setSelLstSize();
  Click(3);
  Click(5, Qt::ShiftModifier);
  Click(6, Qt::ControlModifier);
  Click(7, {}, Qt::RightButton);
  Key(Qt::Key_A, Qt::ControlModifier);
  Key(Qt::Key_Down);
  EXPECT_EQ(grid.getSelCount(), 0);
  EXPECT_TRUE(Selected().empty());
  EXPECT_EQ(grid.Row(), 8);  // the current row still follows
}

TEST_F(GridTest, TheSelectionBelongsToItemsNotRows) {
  Click(2);
  Click(3, Qt::ControlModifier);  // items 1 and 2
  grid.clearDispLst();
  for (int i = kRows - 1; i >= 0; --i) grid.addDispLst(i);  // reversed
  EXPECT_EQ(Selected(), Rows({kRows - 2, kRows - 1}));
  EXPECT_TRUE(grid.getSelLst(1));
  EXPECT_TRUE(grid.getSelLst(2));
}

TEST(GridLists, BadIndexesAreIgnoredAndResizingKeepsFlags) {
  TesStringGrid grid;
  for (int i = 0; i < 3; ++i) grid.addDispLst(i);
  grid.setSelLstSize();
  grid.setSelLst(1, true);
  grid.setSelLst(3, true);
  grid.setSelLst(-1, true);
  EXPECT_FALSE(grid.getSelLst(3));
  EXPECT_FALSE(grid.getSelLst(-1));
  EXPECT_EQ(grid.getSelCount(), 1);
  grid.addDispLst(3);
  grid.setSelLstSize();
  EXPECT_EQ(grid.getSelLstSize(), 4);
  EXPECT_TRUE(grid.getSelLst(1));
  EXPECT_FALSE(grid.getSelLst(3));
  grid.addSelLst(true);
  grid.delSelLst(0);
  EXPECT_EQ(grid.getSelLstSize(), 4);
  EXPECT_TRUE(grid.getSelLst(0));  // item 1 moved down
  EXPECT_TRUE(grid.getSelLst(3));
  grid.delSelLst(9);
  EXPECT_EQ(grid.getSelLstSize(), 4);

  EXPECT_EQ(grid.getDispLst(4), -1);
  EXPECT_EQ(grid.getDispLst(-1), -1);
  grid.setDispLst(1, 7);
  grid.setDispLst(4, 7);
  grid.delDispLst(0);
  grid.delDispLst(8);
  EXPECT_EQ(grid.getDispLstSize(), 3);
  EXPECT_EQ(grid.getDispLst(0), 7);
  EXPECT_EQ(grid.getDispLst(2), 3);

  // Rows outside the display list read as unselected and are ignored.
  grid.SetRowCount(6);
  grid.selectRow(5);
  grid.selectRow(0);
  EXPECT_FALSE(grid.isRowSelected(5));
  EXPECT_FALSE(grid.isRowSelected(0));
  EXPECT_EQ(grid.getSelCount(), 2);
  grid.clearSelLst();
  EXPECT_EQ(grid.getSelLstSize(), 0);
}

}  // namespace
