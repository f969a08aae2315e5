#include "app/korapc.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/koraglobals.h"
#include "common/settingsfile.h"
#include "ui/uifont.h"
#include "autoselect/autoselectframe.h"
#include "poweron/poframe.h"

namespace {

constexpr const char* kSection = "KORAPCForm";
constexpr int kDefaultWidth = 540;
constexpr int kDefaultHeight = 600;

QWidget* FillPage(QWidget* page, QWidget* content) {
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(content);
  return content;
}

// A page's files in the data folder; every upload takes the port chosen then.
PageSetup PageFiles(std::string dataFilePath) {
  return {GetSettingsFilePath(), std::move(dataFilePath), &CurrentLinkSettings};
}

}  // namespace

TKORAPCForm::TKORAPCForm(QWidget* parent, PortLister lister) : QWidget(parent) {
  setObjectName("KORAPCForm");
  setFont(KoraUiFont());
  scale_ = KoraUiScale(font());

  PageControl = new QTabWidget(this);
  PageControl->setObjectName("PageControl");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(PageControl);

  TabSheet3 = new QWidget(PageControl);
  TabSheet3->setObjectName("TabSheet3");
  // The page loads poweron.dat and its grid layout as it is built.
  POMain1 = new TPOMain(PageFiles(GetPowerOnFilePath()), TabSheet3);
  FillPage(TabSheet3, POMain1);
  TabSheet1 = new QWidget(PageControl);
  TabSheet1->setObjectName("TabSheet1");
  // The page loads autoselect.asl and its grid layout as it is built.
  AutoSelectMain1 = new TAutoSelectMain(PageFiles(GetAutoSelectFilePath()), TabSheet1);
  FillPage(TabSheet1, AutoSelectMain1);
  TabSheet2 = new QWidget(PageControl);
  TabSheet2->setObjectName("TabSheet2");
  PageControl->addTab(TabSheet3, "Power On");
  PageControl->addTab(TabSheet1, "Auto Selections");
  PageControl->addTab(TabSheet2, "Settings");
  BuildSettingsPage();

  const std::string saved =
      SettingsFile(GetSettingsFilePath()).ReadString(kSection, "COMPORT", "COM1");
  BuildPortList(lister, QString::fromLocal8Bit(saved.c_str()));

  // The program's title, as the desktop shows it, and the window's caption.
  const QString title = QString("%1 %2").arg(kora::kVendorName, kora::kProductName);
  QGuiApplication::setApplicationDisplayName(title);
  setWindowTitle(title);
  LoadWindowSettings();
  cbComPortChange();
  ServiceCode = kora::kServiceCodeText;

  connect(cbComPort, &QComboBox::currentIndexChanged, this, [this] { cbComPortChange(); });
}

TKORAPCForm::~TKORAPCForm() { SaveWindowSettings(); }

int TKORAPCForm::Scaled(int designPixels) const {
  return static_cast<int>(designPixels * scale_ + 0.5);
}

void TKORAPCForm::BuildSettingsPage() {
  Label3 = new QLabel("Communications", TabSheet2);
  Label3->setObjectName("Label3");
  QFont bold = Label3->font();
  bold.setBold(true);
  Label3->setFont(bold);
  Label3->setGeometry(Scaled(8), Scaled(12), Scaled(129), Scaled(21));

  Label2 = new QLabel("Serial COM Port:", TabSheet2);
  Label2->setObjectName("Label2");
  Label2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  Label2->setGeometry(Scaled(24), Scaled(52), Scaled(129), Scaled(21));

  cbComPort = new QComboBox(TabSheet2);
  cbComPort->setObjectName("cbComPort");
  cbComPort->setEditable(false);
  cbComPort->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  cbComPort->setGeometry(Scaled(160), Scaled(52), Scaled(161),
                         std::max(Scaled(21), cbComPort->sizeHint().height()));

  Bevel1 = new QFrame(TabSheet2);
  Bevel1->setObjectName("Bevel1");
  Bevel1->setFrameShape(QFrame::HLine);
  Bevel1->setFrameShadow(QFrame::Sunken);
  Bevel1->setGeometry(Scaled(8), Scaled(100), Scaled(519), 3);
  TabSheet2->installEventFilter(this);
}

bool TKORAPCForm::eventFilter(QObject* watched, QEvent* event) {
  // The rule stretches with the page, keeping its left and right margins.
  if (watched == TabSheet2 && event->type() == QEvent::Resize) {
    Bevel1->setGeometry(Scaled(8), Scaled(100), std::max(0, TabSheet2->width() - 2 * Scaled(8)), 3);
  }
  return QWidget::eventFilter(watched, event);
}

void TKORAPCForm::BuildPortList(const PortLister& lister, const QString& savedPort) {
  cbComPort->clear();
  const std::vector<PortEntry> ports =
      PortList::WithSavedPort(lister ? lister() : PortList::PresentPorts(), savedPort);
  for (const PortEntry& port : ports) {
    cbComPort->addItem(port.name);
    if (!port.description.isEmpty()) {
      cbComPort->setItemData(cbComPort->count() - 1, port.description, Qt::ToolTipRole);
    }
  }
}

void TKORAPCForm::cbComPortChange() {
  if (cbComPort->currentIndex() < 0) return;
  ChosenComPort = cbComPort->currentText().toLocal8Bit().toStdString();
}

void TKORAPCForm::LoadWindowSettings() {
  const SettingsFile ini(GetSettingsFilePath());
  const int top = ini.ReadInteger(kSection, "TOP", -1);
  const int left = ini.ReadInteger(kSection, "LEFT", -1);
  const int height = ini.ReadInteger(kSection, "HEIGHT", -1);
  const int width = ini.ReadInteger(kSection, "WIDTH", -1);

  if (height == -1 || width == -1) {
    resize(kDefaultWidth, kDefaultHeight);
  } else {
    resize(width, height);
  }
  if (top == -1 || left == -1) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    move(area.center() - QPoint(this->width() / 2, this->height() / 2));
  } else {
    move(left, top);
  }
  if (ini.ReadInteger(kSection, "WINDOWSTATE", 0) == 2) setWindowState(Qt::WindowMaximized);

  // The saved name must match byte for byte; otherwise the first entry.
  const QString comPort = QString::fromLocal8Bit(ini.ReadString(kSection, "COMPORT", "COM1").c_str());
  const QSignalBlocker quiet(cbComPort);  // choosing here does not publish by itself
  cbComPort->setCurrentIndex(-1);
  for (int i = 0; i < cbComPort->count(); ++i) {
    if (cbComPort->itemText(i) == comPort) cbComPort->setCurrentIndex(i);
  }
  if (cbComPort->currentIndex() < 0 && cbComPort->count() > 0) cbComPort->setCurrentIndex(0);

  PageControl->setCurrentIndex(ini.ReadInteger(kSection, "ACTIVEPAGE", 0));
}

void TKORAPCForm::SaveWindowSettings() {
  SettingsFile ini(GetSettingsFilePath());
  ini.WriteInteger(kSection, "TOP", y());
  ini.WriteInteger(kSection, "LEFT", x());
  ini.WriteInteger(kSection, "HEIGHT", height());
  ini.WriteInteger(kSection, "WIDTH", width());
  int state = 0;
  if (windowState() & Qt::WindowMinimized) {
    state = 1;
  } else if (windowState() & Qt::WindowMaximized) {
    state = 2;
  }
  ini.WriteInteger(kSection, "WINDOWSTATE", state);
  ini.WriteString(kSection, "COMPORT",
                  cbComPort->currentIndex() < 0 ? std::string()
                                                : cbComPort->currentText().toLocal8Bit().toStdString());
  ini.WriteInteger(kSection, "ACTIVEPAGE", PageControl->currentIndex());
}
