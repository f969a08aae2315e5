// What the end-to-end tests share: a user's hands on the real main window
// (tab clicks, grid clicks, keyboard choices, answers to modal dialogs) and
// the expected contents of the files and the instrument written out from
// their layouts.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "machine/portlist.h"

class QComboBox;
class QTabWidget;
class QWidget;
class TesStringGrid;

namespace e2e {

// --- The user's hands ---

// Clicks the tab of page index in tabs.
void ClickTab(QTabWidget* tabs, int index);
// Picks item of list as a user does: Home, then Down once per item; each
// step is a choice of the user's (QComboBox::activated).
void Choose(QComboBox* list, int item);
// The centre of a data cell (row 1 ..) in the grid's viewport coordinates.
QPoint CellCentre(const TesStringGrid& grid, int col, int row);
// Drags the right border of column col in the grid's header by dx pixels.
void DragColumnBorder(TesStringGrid& grid, int col, int dx);

// Answers the next modal dialog: once the application's active modal widget
// is a T, answer runs with it (from inside its modal loop). Returns a flag
// that becomes true when the answer ran. A modal window of another kind is
// closed (and the flag stays false), so that a test never hangs.
template <class T>
std::shared_ptr<bool> AnswerModal(std::function<void(T&)> answer) {
  auto answered = std::make_shared<bool>(false);
  auto* poll = new QTimer(qApp);
  auto since = std::make_shared<QElapsedTimer>();
  since->start();
  QObject::connect(poll, &QTimer::timeout, poll, [poll, answered, answer, since] {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* dialog = qobject_cast<T*>(modal)) {
      poll->stop();
      poll->deleteLater();
      *answered = true;
      answer(*dialog);
    } else if (modal != nullptr || since->elapsed() > 10000) {
      poll->stop();
      poll->deleteLater();
      if (modal != nullptr) modal->close();
    }
  });
  poll->start(5);
  return answered;
}

// --- What the user sees ---

// Every cell of the grid, header included, row by row.
std::vector<QStringList> GridTexts(const TesStringGrid& grid);
// True when text holds only characters a font draws as text: no control
// characters, no unassigned or private-use code points, no U+FFFD.
bool IsPrintable(const QString& text);

// --- The layouts, written out ---

// One .asl record: name (up to 20 bytes) NUL-filled to 24 bytes, then ten
// 32-bit little-endian codes, 0 after the given ones.
std::string AslRecord(const std::string& name, std::initializer_list<std::int32_t> codes);
// poweron.dat for twenty values: each in decimal, each line ended by CR LF.
std::string PowerOnFile(const std::vector<int>& values);

// Instrument address of each power-on option 0..19.
inline const std::vector<int> kPowerOnAddresses = {290, 287, 288, 275, 289, 272, 274,
                                                   273, 285, 286, 329, 284, 276, 277,
                                                   278, 279, 280, 281, 282, 283};
// Factory defaults of options 0..19.
inline const std::vector<int> kPowerOnDefaults = {3, 3, 0, 1, 0, 2, 4, 9, 8, 0,
                                                  0, 2, 1, 1, 0, 0, 0, 0, 3, 4};
// Option names as the grid's column 1 shows them.
extern const QStringList kPowerOnNames;

// A port list of two entries: a built-in port that is never used, then link
// (the virtual KORA-1).
PortLister TwoPorts(const std::string& link);

}  // namespace e2e
