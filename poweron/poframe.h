// The "Power On" page: the twenty power-on options with their current values,
// the value editor, and "Set Power On Values", which programs all twenty into
// the instrument.
#pragma once

#include <QWidget>

#include "device/uploadsequence.h"
#include "poweron/tpoweron.h"
#include "ui/pagesetup.h"

class Clock;
class HistoryStore;
class MessageSink;
class QPushButton;
class QToolBar;
class QToolButton;
class TesStringGrid;

class TPOMain : public QWidget {
  Q_OBJECT

 public:
  // Builds the page, loads setup.dataFilePath (poweron.dat; the factory
  // defaults when it is missing or bad), fills the grid and loads its column
  // layout from setup.settingsFilePath (korapc.ini). sink shows the upload's
  // messages (message boxes when null);
  // clock makes the protocol's waits (real sleeps when null).
  // Neither is owned; both must outlive the page.
  explicit TPOMain(PageSetup setup, QWidget* parent = nullptr, MessageSink* sink = nullptr,
                   Clock* clock = nullptr);

  // Saves the grid's column layout to korapc.ini, then the values to
  // poweron.dat (the files of the setup), whether or not anything changed.
  ~TPOMain() override;

  // Replace the injection points; null goes back to the real message boxes
  // and sleeps. Not owned.
  void SetMessageSink(MessageSink* sink) { sink_ = sink; }
  void SetClock(Clock* clock) { clock_ = clock; }
  // Where uploads are recorded; null (the default) records nothing. Not owned.
  void SetHistory(HistoryStore* history) { history_ = history; }

  // Rebuilds every row of the grid from the current values.
  void FillGrid();
  // Opens "Power On Editor" for the option of the grid's current row.
  void tbEditClick();
  // Opens the editor for the option of a double-clicked data row (1 to 20);
  // any other row does nothing.
  void sgPowerOnDblClick(int row);
  // Programs the twenty values into the instrument. A value outside its
  // option's list is refused with a message before the port is opened.
  void btnSetPowerOnClick();

  // The current value set, owned by the page.
  const TPowerOn& Values() const { return PowerOn; }
  // Replaces the value set with values and redraws the grid; nothing is
  // uploaded. Kept like an edit: saved to poweron.dat when the page closes.
  void SetValues(const TPowerOn& values);
  // How the last "Set Power On Values" ended: completed, and the progress
  // bar's position against its maximum. All zero before the first upload and
  // after one refused before the port was opened.
  const UploadResult& LastUpload() const { return lastUpload_; }

  QToolBar* ToolBar1 = nullptr;
  QToolButton* tbEdit = nullptr;
  TesStringGrid* sgPowerOn = nullptr;
  QWidget* Panel5 = nullptr;
  QPushButton* btnSetPowerOn = nullptr;

 private:
  void EditOption(int option);

  TPowerOn PowerOn;
  PageSetup setup_;
  MessageSink* sink_;
  Clock* clock_;
  HistoryStore* history_ = nullptr;
  UploadResult lastUpload_;
};
