// The "Power On" page: the twenty power-on options with their current values,
// the value editor, and "Set Power On Values", which programs all twenty into
// the instrument.
#pragma once

#include <QWidget>

#include "device/uploadsequence.h"
#include "poweron/tpoweron.h"
#include "ui/pagesetup.h"

class QPushButton;
class QToolBar;
class QToolButton;
class TesStringGrid;
class UploadRunner;
struct Services;

class TPOMain : public QWidget {
  Q_OBJECT

 public:
  // Builds the page, loads setup.dataFilePath (poweron.dat; the factory
  // defaults when it is missing or bad), fills the grid and loads its column
  // layout from setup.settingsFilePath (korapc.ini). services shows the
  // refusals; uploads sends the values. Neither is owned; both must outlive
  // the page.
  TPOMain(PageSetup setup, Services& services, UploadRunner& uploads, QWidget* parent = nullptr);

  // Saves the grid's column layout to korapc.ini, then the values to
  // poweron.dat (the files of the setup), whether or not anything changed.
  ~TPOMain() override;

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
  Services& services_;
  UploadRunner& uploads_;
  UploadResult lastUpload_;
};
