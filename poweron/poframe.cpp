#include "poweron/poframe.h"

#include <QApplication>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtGlobal>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "app/ansitext.h"
#include "app/icons.h"
#include "app/koraglobals.h"
#include "app/qtmessagesink.h"
#include "app/settingsfile.h"
#include "device/uploadrunner.h"
#include "grid/esstringgrid.h"
#include "poweron/poeditorform.h"
#include "poweron/poweronupload.h"

namespace {

// The layout was drawn for 8-point Tahoma; larger desktop fonts scale it.
constexpr double kDesignLineHeight = 13.0;
// The grid's designed size; its default column widths are taken from its width
// before the page is first laid out.
constexpr int kDesignGridWidth = 535;
constexpr int kDesignGridHeight = 420;

}  // namespace

TPOMain::TPOMain(QWidget* parent, MessageSink* sink, Clock* clock)
    : QWidget(parent), sink_(sink), clock_(clock) {
  setObjectName("POMain");
  scale_ = std::max(1.0, QFontMetrics(font()).height() / kDesignLineHeight);

  // 1. The components; the value set starts all 0.
  ToolBar1 = new QToolBar(this);
  ToolBar1->setObjectName("ToolBar1");
  ToolBar1->setMovable(false);
  ToolBar1->setFloatable(false);
  ToolBar1->setIconSize(QSize(Scaled(24), Scaled(24)));
  ToolBar1->setFixedHeight(std::max(Scaled(37), ToolBar1->sizeHint().height()));
  tbEdit = new QToolButton(ToolBar1);
  tbEdit->setObjectName("tbEdit");
  tbEdit->setIcon(LoadKoraIcon(KoraIcon::Edit));
  tbEdit->setAutoRaise(true);
  tbEdit->setFixedSize(Scaled(32), Scaled(32));
  tbEdit->setToolTip("Edit Power On Value");
  ToolBar1->addWidget(tbEdit);

  sgPowerOn = new TesStringGrid(this);
  sgPowerOn->setObjectName("sgPowerOn");
  sgPowerOn->SetColCount(3);
  sgPowerOn->SetDefaultRowHeight(std::max(TesStringGrid::kDefaultRowHeight,
                                          QFontMetrics(font()).height() + 4));
  sgPowerOn->SetColWidths(0, Scaled(51));
  sgPowerOn->SetColWidths(1, Scaled(183));
  sgPowerOn->SetColWidths(2, Scaled(297));
  sgPowerOn->resize(Scaled(kDesignGridWidth), Scaled(kDesignGridHeight));

  Panel5 = new QWidget(this);
  Panel5->setObjectName("Panel5");
  btnSetPowerOn = new QPushButton("Set Power On Values", Panel5);
  btnSetPowerOn->setObjectName("btnSetPowerOn");
  btnSetPowerOn->setIcon(LoadKoraIcon(KoraIcon::Upload));
  btnSetPowerOn->setFixedSize(std::max(Scaled(140), btnSetPowerOn->sizeHint().width()),
                              std::max(Scaled(25), btnSetPowerOn->sizeHint().height()));
  auto* panelLayout = new QHBoxLayout(Panel5);
  panelLayout->setContentsMargins(Scaled(4), Scaled(4), Scaled(4), Scaled(4));
  panelLayout->addStretch(1);
  panelLayout->addWidget(btnSetPowerOn);
  Panel5->setFixedHeight(std::max(Scaled(33), btnSetPowerOn->height() + Scaled(8)));

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(ToolBar1);
  layout->addWidget(sgPowerOn, 1);
  layout->addWidget(Panel5);

  // 2. The header.
  sgPowerOn->SetCells(0, 0, "No.");
  sgPowerOn->SetCells(1, 0, "Power On Option");
  sgPowerOn->SetCells(2, 0, "Power On Value");
  // 3. The values.
  PowerOn = LoadPowerOnAtStart(GetPowerOnFilePath());
  // 4. and 5. One data row per option, in option order.
  sgPowerOn->clearDispLst();
  for (int option = 0; option < PowerOnOptionCount; ++option) sgPowerOn->addDispLst(option);
  FillGrid();
  // 6. The column layout.
  {
    const SettingsFile ini(GetSettingsFilePath());
    sgPowerOn->loadGridSettings(ini);
    // Before the user has set a width, a share of the grid's width would cut
    // the longer option names short, so such a column is widened to its
    // texts. A width the user chose is kept as it is.
    for (int col = 0; col < sgPowerOn->ColCount() - 1; ++col) {
      const std::string key = "COL_" + std::to_string(col) + "_WIDTH";
      if (ini.ReadInteger(sgPowerOn->objectName().toStdString(), key, -1) >= 0) continue;
      sgPowerOn->SetColWidths(col, std::max(sgPowerOn->ColWidths(col), ContentWidth(col)));
    }
  }
  // 7. Row 1 selected, no sort indicator whatever the settings held.
  sgPowerOn->setSelLstSize();
  sgPowerOn->selectRow(sgPowerOn->Row());
  sgPowerOn->setSortCol(-1);

  connect(tbEdit, &QToolButton::clicked, this, &TPOMain::tbEditClick);
  connect(sgPowerOn, &TesStringGrid::DblClick, this, &TPOMain::sgPowerOnDblClick);
  connect(btnSetPowerOn, &QPushButton::clicked, this, &TPOMain::btnSetPowerOnClick);
}

TPOMain::~TPOMain() {
  {
    SettingsFile ini(GetSettingsFilePath());
    sgPowerOn->saveGridSettings(ini);
  }
  const std::string path = GetPowerOnFilePath();
  // The program is closing and no window may block that; the old file is
  // still whole, so the failure is only logged.
  if (PowerOn.SaveFile(path) != 0) {
    qWarning("KORApc: could not write %s: %s", path.c_str(), std::strerror(errno));
  }
}

int TPOMain::ContentWidth(int col) const {
  const QFontMetrics metrics = sgPowerOn->fontMetrics();
  int widest = 0;
  for (int row = 0; row < sgPowerOn->RowCount(); ++row) {
    widest = std::max(widest, metrics.horizontalAdvance(sgPowerOn->Cells(col, row)));
  }
  // The grid indents its text by 3 pixels on either side and draws a 1-pixel line.
  return widest + 3 + 3 + 1 + Scaled(4);
}

int TPOMain::Scaled(int designPixels) const {
  return static_cast<int>(designPixels * scale_ + 0.5);
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
  // A value the instrument's own list does not have would be stored as a
  // meaningless index, so it is refused before the port is even opened.
  const int invalid = FirstInvalidPowerOnOption(PowerOn);
  if (invalid >= 0) {
    sgPowerOn->SetRow(invalid + 1);
    sgPowerOn->deselectAll();
    sgPowerOn->selectRow(invalid + 1);
    lastUpload_ = {};
    QtMessageSink boxes(window());
    MessageSink& sink = sink_ != nullptr ? *sink_ : boxes;
    sink.ShowMessage(InvalidPowerOnValueMessage(PowerOn, invalid), kPowerOnNoticeCaption,
                     MessageIcon::Exclamation);
    return;
  }
  const TPowerOn values = PowerOn;
  UploadPlan plan;
  plan.progressText = kPowerOnProgressText;
  plan.progressMaximum = kPowerOnProgressMaximum;
  plan.noticeCaption = kPowerOnNoticeCaption;
  // Runs on the upload's worker thread, so it works on its own copy.
  plan.writeData = [values](TKORAComm& link, ProgressSink& progress) {
    return WritePowerOnValues(values, link, progress);
  };
  UploadRunner runner(this, sink_, clock_);
  lastUpload_ = runner.Run(plan);
}
