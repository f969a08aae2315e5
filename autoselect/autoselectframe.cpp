#include "autoselect/autoselectframe.h"

#include <QPushButton>
#include <QToolBar>
#include <QToolButton>
#include <QtGlobal>

#include "autoselect/autoselecteditorform.h"
#include "autoselect/autoselectfile.h"
#include "autoselect/autoselectupload.h"
#include "common/filepicker.h"
#include "common/settingsfile.h"
#include "grid/esstringgrid.h"
#include "grid/gridlayoutfile.h"
#include "services/services.h"
#include "ui/ansitext.h"
#include "ui/icons.h"
#include "ui/pageparts.h"
#include "ui/upload/uploadrunner.h"

namespace {

const FileDialogOptions kAslDialog{"Auto Selection Files (*.asl);;All Files (*)", "asl"};

}  // namespace

TAutoSelectMain::TAutoSelectMain(PageSetup setup, Services& services, UploadRunner& uploads,
                                 QWidget* parent)
    : QWidget(parent), setup_(std::move(setup)), services_(services), uploads_(uploads) {
  setObjectName("AutoSelectMain");

  // The components; the list starts empty.
  const PageParts parts(this);
  ToolBar2 = parts.ToolBar("ToolBar2");
  tbOpen = parts.AddToolButton(ToolBar2, "tbOpen", KoraIcon::Open, "Open Auto Selection File");
  tbSave = parts.AddToolButton(ToolBar2, "tbSave", KoraIcon::Save, "Save Auto Selections");
  ToolButton3 = parts.AddSeparator(ToolBar2, "ToolButton3", 8);
  tbEdit = parts.AddToolButton(ToolBar2, "tbEdit", KoraIcon::Edit, "Edit Auto Selection");
  sgAutoSelect = new TesStringGrid(this);
  sgAutoSelect->setObjectName("sgAutoSelect");
  parts.ShapeGrid(sgAutoSelect, {53, 450});
  Panel6 = parts.ButtonPanel("Panel6", "btnSetAuto", "Set Auto Selections", btnSetAuto);
  parts.Stack(ToolBar2, sgAutoSelect, Panel6);

  // The header.
  sgAutoSelect->SetCells(0, 0, "No.");
  sgAutoSelect->SetCells(1, 0, "Auto Name");
  // The list, one row per entry.
  LoadDefaultFile();
  FillDispLst();
  RefreshGrid();
  // The column layout.
  LoadGridLayout();
  // Row 1 selected, no sort indicator whatever the settings held.
  sgAutoSelect->setSelLstSize();
  sgAutoSelect->selectRow(sgAutoSelect->Row());
  sgAutoSelect->setSortCol(-1);

  connect(tbOpen, &QToolButton::clicked, this, &TAutoSelectMain::tbOpenClick);
  connect(tbSave, &QToolButton::clicked, this, &TAutoSelectMain::tbSaveClick);
  connect(tbEdit, &QToolButton::clicked, this, &TAutoSelectMain::tbEditClick);
  connect(sgAutoSelect, &TesStringGrid::DblClick, this, &TAutoSelectMain::sgAutoSelectDblClick);
  connect(btnSetAuto, &QPushButton::clicked, this, &TAutoSelectMain::btnSetAutoClick);
}

TAutoSelectMain::~TAutoSelectMain() {
  SaveGridLayout();
  SaveDefaultFile();
}

void TAutoSelectMain::LoadDefaultFile() {
  LoadDefaultAutoSelectFile(setup_.dataFilePath, AutoSelects);
}

void TAutoSelectMain::SaveDefaultFile() {
  const std::string& path = setup_.dataFilePath;
  // The program is closing and no window may block that; the old file is
  // still whole, so the failure is only logged.
  if (SaveDefaultAutoSelectFile(path, AutoSelects) != 0) {
    qWarning("KORApc: could not write %s", path.c_str());
  }
}

void TAutoSelectMain::LoadGridLayout() {
  const SettingsFile ini(setup_.settingsFilePath);
  ::LoadGridLayout(*sgAutoSelect, ini);
}

void TAutoSelectMain::SaveGridLayout() {
  SettingsFile ini(setup_.settingsFilePath);
  ::SaveGridLayout(*sgAutoSelect, ini);
}

void TAutoSelectMain::SetAutoSelections(const AutoSelectList& list) {
  AutoSelects = list;
  FillDispLst();
  RefreshGrid();
}

void TAutoSelectMain::FillDispLst() {
  sgAutoSelect->clearDispLst();
  for (int i = 0; i < static_cast<int>(AutoSelects.size()); ++i) sgAutoSelect->addDispLst(i);
  // After an Open a three-entry list becomes ten; the new rows must be
  // selectable too.
  sgAutoSelect->setSelLstSize();
}

void TAutoSelectMain::RefreshGrid() {
  sgAutoSelect->setUpdatesEnabled(false);
  const int count = sgAutoSelect->getDispLstSize();
  if (count > 0) {
    sgAutoSelect->SetRowCount(count + 1);
  } else {
    sgAutoSelect->SetRowCount(2);
    sgAutoSelect->SetCells(0, 1, QString());
    sgAutoSelect->SetCells(1, 1, QString());
  }
  for (int position = 0; position < count; ++position) {
    const int entry = sgAutoSelect->getDispLst(position);
    sgAutoSelect->SetCells(0, position + 1, QString::number(entry + 1));
    // A name from a file may hold control bytes; they show as a placeholder
    // and stay in the entry as they are.
    sgAutoSelect->SetCells(1, position + 1,
                           AnsiToShownText(AutoSelects[static_cast<std::size_t>(entry)].GetName()));
  }
  sgAutoSelect->setUpdatesEnabled(true);
  sgAutoSelect->viewport()->update();
}

void TAutoSelectMain::EditEntry(int row) {
  // An empty list still shows one blank row, which stands for no entry.
  if (row < 1 || row > static_cast<int>(AutoSelects.size())) return;
  {
    TAutoSelectEditor editor(this, AutoSelects[static_cast<std::size_t>(row - 1)], row, services_);
    editor.exec();
  }
  RefreshGrid();
}

void TAutoSelectMain::tbEditClick() { EditEntry(sgAutoSelect->Row()); }

void TAutoSelectMain::sgAutoSelectDblClick(int row) {
  if (row < 1 || row >= sgAutoSelect->RowCount()) return;
  EditEntry(row);
}

void TAutoSelectMain::tbOpenClick() {
  const std::optional<std::string> path = services_.files.PickOpenFile(kAslDialog);
  if (!path) return;
  if (OpenAutoSelectFile(*path, AutoSelects, services_.messages) != 0) return;
  FillDispLst();
  RefreshGrid();
}

void TAutoSelectMain::tbSaveClick() {
  const std::optional<std::string> path = services_.files.PickSaveFile(kAslDialog);
  if (!path) return;
  // A failure has been shown to the user, and the list stays as it is.
  static_cast<void>(SaveAutoSelectFile(*path, AutoSelects, services_.messages));
}

void TAutoSelectMain::btnSetAutoClick() {
  lastUpload_ = {};
  const auto pointAt = [this](int entry) {
    sgAutoSelect->SetRow(entry + 1);
    sgAutoSelect->deselectAll();
    sgAutoSelect->selectRow(entry + 1);
  };
  RefuseOrRunAutoSelectUpload(AutoSelects, setup_.dataFilePath, services_.messages, pointAt,
                              [this](const UploadPlan& plan) { lastUpload_ = uploads_.Run(plan); });
}
