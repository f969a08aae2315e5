#include "grid/esstringgrid.h"
#include "grid/gridlayoutfile.h"

#include <QtTest/qtestspontaneevent.h>
#include <gtest/gtest.h>
#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QHeaderView>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

#include <memory>

#include "common/settingsfile.h"
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
  EXPECT_EQ(grid.RowCount(), kRows + 1);
  EXPECT_EQ(grid.Cells(1, 0), "Option");
  EXPECT_EQ(grid.Cells(1, 4), "Option 4");
  EXPECT_EQ(grid.rowHeight(5), 18);
  EXPECT_EQ(grid.horizontalHeader()->height(), 18);
}

TEST_F(GridTest, ShiftClickSelectsARangeAndCtrlClickTogglesOneRow) {
  Click(3);
  Click(6, Qt::ShiftModifier);
  EXPECT_EQ(Selected(), Rows({3, 4, 5, 6}));
  EXPECT_EQ(grid.Row(), 3);  // the current row stays where the range started
  Click(4, Qt::ControlModifier);
  EXPECT_EQ(Selected(), Rows({3, 5, 6}));
  EXPECT_EQ(grid.Row(), 4);
  Click(8);
  Click(7, Qt::ShiftModifier);
  EXPECT_EQ(Selected(), Rows({7, 8}));
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
  for (int i = 0; i < 3; ++i) Key(Qt::Key_Down, Qt::ShiftModifier);
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
  EXPECT_EQ(Selected(), Rows({1, 3}));
  EXPECT_EQ(grid.Row(), 1);
  Key(Qt::Key_End);  // brings the last row into view
  Click(10);
  Click(kRows, Qt::ControlModifier);
  Key(Qt::Key_Down);
  EXPECT_EQ(Selected(), Rows({10, kRows}));
  EXPECT_EQ(grid.Row(), kRows);
}

TEST_F(GridTest, LeftAndRightActLikeUpAndDown) {
  Click(7);
  Click(5, Qt::ControlModifier);  // rows 5 and 7 selected, row 5 current
  Key(Qt::Key_Left);
  EXPECT_EQ(Selected(), Rows({4}));
  EXPECT_EQ(grid.Row(), 4);
  Key(Qt::Key_Right);
  Key(Qt::Key_Right, Qt::ShiftModifier);
  EXPECT_EQ(Selected(), Rows({5, 6}));
  EXPECT_EQ(grid.Row(), 6);
}

TEST_F(GridTest, CtrlAThenHomeEndAndPageKeysLeaveOnlyTheNewCurrentRow) {
  Click(4);
  Key(Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(grid.getSelCount(), kRows);
  EXPECT_EQ(grid.Row(), 4);
  Key(Qt::Key_Home, Qt::ShiftModifier);  // whatever the modifier
  EXPECT_EQ(Selected(), Rows({1}));
  Key(Qt::Key_End);
  EXPECT_EQ(Selected(), Rows({kRows}));
  EXPECT_GT(grid.rowAt(0), 0);  // scrolled to show it
  Key(Qt::Key_PageUp);
  const int page = grid.viewport()->height() / 18;
  EXPECT_EQ(grid.Row(), kRows - page);
  EXPECT_EQ(Selected(), Rows({kRows - page}));
}

// Turns the wheel by delta eighths of a degree over point at of the grid's
// viewport, as the window system delivers it (Qt passes only such a wheel
// event on to the parents of a widget that leaves it unhandled). Returns
// whether the grid or one of its parents took the event.
bool Wheel(TesStringGrid& grid, QPoint at, int delta) {
  QWheelEvent wheel(QPointF(at), grid.viewport()->mapToGlobal(QPointF(at)), QPoint(),
                    QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  // notify() itself, as QTest does: sendEvent would take the event for one
  // the program made.
  QSpontaneKeyEvent::setSpontaneous(&wheel);
  QApplication::instance()->notify(grid.viewport(), &wheel);
  return wheel.isAccepted();
}

TEST_F(GridTest, TheWheelScrollsOneRowPerNotchWithoutTouchingTheRows) {
  Click(2);
  Wheel(grid, At(2), -240);
  EXPECT_EQ(grid.verticalScrollBar()->value(), 2);  // one row per notch
  EXPECT_EQ(Selected(), Rows({2}));
  EXPECT_EQ(grid.Row(), 2);
  // A click now hits the row under the pointer and does not scroll.
  QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, QPoint(60, 18 + 9));
  EXPECT_EQ(grid.Row(), 4);
  EXPECT_EQ(grid.verticalScrollBar()->value(), 2);
  Wheel(grid, At(4), 120);
  EXPECT_EQ(grid.verticalScrollBar()->value(), 1);
}

TEST(GridWheel, TheWheelEventIsReportedAsNotHandledSoTheParentGetsItToo) {
  class Parent : public QWidget {
   public:
    int wheels = 0;

   protected:
    void wheelEvent(QWheelEvent* event) override {
      ++wheels;
      event->accept();
    }
  } parent;
  auto* grid = new TesStringGrid(&parent);
  grid->SetColCount(2);
  for (int i = 0; i < kRows; ++i) grid->addDispLst(i);
  grid->SetRowCount(kRows + 1);
  grid->setSelLstSize();
  grid->selectRow(1);
  grid->resize(300, 5 * 18 + 18 + 2 * grid->frameWidth());
  parent.resize(320, 200);
  parent.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
  EXPECT_TRUE(Wheel(*grid, QPoint(20, 20), -120));  // taken by the parent
  EXPECT_EQ(grid->verticalScrollBar()->value(), 1);
  EXPECT_EQ(parent.wheels, 1);
  EXPECT_EQ(grid->Row(), 1);
  EXPECT_TRUE(grid->isRowSelected(1));
}

TEST_F(GridTest, CtrlUpAndDownMoveTheHighlightButOnlyScrollTheView) {
  Click(2);
  Key(Qt::Key_Down, Qt::ControlModifier);
  EXPECT_EQ(grid.verticalScrollBar()->value(), 1);
  EXPECT_EQ(Selected(), Rows({3}));  // the highlight moves as with Down ...
  EXPECT_EQ(grid.Row(), 2);          // ... but the current row stays
  Key(Qt::Key_Down, Qt::ControlModifier);
  EXPECT_EQ(grid.verticalScrollBar()->value(), 2);
  EXPECT_EQ(Selected(), Rows({3}));  // row 2 and the one below it: row 3 again
  EXPECT_EQ(grid.Row(), 2);
  Key(Qt::Key_Up, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(Selected(), Rows({1, 3}));  // Shift keeps what was selected
  EXPECT_EQ(grid.verticalScrollBar()->value(), 1);
  Key(Qt::Key_Up, Qt::ControlModifier);
  EXPECT_EQ(Selected(), Rows({1}));
  EXPECT_EQ(grid.verticalScrollBar()->value(), 0);
  EXPECT_EQ(grid.Row(), 2);

  Click(1);
  Key(Qt::Key_Up, Qt::ControlModifier);  // on row 1 nothing moves
  EXPECT_EQ(Selected(), Rows({1}));
  EXPECT_EQ(grid.Row(), 1);
}

TEST_F(GridTest, CtrlLeftAndCtrlRightMoveTheCurrentRowAsLeftAndRightDo) {
  struct Case {
    Qt::Key key;
    Qt::KeyboardModifiers mods;  // Ctrl is added to these
    int from;                    // rows from and 7 selected, from current
    Rows selected;
    int row;
  };
  const Case cases[] = {
      {Qt::Key_Left, {}, 5, {4}, 4},
      {Qt::Key_Right, {}, 5, {6}, 6},
      {Qt::Key_Left, Qt::ShiftModifier, 5, {4, 5, 7}, 4},
      {Qt::Key_Right, Qt::ShiftModifier, 5, {5, 6, 7}, 6},
      {Qt::Key_Right, Qt::ShiftModifier, 6, {7}, 7},  // takes row 6 back
      {Qt::Key_Right, {}, 8, {9}, 9},                 // below the view: it scrolls
  };
  for (const Case& c : cases) {
    for (const Qt::KeyboardModifiers ctrl :
         {Qt::KeyboardModifiers(), Qt::KeyboardModifiers(Qt::ControlModifier)}) {
      Key(Qt::Key_Home);
      Click(7);
      Click(c.from, Qt::ControlModifier);
      Key(c.key, c.mods | ctrl);
      EXPECT_EQ(Selected(), c.selected) << c.key << " from " << c.from << " ctrl " << (ctrl != 0);
      EXPECT_EQ(grid.Row(), c.row) << c.key << " from " << c.from << " ctrl " << (ctrl != 0);
      EXPECT_TRUE(grid.viewport()->rect().contains(At(c.row))) << "row " << c.row << " out of view";
    }
  }
}

TEST_F(GridTest, HeaderClicksNeverSelectAndDraggingABorderResizes) {
  Click(3);
  QHeaderView* header = grid.horizontalHeader();
  const QPoint onHeader(header->sectionPosition(1) + 20, 9);
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, onHeader);
  QTest::mouseClick(header->viewport(), Qt::RightButton, {}, onHeader);
  EXPECT_EQ(Selected(), Rows({3}));
  EXPECT_EQ(grid.Row(), 3);

  const int client = grid.ClientWidth();
  const int border = header->sectionSize(0) - 1;
  QTest::mousePress(header->viewport(), Qt::LeftButton, {}, QPoint(border, 9));
  QTest::mouseMove(header->viewport(), QPoint(border + 30, 9));
  QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, QPoint(border + 30, 9));
  EXPECT_EQ(grid.ColWidths(0), 80);
  EXPECT_EQ(grid.ColWidths(2), client - 200);  // the last column absorbs the change
  grid.resize(grid.width() + 50, grid.height());
  EXPECT_EQ(grid.ColWidths(2), client + 50 - 200);
  grid.SetColWidths(1, client);  // no room left: the last column keeps its width
  EXPECT_EQ(grid.ColWidths(2), client + 50 - 200);
}

TEST_F(GridTest, ADoubleClickOnAHeaderBorderKeepsTheWidthThatIsSaved) {
  QHeaderView* header = grid.horizontalHeader();
  const int client = grid.ClientWidth();
  // What the window system delivers: a click, the second press as a
  // double-click, its release. Column 0 is wider than its texts, column 1 far wider.
  const auto DoubleClickBorder = [header](int col) {
    const QPoint border(header->sectionPosition(col) + header->sectionSize(col) - 1, 9);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, border);
    QTest::mouseDClick(header->viewport(), Qt::LeftButton, {}, border);
    return border;
  };
  for (const int col : {0, 1}) {
    const QPoint border = DoubleClickBorder(col);
    QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, border);
  }
  EXPECT_EQ(grid.ColWidths(0), 50);
  EXPECT_EQ(grid.ColWidths(1), 120);
  EXPECT_EQ(grid.ColWidths(2), client - 170);
  TempDir dir;
  const std::string path = dir.File("korapc.ini");
  {
    SettingsFile ini(path);
    ASSERT_TRUE(SaveGridLayout(grid, ini));
  }
  EXPECT_EQ(TempDir::ReadAll(path),
            "[sgTest]\nCOL_0_WIDTH=50\nCOL_1_WIDTH=120\nCOL_SORTBY=-1\nASCENDING=1\n");

  // The second press of a double-click still starts a drag.
  const QPoint border = DoubleClickBorder(0);
  QTest::mouseMove(header->viewport(), border + QPoint(20, 0));
  QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, border + QPoint(20, 0));
  EXPECT_EQ(grid.ColWidths(0), 70);
}

TEST_F(GridTest, ADoubleClickIsReportedOnlyForDataRows) {
  QSignalSpy spy(&grid, &TesStringGrid::DblClick);
  // What the window system delivers: a click, then the second press as a double-click.
  QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, At(4, 2));
  QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, At(4, 2));
  ASSERT_EQ(spy.count(), 1);
  EXPECT_EQ(spy.at(0).at(0).toInt(), 4);

  grid.SetRowCount(4);  // three rows: the lower part of the grid is empty
  const QPoint below(40, grid.viewport()->height() - 3);
  QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, below);
  QTest::mouseDClick(grid.horizontalHeader()->viewport(), Qt::LeftButton, {}, QPoint(20, 9));
  EXPECT_EQ(spy.count(), 1);

  int col = 0;
  int row = 0;
  grid.MouseToCell(grid.viewport()->mapTo(&grid, below), col, row);
  EXPECT_EQ(col, -1);
  EXPECT_EQ(row, -1);
  grid.MouseToCell(grid.horizontalHeader()->mapTo(&grid, QPoint(60, 5)), col, row);
  EXPECT_EQ(col, 1);
  EXPECT_EQ(row, 0);
  grid.MouseToCell(grid.viewport()->mapTo(&grid, At(3, 2)), col, row);
  EXPECT_EQ(col, 2);
  EXPECT_EQ(row, 3);
}

TEST_F(GridTest, WithAnEmptyDisplayListClicksSelectNothing) {
  grid.clearDispLst();
  grid.clearSelLst();
  Click(3);
  Click(5, Qt::ShiftModifier);
  Click(7, {}, Qt::RightButton);
  Key(Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(grid.getSelCount(), 0);
  EXPECT_TRUE(Selected().empty());
  EXPECT_EQ(grid.Row(), 7);  // the current row still follows
}

TEST_F(GridTest, TheSelectionBelongsToItemsNotRows) {
  Click(2);
  Click(3, Qt::ControlModifier);  // items 1 and 2
  grid.clearDispLst();
  for (int i = kRows - 1; i >= 0; --i) grid.addDispLst(i);  // reversed
  EXPECT_EQ(Selected(), Rows({kRows - 2, kRows - 1}));
}

// --- Painting, checked on the rendered grid ---

class PaintTest : public GridTest {
 protected:
  QImage Shot() { return grid.grab().toImage().convertToFormat(QImage::Format_RGB32); }
  // A point of the viewport in the grid's (and so the shot's) coordinates.
  QPoint InGrid(QPoint viewportPoint) const { return grid.viewport()->mapTo(&grid, viewportPoint); }
  QRgb Pixel(const QImage& shot, QPoint viewportPoint) const {
    return shot.pixel(InGrid(viewportPoint));
  }
  // A blank spot of a data row: in the last column, far right of its text.
  QPoint Blank(int row) const {
    return {grid.columnViewportPosition(2) + grid.columnWidth(2) - 20,
            grid.rowViewportPosition(row - 1) + 9};
  }
  int RowTop(int row) const { return grid.rowViewportPosition(row - 1); }
  QColor Colour(QPalette::ColorRole role) const { return grid.palette().color(role); }

  // The cell without its grid line, cut from the shot.
  QImage CellImage(const QImage& shot, int col, int row) const {
    const QRect cell(InGrid(QPoint(grid.columnViewportPosition(col), RowTop(row))),
                     QSize(grid.columnWidth(col) - 1, grid.rowHeight(row - 1) - 1));
    return shot.copy(cell);
  }
  // What a cell of that size shows for text: the background, and the text
  // 3 pixels in from the left and right and 2 from the top, centred, one line.
  QImage Expected(const QImage& like, const QColor& background, const QString& text) const {
    QImage image(like.size(), QImage::Format_RGB32);
    image.fill(background);
    QPainter painter(&image);
    painter.setFont(grid.font());
    painter.setPen(Colour(QPalette::Text));
    painter.drawText(QRect(0, 0, image.width(), image.height()).adjusted(3, 2, -3, 0),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
    return image;
  }
};

TEST_F(PaintTest, RowsAlternateWhiteAndPaleBlueAndSelectedRowsAreHighlighted) {
  Click(4, Qt::ControlModifier);
  const QImage shot = Shot();
  EXPECT_EQ(Pixel(shot, Blank(1)), Colour(QPalette::Highlight).rgb());
  EXPECT_EQ(Pixel(shot, Blank(2)), qRgb(232, 241, 249));
  EXPECT_EQ(Pixel(shot, Blank(3)), qRgb(255, 255, 255));
  EXPECT_EQ(Pixel(shot, Blank(4)), Colour(QPalette::Highlight).rgb());
  EXPECT_EQ(Pixel(shot, Blank(6)), qRgb(232, 241, 249));
  // Silver lines at the right edge of every data cell, none between rows.
  const int line = grid.columnViewportPosition(0) + grid.columnWidth(0) - 1;
  EXPECT_EQ(Pixel(shot, QPoint(line, RowTop(3) + 9)), qRgb(192, 192, 192));
  EXPECT_EQ(Pixel(shot, QPoint(line, RowTop(3) + 17)), qRgb(192, 192, 192));
  EXPECT_NE(Pixel(shot, QPoint(Blank(3).x(), RowTop(3) + 17)), qRgb(192, 192, 192));
  // The header in the button face.
  const QPoint header = grid.horizontalHeader()->mapTo(&grid, QPoint(Blank(1).x(), 9));
  EXPECT_EQ(shot.pixel(header), Colour(QPalette::Button).rgb());
}

TEST_F(PaintTest, ADottedRectangleSurroundsTheWholeCurrentRow) {
  auto dotsOnTopEdge = [&](const QImage& shot, int row, const QColor& ink) {
    int dots = 0;
    for (int x = 0; x < grid.ClientWidth(); ++x) {
      if (Pixel(shot, QPoint(x, RowTop(row))) == ink.rgb()) ++dots;
    }
    return dots;
  };
  const int half = grid.ClientWidth() / 2;
  Click(3);
  QImage shot = Shot();
  EXPECT_GT(dotsOnTopEdge(shot, 3, Colour(QPalette::HighlightedText)), half * 8 / 10);
  EXPECT_LT(dotsOnTopEdge(shot, 3, Colour(QPalette::HighlightedText)), half * 12 / 10);
  EXPECT_EQ(dotsOnTopEdge(shot, 1, Colour(QPalette::Text)), 0);
  // Still shown when the current row is not selected.
  Click(3, Qt::ControlModifier);
  shot = Shot();
  EXPECT_EQ(Pixel(shot, Blank(3)), qRgb(255, 255, 255));
  EXPECT_GT(dotsOnTopEdge(shot, 3, Colour(QPalette::Text)), half * 8 / 10);
}

TEST_F(PaintTest, ATooLongTextEndsInThreeFullStopsAndAnAmpersandShowsAsItself) {
  const QString text = "Respiration Waveform Selection";
  grid.SetCells(1, 3, text);
  grid.SetCells(1, 5, "R&D");
  const QImage shot = Shot();
  const QImage cell = CellImage(shot, 1, 3);
  ASSERT_NE(Expected(cell, Qt::white, "..."), Expected(cell, Qt::white, ""))
      << "no font to draw with";
  int shown = -1;  // how much of the text comes before the dots
  for (int n = 0; n <= text.size(); ++n) {
    if (cell == Expected(cell, Qt::white, text.left(n) + "...")) shown = n;
  }
  EXPECT_GT(shown, 3);
  EXPECT_LT(shown, text.size());

  const QImage ampersand = CellImage(shot, 1, 5);
  EXPECT_EQ(ampersand, Expected(ampersand, Qt::white, "R&D"));
  EXPECT_NE(ampersand, Expected(ampersand, Qt::white, "RD"));
}

TEST_F(PaintTest, WithAnEmptyDisplayListTheGridDrawsNoLinesOfItsOwn) {
  grid.SetRowCount(4);
  QImage shot = Shot();
  const int line = grid.columnViewportPosition(0) + grid.columnWidth(0) - 1;
  EXPECT_EQ(Pixel(shot, QPoint(line, RowTop(2) + 9)), qRgb(192, 192, 192));
  EXPECT_EQ(Pixel(shot, QPoint(Blank(3).x(), RowTop(3) + 17)),
            qRgb(192, 192, 192));  // under the last row

  grid.clearDispLst();
  shot = Shot();
  const QRect view(InGrid(QPoint(0, 0)), grid.viewport()->size());
  int silver = 0;
  for (int y = view.top(); y <= view.bottom(); ++y) {
    for (int x = view.left(); x <= view.right(); ++x) {
      if (shot.pixel(x, y) == qRgb(192, 192, 192)) ++silver;
    }
  }
  EXPECT_EQ(silver, 0);
}

TEST_F(PaintTest, TheSortMarkFollowsTheHeaderTextOrSitsAtTheRightEdge) {
  EXPECT_EQ(QPixmap(":/BMP_SORTUP").size(), QSize(10, 10));
  EXPECT_EQ(QPixmap(":/BMP_SORTDOWN").size(), QSize(10, 10));

  QHeaderView* header = grid.horizontalHeader();
  auto mark = [&](int col) {
    const QImage shot = Shot();
    const int textWidth = QFontMetrics(grid.font()).horizontalAdvance(grid.Cells(col, 0));
    const int left = header->sectionPosition(col);
    const int width = header->sectionSize(col);
    // The cell's right edge (exclusive) is one pixel short of the section's.
    const int x = textWidth + 10 + 8 > width ? left + width - 1 - 12 : left + textWidth + 8;
    return shot.copy(QRect(header->mapTo(&grid, QPoint(x, 4)), QSize(10, 10)));
  };
  const QColor grey(128, 128, 128);
  const QColor silver(192, 192, 192);
  grid.setSortCol(1);
  QImage image = mark(1);
  EXPECT_EQ(image.pixel(4, 2), grey.rgb());  // apex: grey on the left, white on the right
  EXPECT_EQ(image.pixel(5, 2), qRgb(255, 255, 255));
  EXPECT_EQ(image.pixel(4, 4), silver.rgb());
  EXPECT_EQ(image.pixel(0, 0), Colour(QPalette::Button).rgb());  // transparent

  grid.setAscending(false);
  image = mark(1);
  EXPECT_EQ(image.pixel(4, 8), grey.rgb());  // apex at the bottom
  EXPECT_EQ(image.pixel(5, 8), qRgb(255, 255, 255));
  EXPECT_EQ(image.pixel(5, 2), grey.rgb());

  grid.SetColWidths(1, 40);  // "Option" and the mark no longer fit
  image = mark(1);
  EXPECT_EQ(image.pixel(4, 8), grey.rgb());

  grid.setSortCol(-1);
  image = mark(1);
  EXPECT_NE(image.pixel(4, 8), grey.rgb());
}

TEST_F(PaintTest, SnapshotOfAPopulatedGrid) {
  grid.SetCells(1, 2, "A name far too long for its column of the grid");
  grid.SetCells(1, 5, "Pacer & Temperature");
  grid.SetCells(2, 3, QString::fromUtf8("37.0 \u00baC   \u00b5V"));
  Click(3);
  Click(5, Qt::ShiftModifier);
  grid.setSortCol(1);
  const QImage shot = Shot();
  EXPECT_EQ(Pixel(shot, Blank(4)), Colour(QPalette::Highlight).rgb());
  const QByteArray dir = qgetenv("KORAPC_SNAPSHOT_DIR");
  if (!dir.isEmpty()) {
    ASSERT_TRUE(QDir().mkpath(QString::fromLocal8Bit(dir)));
    EXPECT_TRUE(shot.save(QString::fromLocal8Bit(dir) + "/grid.png"));
  }
}

TEST(GridLists, BadIndexesAreIgnoredAndResizingKeepsFlags) {
  TesStringGrid grid;
  for (int i = 0; i < 3; ++i) grid.addDispLst(i);
  grid.setSelLstSize();
  grid.setSelLst(1, true);
  grid.setSelLst(3, true);
  EXPECT_FALSE(grid.getSelLst(3));
  EXPECT_FALSE(grid.getSelLst(-1));
  grid.addDispLst(3);
  grid.setSelLstSize();
  EXPECT_EQ(grid.getSelLstSize(), 4);
  EXPECT_TRUE(grid.getSelLst(1));
  grid.addSelLst(true);
  grid.delSelLst(0);  // later entries move down
  EXPECT_TRUE(grid.getSelLst(0));
  EXPECT_TRUE(grid.getSelLst(3));
  EXPECT_EQ(grid.getSelCount(), 2);

  EXPECT_EQ(grid.getDispLst(4), -1);
  grid.setDispLst(1, 7);
  grid.delDispLst(0);
  grid.delDispLst(8);
  EXPECT_EQ(grid.getDispLstSize(), 3);
  EXPECT_EQ(grid.getDispLst(0), 7);

  grid.SetRowCount(6);  // rows past the display list read as unselected
  grid.selectRow(5);
  EXPECT_FALSE(grid.isRowSelected(5));
  EXPECT_EQ(grid.getSelCount(), 2);
}

// Layout: a grid as a page builds it before it is shown, with the client
// width given exactly (the frame is added around it).
class LayoutTest : public ::testing::Test {
 protected:
  std::unique_ptr<TesStringGrid> Grid(const char* name, int cols, int clientWidth) {
    auto grid = std::make_unique<TesStringGrid>();
    grid->setObjectName(name);
    grid->SetColCount(cols);
    grid->SetRowCount(3);
    grid->resize(clientWidth + 2 * grid->frameWidth(), 200);
    return grid;
  }
  void Write(const std::string& text) { TempDir::WriteAll(path, text); }

  TempDir dir;
  std::string path = dir.File("korapc.ini");
};

TEST_F(LayoutTest, AHiddenGridKnowsTheWidthItWillHaveWhenShown) {
  for (const int rows : {3, 40}) {  // without and with a vertical scroll bar
    auto grid = Grid("sgPowerOn", 3, 400);
    grid->SetRowCount(rows);
    const int hidden = grid->ClientWidth();
    grid->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(grid.get()));
    EXPECT_EQ(hidden, grid->viewport()->width()) << rows << " rows";
    EXPECT_EQ(grid->verticalScrollBar()->isVisible(), rows == 40);
  }
}

TEST_F(LayoutTest, WithoutASectionColumnsGetAQuarterOrAThirdOfTheWidth) {
  auto power = Grid("sgPowerOn", 3, 404);
  auto autos = Grid("sgAutoSelect", 2, 405);
  SettingsFile ini(path);
  LoadGridLayout(*power, ini);
  LoadGridLayout(*autos, ini);
  EXPECT_EQ(power->ClientWidth(), 404);
  EXPECT_EQ(power->ColWidths(0), 101);
  EXPECT_EQ(power->ColWidths(1), 101);
  EXPECT_EQ(power->ColWidths(2), 202);
  EXPECT_EQ(autos->ColWidths(0), 135);
  EXPECT_EQ(autos->ColWidths(1), 270);
  EXPECT_EQ(power->sortCol(), 0);
  EXPECT_TRUE(power->ascending());
}

TEST_F(LayoutTest, ADefaultWidthIsTakenAgainFromTheRealWidthWhenTheGridIsFirstShown) {
  Write("[sgAutoSelect]\nCOL_0_WIDTH=70\nCOL_1_WIDTH=wide\n");
  auto power = Grid("sgPowerOn", 3, 400);
  auto autos = Grid("sgAutoSelect", 3, 400);
  auto set = Grid("sgSet", 3, 400);
  {
    SettingsFile ini(path);
    LoadGridLayout(*power, ini);
    LoadGridLayout(*autos, ini);
    LoadGridLayout(*set, ini);
  }
  EXPECT_EQ(power->ColWidths(0), 100);  // from the width the grid had when it loaded
  set->SetColWidths(0, 77);             // set since: no longer a default
  for (TesStringGrid* grid : {power.get(), autos.get(), set.get()}) {
    grid->resize(600 + 2 * grid->frameWidth(), 200);  // the window lays it out
    grid->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(grid));
  }
  EXPECT_EQ(power->ColWidths(0), 150);
  EXPECT_EQ(power->ColWidths(1), 150);
  EXPECT_EQ(power->ColWidths(2), 300);
  EXPECT_EQ(autos->ColWidths(0), 70);   // a stored width stays
  EXPECT_EQ(autos->ColWidths(1), 150);  // "wide" is no width
  EXPECT_EQ(set->ColWidths(0), 77);
  EXPECT_EQ(set->ColWidths(1), 150);
  // Only the first show counts; afterwards the last column alone follows the width.
  power->hide();
  power->resize(800 + 2 * power->frameWidth(), 200);
  power->show();
  EXPECT_EQ(power->ColWidths(0), 150);
  EXPECT_EQ(power->ColWidths(2), 500);
}

TEST_F(LayoutTest, ColumnsAreWidenedToTheirTextsOnlyWhenTheFileHasNoSectionForTheGrid) {
  Write("[sgAutoSelect]\nCOL_SORTBY=-1\n");
  const QString longText = "Temperature YSI 400/700 and then some more";
  auto Filled = [&](const char* name) {
    auto grid = Grid(name, 3, 400);
    grid->SetCells(1, 1, longText);
    grid->setWidenDefaultsToTexts(true);
    SettingsFile ini(path);
    LoadGridLayout(*grid, ini);
    return grid;
  };
  auto first = Filled("sgPowerOn");     // no section at all: a first start
  auto later = Filled("sgAutoSelect");  // a section, though without widths
  const int textWidth = first->fontMetrics().horizontalAdvance(longText);
  ASSERT_GT(textWidth, 100);
  EXPECT_EQ(first->ColWidths(1), first->TextWidth(1));
  EXPECT_GE(first->ColWidths(1), textWidth + 6);
  EXPECT_EQ(first->ColWidths(0), 100);  // its texts fit a quarter
  EXPECT_EQ(later->ColWidths(1), 100);
}

TEST_F(LayoutTest, ASavedLayoutIsRestoredAndAWidthThatIsNoIntegerGivesTheDefault) {
  Write(
      "[sgPowerOn]\nCOL_0_WIDTH=51\nCOL_1_WIDTH=183\nCOL_SORTBY=2\nASCENDING=0\n"
      "[sgAutoSelect]\nCOL_0_WIDTH=53\n[sgWide]\nCOL_0_WIDTH=60\nCOL_1_WIDTH=wide\n");
  auto power = Grid("sgPowerOn", 3, 500);
  auto autos = Grid("sgAutoSelect", 2, 500);
  auto wide = Grid("sgWide", 3, 400);
  SettingsFile ini(path);
  LoadGridLayout(*power, ini);
  LoadGridLayout(*autos, ini);
  LoadGridLayout(*wide, ini);
  EXPECT_EQ(power->ColWidths(0), 51);
  EXPECT_EQ(power->ColWidths(1), 183);
  EXPECT_EQ(power->ColWidths(2), 500 - 51 - 183);
  EXPECT_EQ(power->sortCol(), 2);
  EXPECT_FALSE(power->ascending());
  EXPECT_EQ(autos->ColWidths(0), 53);
  EXPECT_EQ(autos->ColWidths(1), 447);
  EXPECT_EQ(wide->ColWidths(0), 60);
  EXPECT_EQ(wide->ColWidths(1), 100);
  EXPECT_EQ(wide->ColWidths(2), 240);
}

TEST_F(LayoutTest, SavingWritesAllButTheLastWidthAndARestartShowsThemAgain) {
  Write("[KORAPCForm]\nWIDTH=620\n");
  {
    auto grid = Grid("sgPowerOn", 3, 500);
    grid->SetColWidths(0, 77);
    grid->SetColWidths(1, 150);
    grid->setSortCol(-1);
    SettingsFile ini(path);
    EXPECT_TRUE(SaveGridLayout(*grid, ini));
  }
  const std::string text = TempDir::ReadAll(path);
  EXPECT_NE(text.find("[KORAPCForm]\nWIDTH=620\n"), std::string::npos) << text;
  EXPECT_NE(text.find("[sgPowerOn]\nCOL_0_WIDTH=77\nCOL_1_WIDTH=150\nCOL_SORTBY=-1\nASCENDING=1\n"),
            std::string::npos)
      << text;
  EXPECT_EQ(text.find("COL_2_WIDTH"), std::string::npos);

  auto again = Grid("sgPowerOn", 3, 500);
  SettingsFile ini(path);
  LoadGridLayout(*again, ini);
  EXPECT_EQ(again->ColWidths(0), 77);
  EXPECT_EQ(again->ColWidths(1), 150);
  EXPECT_EQ(again->sortCol(), -1);
}

TEST_F(LayoutTest, AnyAscendingOtherThanZeroReadsTrueAndIsWrittenBackAsOne) {
  Write("[sgAutoSelect]\nCOL_0_WIDTH=53\nCOL_SORTBY=x\nASCENDING=5\n");
  auto grid = Grid("sgAutoSelect", 2, 400);
  {
    SettingsFile ini(path);
    LoadGridLayout(*grid, ini);
  }
  EXPECT_TRUE(grid->ascending());
  EXPECT_EQ(grid->sortCol(), 0);
  {
    SettingsFile ini(path);
    SaveGridLayout(*grid, ini);
  }
  EXPECT_EQ(TempDir::ReadAll(path), "[sgAutoSelect]\nCOL_0_WIDTH=53\nCOL_SORTBY=0\nASCENDING=1\n");
}

TEST_F(LayoutTest, AGridWithoutANameNeitherReadsNorWritesKeysOutsideASection) {
  Write("COL_0_WIDTH=70\nASCENDING=0\n[sgAutoSelect]\nCOL_0_WIDTH=53\n");
  auto grid = Grid("", 2, 300);
  SettingsFile ini(path);
  LoadGridLayout(*grid, ini);
  EXPECT_EQ(grid->ColWidths(0), 100);
  EXPECT_TRUE(grid->ascending());
  EXPECT_FALSE(SaveGridLayout(*grid, ini));
  EXPECT_EQ(TempDir::ReadAll(path),
            "COL_0_WIDTH=70\nASCENDING=0\n[sgAutoSelect]\nCOL_0_WIDTH=53\n");
}

TEST_F(LayoutTest, DamagedWidthsLeaveEveryColumnWithinReach) {
  const int screenWidth = QGuiApplication::primaryScreen()->availableVirtualGeometry().width();
  Write(
      "[sgPowerOn]\nCOL_0_WIDTH=0\nCOL_1_WIDTH=-40\n"
      "[sgAutoSelect]\nCOL_0_WIDTH=" +
      std::to_string(screenWidth * 10) +
      "\n"
      "[sgWider]\nCOL_0_WIDTH=450\n");
  auto power = Grid("sgPowerOn", 3, 400);
  auto autos = Grid("sgAutoSelect", 2, 400);
  auto wider = Grid("sgWider", 2, 300);
  SettingsFile ini(path);
  LoadGridLayout(*power, ini);
  LoadGridLayout(*autos, ini);
  LoadGridLayout(*wider, ini);
  // Zero and negative widths could never be grabbed again: they get the default.
  EXPECT_EQ(power->ColWidths(0), 100);
  EXPECT_EQ(power->ColWidths(1), 100);
  EXPECT_EQ(power->ColWidths(2), 200);
  // A border past the screen could never be dragged back: the column ends
  // within the screen and leaves the last column room to be seen.
  EXPECT_LE(autos->ColWidths(0), screenWidth - TesStringGrid::kMinColWidth);
  EXPECT_GT(autos->ColWidths(0), 400);
  // Wider than the grid but within the screen is kept: the window may have
  // been wider when it was saved.
  EXPECT_EQ(wider->ColWidths(0), 450);
  wider->resize(600 + 2 * wider->frameWidth(), 200);
  wider->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(wider.get()));
  EXPECT_EQ(wider->ColWidths(1), 150);
}

}  // namespace
