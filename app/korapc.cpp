#include "app/korapc.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <future>

#include "autoselect/autoselectframe.h"
#include "common/settingsfile.h"
#include "historyview/historypage.h"
#include "machine/koraglobals.h"
#include "poweron/poframe.h"
#include "ui/uifont.h"
#include "ui/upload/koraprogressform.h"

namespace {

constexpr const char* kSection = "KORAPCForm";
// Beside each port entry's text: Qt::UserRole holds whether it is missing.
constexpr int kSerialNumberRole = Qt::UserRole + 1;
constexpr int kStableNameRole = Qt::UserRole + 2;
constexpr int kDefaultWidth = 540;
constexpr int kDefaultHeight = 600;

QWidget* FillPage(QWidget* page, QWidget* content) {
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(content);
  return content;
}

// An upload's progress window exists from just after the port is opened until
// the upload is over.
TKORAProgress* RunningUpload() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (auto* progress = qobject_cast<TKORAProgress*>(w)) return progress;
  }
  return nullptr;
}

// A page's files in the data folder.
PageSetup PageFiles(std::string dataFilePath) {
  return {GetSettingsFilePath(), std::move(dataFilePath)};
}

}  // namespace

TKORAPCForm::TKORAPCForm(QWidget* parent, PortLister lister, std::unique_ptr<PortWatcher> watcher)
    : TKORAPCForm(std::make_unique<WindowServices>(this), parent, std::move(lister),
                  std::move(watcher)) {}

TKORAPCForm::TKORAPCForm(std::unique_ptr<WindowServices> own, QWidget* parent, PortLister lister,
                         std::unique_ptr<PortWatcher> watcher)
    : TKORAPCForm(own->Get(), parent, std::move(lister), std::move(watcher)) {
  // The services stay where the pages and the runner were given them.
  ownServices_ = std::move(own);
}

TKORAPCForm::TKORAPCForm(Services& services, QWidget* parent, PortLister lister,
                         std::unique_ptr<PortWatcher> watcher)
    : QWidget(parent),
      services_(services),
      uploads_(*this, services_, &CurrentLinkSettings),
      lister_(std::move(lister)),
      watcher_(std::move(watcher)) {
  // Listing the ports walks every tty the system has (about 12 ms); it runs
  // beside the building of the pages instead of before the first paint.
  std::future<std::vector<PortEntry>> firstScan;
  if (!lister_) {
    firstScan = std::async(std::launch::async, &PortList::PresentPorts);
    lister_ = &PortList::PresentPorts;
    if (!watcher_) watcher_ = std::make_unique<PortWatcher>(PortWatcher::ForThisMachine());
  }

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
  POMain1 = new TPOMain(PageFiles(GetPowerOnFilePath()), services_, uploads_, TabSheet3);
  FillPage(TabSheet3, POMain1);
  TabSheet1 = new QWidget(PageControl);
  TabSheet1->setObjectName("TabSheet1");
  // The page loads autoselect.asl and its grid layout as it is built.
  AutoSelectMain1 =
      new TAutoSelectMain(PageFiles(GetAutoSelectFilePath()), services_, uploads_, TabSheet1);
  FillPage(TabSheet1, AutoSelectMain1);
  TabSheet2 = new QWidget(PageControl);
  TabSheet2->setObjectName("TabSheet2");
  PageControl->addTab(TabSheet3, "Power On");
  PageControl->addTab(TabSheet1, "Auto Selections");
  PageControl->addTab(TabSheet2, "Settings");
  BuildSettingsPage();
  // The record of every upload; what it restores goes into the two pages.
  TabSheet4 = new QWidget(PageControl);
  TabSheet4->setObjectName("TabSheet4");
  HistoryPage1 = new THistoryPage(services_, question_, *POMain1, *AutoSelectMain1, TabSheet4);
  FillPage(TabSheet4, HistoryPage1);
  PageControl->addTab(TabSheet4, "History");
  connect(HistoryPage1, &THistoryPage::Restored, this,
          [this](QWidget* page) { PageControl->setCurrentWidget(page->parentWidget()); });

  const std::string saved =
      SettingsFile(GetSettingsFilePath()).ReadString(kSection, "COMPORT", "COM1");
  savedPort_ = QString::fromLocal8Bit(saved.c_str());
  if (!firstScan.valid()) FillPortList(PortList::WithSavedPort(lister_(), savedPort_));

  // The caption. The desktop knows the program by its desktop file
  // (SetProgramIdentity), not by an application display name, which Qt would
  // append to the title of every dialog and message box.
  setWindowTitle(QString("%1 %2").arg(kora::kVendorName, kora::kProductName));
  LoadWindowSettings();
  firstScan_ = std::move(firstScan);
  // The list is waited for only where the first paint shows it; otherwise
  // right after that paint (paintEvent), and it is published then.
  if (PageControl->currentWidget() == TabSheet2) JoinFirstScan();
  if (!firstScan_.valid()) cbComPortChange();
  ServiceCode = kora::kServiceCodeText;

  connect(cbComPort, &QComboBox::currentIndexChanged, this, [this] {
    cbComPortChange();
    DropMissingPorts();
  });
  if (watcher_)
    connect(watcher_.get(), &PortWatcher::PortsChanged, this, &TKORAPCForm::RefreshPortList);
}

TKORAPCForm::~TKORAPCForm() {
  // Never painted: the port chosen is still to be saved.
  if (firstScan_.valid()) {
    JoinFirstScan();
    cbComPortChange();
  }
  SaveWindowSettings();
  delete PageControl;  // the pages, while the services and the runner they hold still live
}

void TKORAPCForm::paintEvent(QPaintEvent* event) {
  QWidget::paintEvent(event);
  // The programming record opens right after the first paint, so that a box
  // saying it cannot be kept stands over the window; whatever asks for it
  // earlier opens it then.
  if (ownServices_ && !historyOpenPosted_) {
    historyOpenPosted_ = true;
    QTimer::singleShot(0, this, [this] { ownServices_->OpenHistory(); });
  }
  if (firstScan_.valid() && !joinPosted_) {
    joinPosted_ = true;
    QTimer::singleShot(0, this, [this] {
      if (!firstScan_.valid()) return;
      JoinFirstScan();
      cbComPortChange();
    });
  }
}

void TKORAPCForm::JoinFirstScan() {
  if (!firstScan_.valid()) return;
  const QSignalBlocker quiet(cbComPort);  // published by the caller, as at start
  FillPortList(PortList::WithSavedPort(firstScan_.get(), savedPort_));
  SelectSavedPort();
}

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

void TKORAPCForm::FillPortList(const std::vector<PortEntry>& ports) {
  cbComPort->clear();
  for (const PortEntry& port : ports) {
    cbComPort->addItem(port.name, port.missing);
    const int item = cbComPort->count() - 1;
    cbComPort->setItemData(item, port.serialNumber, kSerialNumberRole);
    cbComPort->setItemData(item, port.stableName, kStableNameRole);
    const QString tip = PortList::ToolTip(port);
    if (!tip.isEmpty()) cbComPort->setItemData(item, tip, Qt::ToolTipRole);
  }
  FitPortListWidth();
}

PortEntry TKORAPCForm::PortAt(int index) const {
  if (index < 0 || index >= cbComPort->count()) return {};
  return {cbComPort->itemText(index), QString(), cbComPort->itemData(index).toBool(),
          cbComPort->itemData(index, kSerialNumberRole).toString(),
          cbComPort->itemData(index, kStableNameRole).toString()};
}

void TKORAPCForm::FitPortListWidth() {
  // Device paths are longer than the COM names the layout was drawn for (the
  // virtual KORA-1's is /run/user/1000/ttyKORA1): the list grows until its
  // longest entry shows whole, at most to the rule's right end.
  int widest = 0;
  for (int i = 0; i < cbComPort->count(); ++i) {
    widest = std::max(widest, cbComPort->fontMetrics().horizontalAdvance(cbComPort->itemText(i)));
  }
  QStyleOptionComboBox option;
  option.initFrom(cbComPort);
  option.rect = QRect(0, 0, Scaled(161), cbComPort->height());
  const int field =
      cbComPort->style()
          ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, cbComPort)
          .width();
  const int width = std::clamp(widest + Scaled(161) - field, Scaled(161), Scaled(8 + 519 - 160));
  cbComPort->resize(width, cbComPort->height());
}

HistoryStore& TKORAPCForm::History() { return services_.history; }

void TKORAPCForm::RefreshPortList() {
  if (firstScan_.valid()) {
    // The first list comes first, and is published as at start.
    JoinFirstScan();
    cbComPortChange();
  }
  if (TKORAProgress* upload = RunningUpload()) {
    // The upload's worker owns the port; scanning now would stall the
    // progress window. Once, however many changes come meanwhile.
    if (!refreshWaitsForUpload_) {
      refreshWaitsForUpload_ = true;
      connect(upload, &QObject::destroyed, this, [this] {
        refreshWaitsForUpload_ = false;
        QTimer::singleShot(0, this, &TKORAPCForm::RefreshPortList);
      });
    }
    return;
  }
  const PortEntry chosen = PortAt(cbComPort->currentIndex());
  const std::vector<PortEntry> ports = PortList::Refreshed(lister_(), savedPort_, chosen);

  bool same = static_cast<int>(ports.size()) == cbComPort->count();
  for (int i = 0; same && i < cbComPort->count(); ++i) {
    const PortEntry shown = PortAt(i);
    const PortEntry& now = ports[static_cast<std::size_t>(i)];
    same = shown.name == now.name && shown.missing == now.missing &&
           shown.stableName == now.stableName && shown.serialNumber == now.serialNumber;
  }
  if (same) return;  // a popup the user has open stays as it is

  {
    const QSignalBlocker quiet(cbComPort);  // the choice itself does not change
    FillPortList(ports);
    // The chosen adapter by its stable name where it has one: after a replug
    // it may be another ttyUSB number, and its old number another adapter.
    cbComPort->setCurrentIndex(-1);
    for (int i = 0; !chosen.name.isEmpty() && i < cbComPort->count(); ++i) {
      const PortEntry entry = PortAt(i);
      if (chosen.stableName.isEmpty() ? entry.name == chosen.name
                                      : entry.stableName == chosen.stableName) {
        cbComPort->setCurrentIndex(i);
        break;
      }
    }
    if (chosen.name.isEmpty()) SelectSavedPort();
  }
  // The first port to appear in an empty list is a new choice, and the chosen
  // adapter may have come back under another name.
  if (chosen.name.isEmpty() || cbComPort->currentText() != chosen.name) cbComPortChange();
}

void TKORAPCForm::DropMissingPorts() {
  // A port that went away is kept only while it is the one chosen.
  const QSignalBlocker quiet(cbComPort);
  for (int i = cbComPort->count() - 1; i >= 0; --i) {
    if (i != cbComPort->currentIndex() && cbComPort->itemData(i).toBool()) cbComPort->removeItem(i);
  }
}

void TKORAPCForm::SelectSavedPort() {
  // The saved name, a device path or a stable name, must match byte for
  // byte; otherwise the first entry.
  cbComPort->setCurrentIndex(-1);
  for (int i = 0; i < cbComPort->count(); ++i) {
    if (PortList::IsNamedBy(PortAt(i), savedPort_)) cbComPort->setCurrentIndex(i);
  }
  if (cbComPort->currentIndex() < 0 && cbComPort->count() > 0) cbComPort->setCurrentIndex(0);
}

void TKORAPCForm::cbComPortChange() {
  if (cbComPort->currentIndex() < 0) return;
  // An adapter by its stable name: an upload then opens the adapter chosen
  // even when it and another swapped numbers since the list was drawn, and
  // fails to open, rather than programming another instrument, once it is
  // gone and another took its number.
  const QString port = PortList::SavedName(PortAt(cbComPort->currentIndex()));
  ChosenComPort = port.toLocal8Bit().toStdString();
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

  savedPort_ = QString::fromLocal8Bit(ini.ReadString(kSection, "COMPORT", "COM1").c_str());
  {
    const QSignalBlocker quiet(cbComPort);  // choosing here does not publish by itself
    SelectSavedPort();
  }

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
  // By the adapter's stable name where it has one.
  const QString port = PortList::SavedName(PortAt(cbComPort->currentIndex()));
  ini.WriteString(kSection, "COMPORT", port.toLocal8Bit().toStdString());
  ini.WriteInteger(kSection, "ACTIVEPAGE", PageControl->currentIndex());
}
