#include "poweron/poframe.h"

#include <QApplication>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>
#include <QtGlobal>
#include <cerrno>
#include <cstring>

#include "common/settingsfile.h"
#include "grid/esstringgrid.h"
#include "grid/gridlayoutfile.h"
#include "poweron/poeditorform.h"
#include "poweron/poweronupload.h"
#include "services/services.h"
#include "ui/ansitext.h"
#include "ui/icons.h"
#include "ui/pageparts.h"
#include "ui/upload/uploadrunner.h"

TPOMain::TPOMain(PageSetup setup, Services& services, UploadRunner& uploads, QWidget* parent)
    : QWidget(parent), setup_(std::move(setup)), services_(services), uploads_(uploads) {
  setObjectName("POMain");

  // The components; the value set starts all 0.
  const PageParts parts(this);
  ToolBar1 = parts.ToolBar("ToolBar1");
  tbEdit = parts.AddToolButton(ToolBar1, "tbEdit", KoraIcon::Edit, "Edit Power On Value");
  sgPowerOn = new TesStringGrid(this);
  sgPowerOn->setObjectName("sgPowerOn");
  parts.ShapeGrid(sgPowerOn, {51, 183, 297});
  Panel5 = parts.ButtonPanel("Panel5", "btnSetPowerOn", "Set Power On Values", btnSetPowerOn);
  parts.Stack(ToolBar1, sgPowerOn, Panel5);

  // The header.
  sgPowerOn->SetCells(0, 0, "No.");
  sgPowerOn->SetCells(1, 0, "Power On Option");
  sgPowerOn->SetCells(2, 0, "Power On Value");
  // The values.
  PowerOn = LoadPowerOnAtStart(setup_.dataFilePath);
  // One data row per option, in option order.
  sgPowerOn->clearDispLst();
  for (int option = 0; option < PowerOnOptionCount; ++option) sgPowerOn->addDispLst(option);
  FillGrid();
  // The column layout.
  {
    // On the first start a share of the grid's width would cut the longer
    // option names short, so the columns are widened to their texts. Once
    // the grid has a section of its own, its widths are the user's.
    sgPowerOn->setWidenDefaultsToTexts(true);
    const SettingsFile ini(setup_.settingsFilePath);
    LoadGridLayout(*sgPowerOn, ini);
  }
  // Row 1 selected, no sort indicator whatever the settings held.
  sgPowerOn->setSelLstSize();
  sgPowerOn->selectRow(sgPowerOn->Row());
  sgPowerOn->setSortCol(-1);

  connect(tbEdit, &QToolButton::clicked, this, &TPOMain::tbEditClick);
  connect(sgPowerOn, &TesStringGrid::DblClick, this, &TPOMain::sgPowerOnDblClick);
  connect(btnSetPowerOn, &QPushButton::clicked, this, &TPOMain::btnSetPowerOnClick);
}

TPOMain::~TPOMain() {
  {
    SettingsFile ini(setup_.settingsFilePath);
    SaveGridLayout(*sgPowerOn, ini);
  }
  const std::string& path = setup_.dataFilePath;
  // The program is closing and no window may block that; the old file is
  // still whole, so the failure is only logged.
  if (PowerOn.SaveFile(path) != 0) {
    qWarning("KORApc: could not write %s: %s", path.c_str(), std::strerror(errno));
  }
}

void TPOMain::SetValues(const TPowerOn& values) {
  PowerOn = values;
  FillGrid();
}

void TPOMain::FillGrid() {
  sgPowerOn->setUpdatesEnabled(false);
  sgPowerOn->SetRowCount(sgPowerOn->getDispLstSize() + 1);
  for (int row = 1; row < sgPowerOn->RowCount(); ++row) {
    const int option = sgPowerOn->getDispLst(row - 1);
    sgPowerOn->SetCells(0, row, QString::number(row));
    sgPowerOn->SetCells(1, row, AnsiToQString(PowerOnOptionName(option)));
    sgPowerOn->SetCells(2, row, AnsiToQString(PowerOnValueCellText(PowerOn, option)));
  }
  sgPowerOn->setUpdatesEnabled(true);
  sgPowerOn->viewport()->update();
}

void TPOMain::EditOption(int option) {
  if (option < 0 || option >= PowerOnOptionCount) return;
  {
    TPOEditor editor(PowerOn, option, this);
    editor.exec();
  }
  FillGrid();
}

void TPOMain::tbEditClick() { EditOption(sgPowerOn->Row() - 1); }

void TPOMain::sgPowerOnDblClick(int row) {
  if (row < 1 || row >= sgPowerOn->RowCount()) return;
  EditOption(sgPowerOn->getDispLst(row - 1));
}

void TPOMain::btnSetPowerOnClick() {
  lastUpload_ = {};
  const auto pointAt = [this](int option) {
    sgPowerOn->SetRow(option + 1);
    sgPowerOn->deselectAll();
    sgPowerOn->selectRow(option + 1);
  };
  RefuseOrRunPowerOnUpload(PowerOn, setup_.dataFilePath, services_.messages, pointAt,
                           [this](const UploadPlan& plan) { lastUpload_ = uploads_.Run(plan); });
}
