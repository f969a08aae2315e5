// TesStringGrid: the table of the power-on and auto-selection pages. A grid of
// text cells with one header row, its own multi-row selection, its own cell
// painting, a last column that always fills the width, and a column layout
// kept in the settings file.
#pragma once

#include <QColor>
#include <QFlags>
#include <QPixmap>
#include <QTableWidget>
#include <functional>
#include <vector>

class QPainter;

// How a page uses the grid
// ------------------------
// Rows are counted the way the pages count them: row 0 is the header, data
// rows are 1 .. RowCount() - 1. (Qt's own rowCount()/currentRow() count data
// rows from 0; the pages use the functions below instead.)
//
//   sg = new TesStringGrid(this);
//   sg->setObjectName("sgPowerOn");          // the settings section's name
//   sg->SetColCount(3);
//   sg->SetColWidths(0, 51); ...             // designed widths
//   sg->resize(designWidth, designHeight);   // before LoadGridLayout: its
//                                            // defaults come from the width
//   sg->SetCells(0, 0, "No.");               // header cells: row 0
//   sg->clearDispLst(); for (i ...) sg->addDispLst(i);
//   sg->SetRowCount(sg->getDispLstSize() + 1);
//   sg->SetCells(col, row, text);            // data cells: rows 1 ..
//   { SettingsFile ini(GetSettingsFilePath()); LoadGridLayout(*sg, ini); }
//   sg->setSelLstSize(); sg->selectRow(sg->Row()); sg->setSortCol(-1);
//   connect(sg, &TesStringGrid::DblClick, this, &Page::sgPowerOnDblClick);
//
// The page reads the current row with Row() (the row Edit works on), the
// selection with isRowSelected()/getSelLst(), and the cell under a point with
// MouseToCell(). DblClick(row) reports a double-click on a data row only, so
// a double-click on the header or below the last row opens nothing, and one
// on a header border does not fit the column: the user changes widths only by
// dragging a border. A right click makes its row current (and selects it
// unless it is part of the selection) before Qt's usual contextMenuPolicy
// shows any context menu.
// On destruction the page calls SaveGridLayout() (grid/gridlayoutfile.h).
// The text shown is Qt
// text; the pages convert the core's bytes with ui/ansitext.h.
//
// Selection: every displayed item has one flag in selLst; data row r shows
// item dispLst[r - 1]. The selection belongs to items, so it follows an item
// when the page rebuilds dispLst in another order. Qt's own selection model is
// switched off. The current row is shown by a dotted rectangle around the row
// and is independent of the selection.
class TesStringGrid : public QTableWidget {
  Q_OBJECT

 public:
  // What the grid knows about a cell while painting it.
  enum GridDrawFlag {
    gdSelected = 0x1,  // the row counts as selected
    gdFocused = 0x2,   // the row is the current row and the grid has the focus
    gdFixed = 0x4,     // a header cell
  };
  Q_DECLARE_FLAGS(GridDrawState, GridDrawFlag)

  // Called after the grid has painted a cell, with the grid's painter, the
  // column, the row (0 = header), the cell rectangle (without its grid line)
  // and the state.
  using DrawCellHandler = std::function<void(QPainter& canvas, int col, int row, const QRect& rect,
                                             GridDrawState state)>;

  static constexpr int kDefaultRowHeight = 18;  // pixels, header included
  static constexpr int kMinColWidth = 8;        // pixels; narrower columns can no longer be grabbed

  explicit TesStringGrid(QWidget* parent = nullptr);
  ~TesStringGrid() override;

  // --- Grid shape and cells (row 0 is the header) ---

  int ColCount() const { return columnCount(); }
  void SetColCount(int count);
  // Rows including the header row; at least 1. SetRowCount(n) gives n - 1 data
  // rows, keeps the cells of the rows that stay and keeps the current row in
  // range.
  int RowCount() const { return rowCount() + 1; }
  void SetRowCount(int count);
  // The text of a cell; empty for a cell never set or outside the grid.
  QString Cells(int col, int row) const;
  // Sets the text of a cell; ignored outside the grid.
  void SetCells(int col, int row, const QString& text);
  // Column width in pixels, its grid line included.
  int ColWidths(int col) const { return columnWidth(col); }
  // Sets the width of col; it then no longer counts as a default width.
  void SetColWidths(int col, int width);
  int DefaultRowHeight() const;
  // Height in pixels of every row, the header row included.
  void SetDefaultRowHeight(int height);
  // Width in pixels of the area the columns share (no frame, no scroll bar).
  int ClientWidth() const;

  // The current row: 1 .. RowCount() - 1, or 0 when there is no data row.
  int Row() const { return row_; }
  // Makes row the current row and scrolls it into view; rows outside
  // 1 .. RowCount() - 1 are ignored. The selection is not changed.
  void SetRow(int row);

  // The cell under point (in the grid's own coordinates, as from
  // mapFromGlobal(QCursor::pos())): col and row, row 0 for the header, or -1
  // and -1 when the point is on no cell (for example below the last row).
  void MouseToCell(QPoint point, int& col, int& row) const;

  // Drawing handler of the owner, called last for every cell; may be empty.
  void SetOnDrawCell(DrawCellHandler handler) { onDrawCell_ = std::move(handler); }

  // Does nothing: typing does not jump to a matching row.
  void keyboardSearch(const QString& search) override;

  // --- Selection list (one flag per item; bad indexes read false, are ignored) ---

  bool getSelLst(int item) const;
  void setSelLst(int item, bool selected);
  void clearSelLst();
  int getSelLstSize() const { return static_cast<int>(selLst.size()); }
  // Resizes the list to getDispLstSize() entries; existing flags keep their
  // values, new entries are unselected.
  void setSelLstSize();
  int getSelCount() const;
  void addSelLst(bool selected);
  void delSelLst(int item);

  // --- Row level (data rows 1 .. getDispLstSize(); other rows are ignored) ---

  void selectRow(int row);
  void deselectRow(int row);
  bool isRowSelected(int row) const;
  void deselectAll();

  // --- Display list (position 0 is data row 1) ---

  // The item shown at position, or -1 for a position outside the list.
  int getDispLst(int position) const;
  // Replaces the entry; ignored for a position outside the list.
  void setDispLst(int position, int item);
  void clearDispLst();
  void addDispLst(int item);
  // Removes the entry; ignored for a position outside the list.
  void delDispLst(int position);
  int getDispLstSize() const { return static_cast<int>(dispLst.size()); }

  // --- Sort indicator (shown only; the grid never sorts) ---

  // Column whose header shows the indicator; -1 or any other non-column shows none.
  int sortCol() const { return sortCol_; }
  void setSortCol(int col);
  // true: the up mark "BMP_SORTUP"; false: the down mark "BMP_SORTDOWN".
  bool ascending() const { return ascending_; }
  void setAscending(bool up);

  QColor altRowColor{232, 241, 249};  // background of the even data rows

  // --- Layout ---

  // Gives the last column the client width the other columns leave, when
  // they leave any; otherwise the last column keeps its width.
  void resizeLastCol();
  // A column layout as the settings file keeps it (grid/gridlayoutfile.h).
  struct ColumnLayout {
    // All but the last column, from the left; a width of zero or less, and a
    // column beyond the list, takes the default width.
    std::vector<int> widths;
    int sortCol = 0;
    bool ascending = true;
    bool saved = false;  // the file holds a layout of this grid (not the first start)
  };
  // Gives all but the last column layout's widths, and sets the sort column
  // and direction. A default width is ClientWidth() / (ColCount() + 1), and a
  // width that would push a column border off the screen is narrowed, so
  // that every border can still be dragged.
  //
  // A page loads its layout before the window is laid out, so the grid does
  // not have its real width yet: a column with the default width takes it
  // afresh from the client width at every resize until the grid is first
  // drawn (so from the width it really has in the window), unless
  // SetColWidths has set that column since.
  void applyLayout(const ColumnLayout& layout);
  // The widths of all but the last column, the sort column and direction.
  ColumnLayout layout() const;
  // When on, and a layout applied was never saved (the first start), every
  // column with the default width is widened to show its texts whole, header
  // included. Off at first; set it before applying the layout.
  void setWidenDefaultsToTexts(bool on) { widenDefaultsToTexts_ = on; }
  // Width in pixels that shows every text of column col whole, header included.
  int TextWidth(int col) const;

 signals:
  // A data row (1 .. RowCount() - 1) was double-clicked with the left button.
  // Never sent for the header or for the empty area below the last row.
  void DblClick(int row);

 protected:
  // Paints one cell: row 0 is the header; rect is the cell without its grid line.
  virtual void DrawCell(QPainter& canvas, int col, int row, const QRect& rect, GridDrawState state);
  // After any change of a column width: the last column refills the width.
  void ColWidthsChanged();
  // x and y are in the grid's own coordinates.
  void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y,
                 bool doubleClick);
  void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
  // One wheel notch: scrolls the view one row; the current row and the
  // selection stay. Return false: the notch counts as not handled, and the
  // wheel event goes on to the grid's parent.
  bool DoMouseWheelDown();
  bool DoMouseWheelUp();
  // Up/Left and Down/Right move the highlight to the next row (Shift extends
  // or takes back the selection), then the current row follows. Ctrl+Up and
  // Ctrl+Down move the highlight the same way, but the view only scrolls by
  // one row and the current row stays; Ctrl+Left and Ctrl+Right act exactly
  // as Left and Right. Page Up/Down, Home and End move the current row and
  // leave only it selected; Ctrl+A selects every row.
  void KeyDown(int key, Qt::KeyboardModifiers shift);

  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  class Header;

  QRect CellRect(const QRect& section) const;
  QRect SectionRect(int col, int row) const;
  void DrawText(QPainter& canvas, const QRect& textRect, const QString& text) const;
  void UpdateRow(int row);
  // Makes row (a data row) current. A mouse click does not scroll, so that
  // the row under the pointer is the same at press and at release.
  void SetCurrentRow(int row, bool scroll);
  int PageRows() const;
  // width, but at least kMinColWidth and with col's border still on the screen.
  int SaneWidth(int col, int width) const;
  // Gives every column in defaultWidth_ its default from the current client width.
  void ApplyDefaultWidths();

  std::vector<bool> selLst;  // selection flag per item
  std::vector<int> dispLst;  // item shown by data row r at position r - 1
  QPixmap bmpSortUp;
  QPixmap bmpSortDown;
  int sortCol_ = 0;
  bool ascending_ = true;
  int row_ = 0;
  int wheelRemainder_ = 0;  // eighths of a degree not yet turned into notches
  bool resizingLastCol_ = false;
  std::vector<bool> defaultWidth_;  // per column but the last: its width is the default
  bool widenDefaultsToTexts_ = false;
  bool widenToTexts_ = false;  // widenDefaultsToTexts_, and the file had no section
  bool painted_ = false;       // drawn once: the defaults have had the real width
  DrawCellHandler onDrawCell_;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TesStringGrid::GridDrawState)
