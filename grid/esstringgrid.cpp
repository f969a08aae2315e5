#include "grid/esstringgrid.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <climits>
#include <string>

namespace {

constexpr int kDefaultColWidth = 64;
constexpr int kWheelNotch = 120;  // eighths of a degree per wheel notch
const QColor kGridLineColor(192, 192, 192);

}  // namespace

// The header row is Qt's horizontal header; it hands every section back to
// the grid, so that header and data cells are painted by the one DrawCell.
class TesStringGrid::Header : public QHeaderView {
 public:
  explicit Header(TesStringGrid* grid) : QHeaderView(Qt::Horizontal, grid), grid_(grid) {}

 protected:
  void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override {
    if (!rect.isValid()) return;
    painter->save();
    // The dark lines that frame every header cell, outside the cell rectangle.
    painter->setPen(palette().color(QPalette::Shadow));
    painter->drawLine(rect.right(), rect.top(), rect.right(), rect.bottom());
    painter->drawLine(rect.left(), rect.bottom(), rect.right(), rect.bottom());
    grid_->DrawCell(*painter, logicalIndex, 0, grid_->CellRect(rect), gdFixed);
    painter->restore();
  }

  // Qt fits a column to its contents when its border is double-clicked. Here
  // widths change only by dragging: the second press of a double-click is a
  // press like the first, so that on a border it starts a drag.
  void mouseDoubleClickEvent(QMouseEvent* event) override { QHeaderView::mousePressEvent(event); }

 private:
  TesStringGrid* grid_;
};

TesStringGrid::TesStringGrid(QWidget* parent) : QTableWidget(parent) {
  // The library is static: without this the linker drops the sort marks.
  Q_INIT_RESOURCE(grid);
  bmpSortUp = QPixmap(QStringLiteral(":/BMP_SORTUP"));
  bmpSortDown = QPixmap(QStringLiteral(":/BMP_SORTDOWN"));

  auto* header = new Header(this);
  setHorizontalHeader(header);
  header->setSectionsClickable(false);  // a header click neither selects nor sorts
  header->setHighlightSections(false);
  header->setStretchLastSection(false);  // resizeLastCol does it, and only when there is room
  header->setSectionResizeMode(QHeaderView::Interactive);
  header->setMinimumSectionSize(kMinColWidth);
  header->setDefaultSectionSize(kDefaultColWidth);
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);

  // The grid keeps its own selection (selLst) and its own current row (row_).
  setSelectionMode(QAbstractItemView::NoSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setTabKeyNavigation(false);  // Tab moves on to the next control
  // Qt would scroll to its own current index on focus-in; the grid scrolls for
  // its own current row when that moves.
  setAutoScroll(false);
  setShowGrid(false);
  setWordWrap(false);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  verticalScrollBar()->setTracking(true);

  SetDefaultRowHeight(kDefaultRowHeight);
  SetColCount(1);
  SetRowCount(2);

  connect(header, &QHeaderView::sectionResized, this, [this] { ColWidthsChanged(); });
}

TesStringGrid::~TesStringGrid() = default;

// --- Grid shape and cells ---

void TesStringGrid::SetColCount(int count) {
  setColumnCount(std::max(count, 0));
  resizeLastCol();
}

void TesStringGrid::SetRowCount(int count) {
  setRowCount(std::max(count, 1) - 1);
  const int last = rowCount();
  const int clamped = last == 0 ? 0 : std::clamp(row_, 1, last);
  if (clamped != row_) {
    row_ = clamped;
    if (row_ > 0)
      selectionModel()->setCurrentIndex(model()->index(row_ - 1, 0), QItemSelectionModel::NoUpdate);
  }
  viewport()->update();
}

QString TesStringGrid::Cells(int col, int row) const {
  if (col < 0 || col >= columnCount() || row < 0 || row > rowCount()) return {};
  const QTableWidgetItem* cell = row == 0 ? horizontalHeaderItem(col) : item(row - 1, col);
  return cell != nullptr ? cell->text() : QString();
}

void TesStringGrid::SetCells(int col, int row, const QString& text) {
  if (col < 0 || col >= columnCount() || row < 0 || row > rowCount()) return;
  QTableWidgetItem* cell = row == 0 ? horizontalHeaderItem(col) : item(row - 1, col);
  if (cell != nullptr) {
    cell->setText(text);
  } else if (row == 0) {
    setHorizontalHeaderItem(col, new QTableWidgetItem(text));
  } else {
    setItem(row - 1, col, new QTableWidgetItem(text));
  }
}

void TesStringGrid::SetColWidths(int col, int width) {
  if (col < 0 || col >= columnCount()) return;
  if (col < static_cast<int>(defaultWidth_.size())) defaultWidth_[static_cast<size_t>(col)] = false;
  setColumnWidth(col, width);
}

int TesStringGrid::DefaultRowHeight() const { return verticalHeader()->defaultSectionSize(); }

void TesStringGrid::SetDefaultRowHeight(int height) {
  height = std::max(height, 1);
  verticalHeader()->setMinimumSectionSize(1);
  verticalHeader()->setDefaultSectionSize(height);
  horizontalHeader()->setFixedHeight(height);
}

int TesStringGrid::ClientWidth() const {
  if (isVisible() && !testAttribute(Qt::WA_PendingResizeEvent)) return viewport()->width();
  // A hidden grid's viewport is laid out only when the grid is shown, yet the
  // pages load the layout before that: work the width out from the grid's size.
  const QRect area = contentsRect().marginsRemoved(viewportMargins());
  int width = area.width();
  const int rowsHeight = rowCount() * DefaultRowHeight();
  const int viewHeight =
      contentsRect().height() - (horizontalHeader()->isHidden() ? 0 : horizontalHeader()->height());
  const Qt::ScrollBarPolicy policy = verticalScrollBarPolicy();
  if (policy == Qt::ScrollBarAlwaysOn ||
      (policy == Qt::ScrollBarAsNeeded && rowsHeight > viewHeight)) {
    width -= verticalScrollBar()->sizeHint().width();
  }
  return std::max(width, 0);
}

void TesStringGrid::SetRow(int row) {
  if (row < 1 || row > rowCount()) return;
  SetCurrentRow(row, true);
}

void TesStringGrid::SetCurrentRow(int row, bool scroll) {
  const int old = row_;
  row_ = row;
  // Qt's current index follows for accessibility; autoScroll is off, so it
  // does not scroll the view.
  selectionModel()->setCurrentIndex(model()->index(row - 1, 0), QItemSelectionModel::NoUpdate);
  if (scroll) scrollTo(model()->index(row - 1, 0), QAbstractItemView::EnsureVisible);
  UpdateRow(old);
  UpdateRow(row_);
}

void TesStringGrid::MouseToCell(QPoint point, int& col, int& row) const {
  col = -1;
  row = -1;
  const QHeaderView* header = horizontalHeader();
  const QPoint inHeader = header->mapFrom(this, point);
  if (header->isVisible() && header->rect().contains(inHeader)) {
    const int c = header->logicalIndexAt(inHeader.x());
    if (c >= 0) {
      col = c;
      row = 0;
    }
    return;
  }
  const QPoint inView = viewport()->mapFrom(this, point);
  if (!viewport()->rect().contains(inView)) return;
  const int r = rowAt(inView.y());
  const int c = columnAt(inView.x());
  if (r < 0 || c < 0) return;
  col = c;
  row = r + 1;
}

// --- Selection list ---

bool TesStringGrid::getSelLst(int item) const {
  return item >= 0 && item < getSelLstSize() && selLst[static_cast<size_t>(item)];
}

void TesStringGrid::setSelLst(int item, bool selected) {
  if (item >= 0 && item < getSelLstSize()) selLst[static_cast<size_t>(item)] = selected;
}

void TesStringGrid::clearSelLst() { selLst.clear(); }

void TesStringGrid::setSelLstSize() { selLst.resize(dispLst.size(), false); }

int TesStringGrid::getSelCount() const {
  return static_cast<int>(std::count(selLst.begin(), selLst.end(), true));
}

void TesStringGrid::addSelLst(bool selected) { selLst.push_back(selected); }

void TesStringGrid::delSelLst(int item) {
  if (item >= 0 && item < getSelLstSize()) selLst.erase(selLst.begin() + item);
}

// --- Row level ---

void TesStringGrid::selectRow(int row) {
  if (row < 1 || row > getDispLstSize()) return;
  setSelLst(dispLst[static_cast<size_t>(row - 1)], true);
  UpdateRow(row);
}

void TesStringGrid::deselectRow(int row) {
  if (row < 1 || row > getDispLstSize()) return;
  setSelLst(dispLst[static_cast<size_t>(row - 1)], false);
  UpdateRow(row);
}

bool TesStringGrid::isRowSelected(int row) const {
  if (row < 1 || row > getDispLstSize()) return false;
  return getSelLst(dispLst[static_cast<size_t>(row - 1)]);
}

void TesStringGrid::deselectAll() {
  for (int row = 1; row < RowCount(); ++row) {
    if (isRowSelected(row)) deselectRow(row);
  }
}

// --- Display list ---

int TesStringGrid::getDispLst(int position) const {
  if (position < 0 || position >= getDispLstSize()) return -1;
  return dispLst[static_cast<size_t>(position)];
}

void TesStringGrid::setDispLst(int position, int item) {
  if (position < 0 || position >= getDispLstSize()) return;
  dispLst[static_cast<size_t>(position)] = item;
  viewport()->update();
}

void TesStringGrid::clearDispLst() {
  dispLst.clear();
  viewport()->update();
}

void TesStringGrid::addDispLst(int item) {
  dispLst.push_back(item);
  viewport()->update();
}

void TesStringGrid::delDispLst(int position) {
  if (position < 0 || position >= getDispLstSize()) return;
  dispLst.erase(dispLst.begin() + position);
  viewport()->update();
}

// --- Sort indicator ---

void TesStringGrid::setSortCol(int col) {
  sortCol_ = col;
  horizontalHeader()->viewport()->update();
}

void TesStringGrid::setAscending(bool up) {
  ascending_ = up;
  horizontalHeader()->viewport()->update();
}

// --- Layout ---

void TesStringGrid::resizeLastCol() {
  const int count = columnCount();
  if (count == 0 || resizingLastCol_) return;
  int sum = 0;
  for (int col = 0; col < count - 1; ++col) sum += columnWidth(col);
  // Qt's sections hold their own grid line, so no extra pixel per column is
  // set aside: the last column reaches the right edge exactly.
  const int client = ClientWidth();
  if (client <= sum) return;  // an overflow stays hidden; the last column keeps its width
  resizingLastCol_ = true;
  setColumnWidth(count - 1, client - sum);
  resizingLastCol_ = false;
}

void TesStringGrid::ColWidthsChanged() { resizeLastCol(); }

int TesStringGrid::SaneWidth(int col, int width) const {
  width = std::max(width, kMinColWidth);
  // A border beyond the screen could never be dragged back either. The grid
  // may be narrower now than the window will be, so the screen is the limit.
  int limit = ClientWidth();
  if (const QScreen* where = screen())
    limit = std::max(limit, where->availableVirtualGeometry().width());
  int before = 0;
  for (int c = 0; c < col; ++c) before += columnWidth(c);
  const int room = limit - before - kMinColWidth * (columnCount() - 1 - col);
  return std::max(kMinColWidth, std::min(width, room));
}

int TesStringGrid::TextWidth(int col) const {
  const QFontMetrics metrics = fontMetrics();
  int widest = 0;
  for (int row = 0; row < RowCount(); ++row) {
    widest = std::max(widest, metrics.horizontalAdvance(Cells(col, row)));
  }
  // The text is indented by 3 pixels on either side, the grid line takes 1,
  // and a few more keep the text off the line.
  return widest + 3 + 3 + 1 + 4;
}

void TesStringGrid::ApplyDefaultWidths() {
  const int count = columnCount();
  for (int col = 0; col < static_cast<int>(defaultWidth_.size()) && col < count - 1; ++col) {
    if (!defaultWidth_[static_cast<size_t>(col)]) continue;
    // Afresh for each column, from the width the grid has now.
    int width = ClientWidth() / (count + 1);
    if (widenToTexts_) width = std::max(width, TextWidth(col));
    setColumnWidth(col, SaneWidth(col, width));
  }
}

void TesStringGrid::applyLayout(const ColumnLayout& layout) {
  widenToTexts_ = widenDefaultsToTexts_ && !layout.saved;
  const int count = columnCount();
  defaultWidth_.assign(static_cast<size_t>(std::max(count - 1, 0)), false);
  for (int col = 0; col < count - 1; ++col) {
    // Zero or less can only come from a damaged file: such a column could
    // never be grabbed again, so it gets the default width too.
    const int width =
        col < static_cast<int>(layout.widths.size()) ? layout.widths[static_cast<size_t>(col)] : 0;
    if (width <= 0) {
      defaultWidth_[static_cast<size_t>(col)] = true;
      continue;
    }
    setColumnWidth(col, SaneWidth(col, width));
  }
  ApplyDefaultWidths();
  // Drawn already: this is the real width, and it stays.
  if (painted_) defaultWidth_.assign(defaultWidth_.size(), false);
  setSortCol(layout.sortCol);
  setAscending(layout.ascending);
}

TesStringGrid::ColumnLayout TesStringGrid::layout() const {
  ColumnLayout layout;
  for (int col = 0; col < columnCount() - 1; ++col) layout.widths.push_back(columnWidth(col));
  layout.sortCol = sortCol_;
  layout.ascending = ascending_;
  layout.saved = true;
  return layout;
}

// --- Painting ---

QRect TesStringGrid::CellRect(const QRect& section) const {
  // The right pixel column and the bottom pixel row belong to the grid lines.
  return section.adjusted(0, 0, -1, -1);
}

QRect TesStringGrid::SectionRect(int col, int row) const {
  return {columnViewportPosition(col), rowViewportPosition(row - 1), columnWidth(col),
          rowHeight(row - 1)};
}

void TesStringGrid::UpdateRow(int row) {
  if (row < 1 || row > rowCount()) return;
  viewport()->update(
      QRect(0, rowViewportPosition(row - 1), viewport()->width(), rowHeight(row - 1)));
}

void TesStringGrid::DrawText(QPainter& canvas, const QRect& textRect, const QString& text) const {
  QString line = text;
  line.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
  const QFontMetrics metrics(canvas.font());
  const int room = textRect.width();
  if (metrics.horizontalAdvance(line) > room) {
    // Three full stops rather than Qt's single ellipsis character, which some
    // fonts lack.
    const QString dots = QStringLiteral("...");
    qsizetype lo = 0;
    qsizetype hi = line.size();
    while (lo < hi) {
      const qsizetype mid = (lo + hi + 1) / 2;
      if (metrics.horizontalAdvance(line.left(mid) + dots) <= room) {
        lo = mid;
      } else {
        hi = mid - 1;
      }
    }
    if (lo > 0 && line.at(lo - 1).isHighSurrogate()) --lo;
    line = line.left(lo) + dots;
  }
  // No Qt::TextShowMnemonic: an "&" is shown as itself.
  canvas.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, line);
}

void TesStringGrid::DrawCell(QPainter& canvas, int col, int row, const QRect& rect,
                             GridDrawState state) {
  canvas.setFont(font());
  const QString text = Cells(col, row);
  QRect textRect = rect.adjusted(3, 2, -3, 0);
  const bool header = state.testFlag(gdFixed);
  const bool current = row > 0 && row == row_;
  const bool selected = row > 0 && !selLst.empty() && isRowSelected(row);
  const QPalette& colours = palette();
  QColor fontColour;

  if (header) {
    canvas.fillRect(rect, colours.color(QPalette::Button));
    fontColour = colours.color(QPalette::ButtonText);
    canvas.setPen(colours.color(QPalette::Light));
    canvas.drawLine(rect.topLeft(), rect.topRight());
    canvas.drawLine(rect.topLeft(), rect.bottomLeft());
    canvas.setPen(colours.color(QPalette::Dark));
    canvas.drawLine(rect.bottomLeft(), rect.bottomRight());
    canvas.drawLine(rect.topRight(), rect.bottomRight());
    if (col == sortCol_) {
      const QPixmap& mark = ascending_ ? bmpSortUp : bmpSortDown;
      const int textWidth = QFontMetrics(canvas.font()).horizontalAdvance(Cells(col, 0));
      const int right = rect.right() + 1;  // first pixel past the cell
      const int x = textWidth + mark.width() + 8 > columnWidth(col) ? right - 12
                                                                    : rect.left() + textWidth + 8;
      canvas.drawPixmap(x, rect.top() + 4, mark);
      textRect.setRight(textRect.right() - 9);
    }
  } else {
    QColor background;
    if (selected) {
      background = colours.color(QPalette::Highlight);
      fontColour = colours.color(QPalette::HighlightedText);
    } else {
      fontColour = colours.color(QPalette::Text);
      background = row % 2 == 1 ? QColor(Qt::white) : altRowColor;
    }
    canvas.fillRect(rect, background);
  }

  if (current && col == columnCount() - 1) {
    // Dotted like a Windows focus rectangle: one pixel on, one pixel off.
    const QRect whole(QPoint(columnViewportPosition(0), rect.top()), rect.bottomRight());
    QPen dots(fontColour, 1, Qt::CustomDashLine);
    dots.setDashPattern({1.0, 1.0});
    canvas.setPen(dots);
    canvas.setBrush(Qt::NoBrush);
    canvas.drawRect(whole.adjusted(0, 0, -1, -1));
  }

  canvas.setPen(fontColour);
  DrawText(canvas, textRect, text);

  if (!dispLst.empty() && !header) {
    const QPen previous = canvas.pen();
    canvas.setPen(QPen(kGridLineColor, 1));
    const int lineX = rect.right() + 1;
    canvas.drawLine(lineX, rect.top(), lineX, rect.bottom() + 1);
    if (row == RowCount() - 1)
      canvas.drawLine(rect.left(), rect.bottom() + 1, rect.right(), rect.bottom() + 1);
    canvas.setPen(previous);
  }

  if (onDrawCell_) onDrawCell_(canvas, col, row, rect, state);
}

void TesStringGrid::paintEvent(QPaintEvent* event) {
  if (!painted_) {
    // Seen now at its real width: from here on the widths are the user's.
    painted_ = true;
    defaultWidth_.assign(defaultWidth_.size(), false);
  }
  QPainter canvas(viewport());
  const QRect area = event->rect();
  // Below the last row and right of the last column the grid shows its window colour.
  canvas.fillRect(area, palette().color(QPalette::Base));
  if (rowCount() == 0 || columnCount() == 0) return;
  const int first = rowAt(area.top());
  if (first < 0) return;
  int last = rowAt(area.bottom());
  if (last < 0) last = rowCount() - 1;
  for (int r = first; r <= last; ++r) {
    const int row = r + 1;
    GridDrawState state;
    if (isRowSelected(row)) state |= gdSelected;
    if (row == row_ && hasFocus()) state |= gdFocused;
    // Every column of a touched row, so that the focus rectangle drawn with
    // the last column is never half overpainted.
    for (int col = 0; col < columnCount(); ++col) {
      const QRect section = SectionRect(col, row);
      if (section.width() <= 0) continue;
      canvas.save();
      DrawCell(canvas, col, row, CellRect(section), state);
      canvas.restore();
    }
  }
}

void TesStringGrid::resizeEvent(QResizeEvent* event) {
  QTableWidget::resizeEvent(event);
  // Until the grid is first drawn the window is still laying it out (a tab
  // widget sizes its pages only once they are shown), so the default widths
  // follow its width until then.
  if (!painted_) ApplyDefaultWidths();
  resizeLastCol();
}

// --- Mouse ---

// The mouse is handled here rather than by Qt's view: Qt would move the
// current row on Shift+click and while the button is dragged, where this grid
// keeps it.
void TesStringGrid::MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y,
                              bool doubleClick) {
  int col = -1;
  int row = -1;
  MouseToCell(QPoint(x, y), col, row);
  if (col < 0 || row <= 0) return;  // below the last row: nothing to do

  if (!dispLst.empty() && button == Qt::LeftButton) {
    if (shift & Qt::ControlModifier) {
      if (isRowSelected(row)) {
        deselectRow(row);
      } else {
        selectRow(row);
      }
    } else if (shift & Qt::ShiftModifier) {
      const int from = std::min(row_, row);
      const int to = std::max(row_, row);
      for (int r = from; r <= to; ++r) selectRow(r);
    } else if (!isRowSelected(row)) {
      deselectAll();
      selectRow(row);
    }
  }

  if (button == Qt::RightButton) {
    SetCurrentRow(row, false);
    if (!isRowSelected(row_) && !dispLst.empty()) {
      deselectAll();
      selectRow(row);
    }
  }

  if (button == Qt::LeftButton) {
    // The first press of a double-click has already made this row current;
    // doing it again only matters when that press went elsewhere.
    if (!(shift & Qt::ShiftModifier)) SetCurrentRow(row, false);
    if (doubleClick) emit DblClick(row);
  }
}

void TesStringGrid::MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) {
  int col = -1;
  int row = -1;
  MouseToCell(QPoint(x, y), col, row);
  if (col < 0 || row <= 0 || button != Qt::LeftButton) return;
  if (shift & (Qt::ControlModifier | Qt::ShiftModifier)) return;
  if (isRowSelected(row) && getSelCount() > 1 && !dispLst.empty()) {
    deselectAll();
    selectRow(row);
  }
}

void TesStringGrid::mousePressEvent(QMouseEvent* event) {
  if (focusPolicy() & Qt::ClickFocus) setFocus(Qt::MouseFocusReason);
  const QPoint at = viewport()->mapTo(this, event->position().toPoint());
  MouseDown(event->button(), event->modifiers(), at.x(), at.y(), false);
  event->accept();
}

void TesStringGrid::mouseDoubleClickEvent(QMouseEvent* event) {
  const QPoint at = viewport()->mapTo(this, event->position().toPoint());
  MouseDown(event->button(), event->modifiers(), at.x(), at.y(), true);
  event->accept();
}

void TesStringGrid::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint at = viewport()->mapTo(this, event->position().toPoint());
  MouseUp(event->button(), event->modifiers(), at.x(), at.y());
  event->accept();
}

void TesStringGrid::mouseMoveEvent(QMouseEvent* event) {
  // Dragging with the button down changes neither the current row nor the
  // selection, so Qt's drag selection is not wanted.
  event->accept();
}

// --- Wheel ---

bool TesStringGrid::DoMouseWheelDown() {
  verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  return false;
}

bool TesStringGrid::DoMouseWheelUp() {
  verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
  return false;
}

void TesStringGrid::wheelEvent(QWheelEvent* event) {
  // One row per notch. The event is reported as not handled, so that the
  // grid's parent sees it too.
  wheelRemainder_ += event->angleDelta().y();
  while (wheelRemainder_ >= kWheelNotch) {
    DoMouseWheelUp();
    wheelRemainder_ -= kWheelNotch;
  }
  while (wheelRemainder_ <= -kWheelNotch) {
    DoMouseWheelDown();
    wheelRemainder_ += kWheelNotch;
  }
  event->ignore();
}

// --- Keyboard ---

int TesStringGrid::PageRows() const {
  return std::max(1, viewport()->height() / std::max(1, DefaultRowHeight()));
}

void TesStringGrid::KeyDown(int key, Qt::KeyboardModifiers shift) {
  const bool up = key == Qt::Key_Up || key == Qt::Key_Left;
  const bool down = key == Qt::Key_Down || key == Qt::Key_Right;
  const int last = RowCount() - 1;

  if (up && row_ > 1) {
    if (!(shift & Qt::ShiftModifier)) deselectAll();
    if (isRowSelected(row_) && isRowSelected(row_ - 1)) {
      deselectRow(row_);
    } else {
      selectRow(row_ - 1);
    }
  }
  if (down && row_ < last) {
    if (!(shift & Qt::ShiftModifier)) deselectAll();
    if (isRowSelected(row_) && isRowSelected(row_ + 1)) {
      deselectRow(row_);
    } else {
      selectRow(row_ + 1);
    }
  }
  if (key == Qt::Key_A && (shift & Qt::ControlModifier)) {
    for (int row = 1; row <= getDispLstSize(); ++row) selectRow(row);
  }

  if (last < 1) return;  // no data row to move to
  if ((key == Qt::Key_Up || key == Qt::Key_Down) && (shift & Qt::ControlModifier)) {
    // With Ctrl, Up and Down move the highlight as above but, like the base
    // grid, only scroll the view: the current row (the one Edit opens and the
    // focus rectangle marks) stays where it was. Left and Right with Ctrl
    // move on like Left and Right alone.
    verticalScrollBar()->triggerAction(up ? QAbstractSlider::SliderSingleStepSub
                                          : QAbstractSlider::SliderSingleStepAdd);
    return;
  }
  int target = row_;
  switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Left:
      target = row_ - 1;
      break;
    case Qt::Key_Down:
    case Qt::Key_Right:
      target = row_ + 1;
      break;
    case Qt::Key_PageUp:
      target = row_ - PageRows();
      break;
    case Qt::Key_PageDown:
      target = row_ + PageRows();
      break;
    case Qt::Key_Home:
      target = 1;
      break;
    case Qt::Key_End:
      target = last;
      break;
    default:
      return;
  }
  SetCurrentRow(std::clamp(target, 1, last), true);
  if (key == Qt::Key_PageUp || key == Qt::Key_PageDown || key == Qt::Key_Home ||
      key == Qt::Key_End) {
    deselectAll();
    selectRow(row_);
  }
}

void TesStringGrid::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
      KeyDown(event->key(), event->modifiers());
      event->accept();
      return;
    case Qt::Key_A:
      if (event->modifiers() & Qt::ControlModifier) {
        KeyDown(event->key(), event->modifiers());
        event->accept();
        return;
      }
      break;
    default:
      break;
  }
  QTableWidget::keyPressEvent(event);
}

void TesStringGrid::keyboardSearch(const QString& /*search*/) {}
