// The "Auto Selections" page: the ten auto selections by number and name,
// .asl files opened and saved from its tool bar, the editor on Edit or a
// double-click, and "Set Auto Selections", which programs them into the
// instrument's memory at 512..911.
#pragma once

#include <QWidget>

#include "autoselect/tautoselect.h"
#include "device/uploadsequence.h"
#include "ui/pagesetup.h"

class QPushButton;
class QToolBar;
class QToolButton;
class TesStringGrid;
class UploadRunner;
struct Services;

class TAutoSelectMain : public QWidget {
  Q_OBJECT

 public:
  // Builds the page, loads setup.dataFilePath (autoselect.asl; ten empty
  // entries when there is none; as many entries as it holds complete records
  // otherwise), fills the grid and loads its column layout from
  // setup.settingsFilePath (korapc.ini). services gives the messages and
  // the open and save dialogs, to the editor too; uploads sends the list.
  // Neither is owned; both must outlive the page.
  TAutoSelectMain(PageSetup setup, Services& services, UploadRunner& uploads,
                  QWidget* parent = nullptr);

  // Saves the grid's column layout to korapc.ini, then the list to
  // autoselect.asl (the files of the setup), whether or not anything
  // changed; a failure is not shown.
  ~TAutoSelectMain() override;

  // Rebuilds the grid from the display list: one row per entry (number and
  // name), or one blank row when the list is empty.
  void RefreshGrid();

  // Asks for an .asl file and, when all ten records could be read, shows them
  // instead of the current list. A cancelled dialog or a failed read (its
  // message shown) changes nothing.
  void tbOpenClick();
  // Asks for a file name and writes the list there (the message shown when
  // it cannot be written). The list and the grid are not touched.
  void tbSaveClick();
  // Opens "Auto Editor" for the entry of the grid's current row; nothing with
  // an empty list.
  void tbEditClick();
  // Opens the editor for a double-clicked data row (1 .. number of entries);
  // any other row does nothing.
  void sgAutoSelectDblClick(int row);
  // Programs every entry into the instrument. An entry with a key code
  // outside 1..511 is refused with a message before the port is opened.
  void btnSetAutoClick();

  // The current auto selections, owned by the page.
  const AutoSelectList& AutoSelections() const { return AutoSelects; }
  // Replaces the list with list and redraws the grid, as an Open does;
  // nothing is uploaded. Saved to autoselect.asl when the page closes.
  void SetAutoSelections(const AutoSelectList& list);
  // How the last "Set Auto Selections" ended: completed, and the progress
  // bar's position against its maximum. All zero before the first upload and
  // after one refused before the port was opened.
  const UploadResult& LastUpload() const { return lastUpload_; }

  QToolBar* ToolBar2 = nullptr;
  QToolButton* tbOpen = nullptr;
  QToolButton* tbSave = nullptr;
  QWidget* ToolButton3 = nullptr;  // the separator between Save and Edit
  QToolButton* tbEdit = nullptr;
  TesStringGrid* sgAutoSelect = nullptr;
  QWidget* Panel6 = nullptr;
  QPushButton* btnSetAuto = nullptr;

 private:
  void LoadDefaultFile();
  void SaveDefaultFile();
  void LoadGridLayout();
  void SaveGridLayout();
  // Rebuilds the display list as 0 .. N - 1 and sizes the selection list to it.
  void FillDispLst();
  // Opens the editor for auto selection row (1..N), then redraws the grid.
  void EditEntry(int row);

  AutoSelectList AutoSelects;
  PageSetup setup_;
  Services& services_;
  UploadRunner& uploads_;
  UploadResult lastUpload_;
};
