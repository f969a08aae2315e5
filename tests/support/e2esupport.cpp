#include "support/e2esupport.h"

#include <QComboBox>
#include <QHeaderView>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include "grid/esstringgrid.h"

namespace e2e {

void ClickTab(QTabWidget* tabs, int index) {
  QTabBar* bar = tabs->tabBar();
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
  QCoreApplication::processEvents();
}

void Choose(QComboBox* list, int item) {
  list->setFocus();
  QTest::keyClick(list, Qt::Key_Home);
  for (int i = 0; i < item; ++i) QTest::keyClick(list, Qt::Key_Down);
}

QPoint CellCentre(const TesStringGrid& grid, int col, int row) {
  return grid.visualRect(grid.model()->index(row - 1, col)).center();
}

void DragColumnBorder(TesStringGrid& grid, int col, int dx) {
  QHeaderView* header = grid.horizontalHeader();
  const int border = header->sectionViewportPosition(col) + header->sectionSize(col) - 1;
  const int y = header->height() / 2;
  QTest::mousePress(header->viewport(), Qt::LeftButton, {}, QPoint(border, y));
  QTest::mouseMove(header->viewport(), QPoint(border + dx, y));
  QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, QPoint(border + dx, y));
}

std::vector<QStringList> GridTexts(const TesStringGrid& grid) {
  std::vector<QStringList> rows;
  for (int row = 0; row < grid.RowCount(); ++row) {
    QStringList cells;
    for (int col = 0; col < grid.ColCount(); ++col) cells << grid.Cells(col, row);
    rows.push_back(cells);
  }
  return rows;
}

bool IsPrintable(const QString& text) {
  for (const QChar ch : text) {
    // The soft hyphen is a character of Windows-1252 that a name may hold.
    if (ch == QChar::SoftHyphen) continue;
    if (ch == QChar::ReplacementCharacter || !ch.isPrint()) return false;
    const QChar::Category category = ch.category();
    if (category == QChar::Other_PrivateUse || category == QChar::Other_NotAssigned) return false;
  }
  return true;
}

std::string AslRecord(const std::string& name, std::initializer_list<std::int32_t> codes) {
  std::string record = name.substr(0, 20);
  record.resize(24, '\0');
  for (const std::int32_t code : codes) {
    const auto word = static_cast<std::uint32_t>(code);
    for (int shift = 0; shift < 32; shift += 8) record += static_cast<char>((word >> shift) & 0xFF);
  }
  record.resize(64, '\0');
  return record;
}

std::string PowerOnFile(const std::vector<int>& values) {
  std::string file;
  for (const int value : values) file += std::to_string(value) + "\r\n";
  return file;
}

const QStringList kPowerOnNames = {"ECG Rate",
                                   "ECG Amplitude",
                                   "ECG Axis",
                                   "ECG Baseline Impedance",
                                   "ECG R-Wave",
                                   "Respiration Rate",
                                   "Respiration Waveform",
                                   "Respiration Delta",
                                   "Pacer Pulse Amplitude",
                                   "Pacer Pulse Width",
                                   "Pacer Pulse Polarity",
                                   "Temperature YSI 400/700",
                                   "CO Injectate Temperature",
                                   "CO Baseline Temperature",
                                   "CO Injectate Thermistor",
                                   "BP Sensitivity",
                                   "BP1 Dynamic",
                                   "BP2 Dynamic",
                                   "BP3 Dynamic",
                                   "BP4 Dynamic"};

PortLister TwoPorts(const std::string& link) {
  return [link] {
    return std::vector<PortEntry>{{"/dev/ttyS0", "built-in"},
                                  {QString::fromLocal8Bit(link.c_str()), "Virtual KORA-1"}};
  };
}

}  // namespace e2e
