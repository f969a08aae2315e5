// bench_bare_window: the yardstick for KORApc's start-up. A plain Qt window
// with the same widgets as KORApc's main window (three tabs; tool bars with
// the same theme icons, grids filled with as many cells, button panels; the
// Settings controls) but nothing behind them: no files read, no settings, no
// ports listed. bench/startup.sh times it against korapc.
//
// With --no-icons the tool bars show text only, which leaves out the icon
// theme's first lookup (10 to 25 ms here) that any window with themed icons
// pays.
#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

bool g_icons = true;

QWidget* GridPage(QWidget* parent, const QStringList& tools, int rows, const QStringList& headers,
                  const QString& button) {
  auto* page = new QWidget(parent);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* bar = new QToolBar(page);
  for (const QString& tool : tools) {
    if (g_icons) {
      bar->addAction(QIcon::fromTheme(tool), tool);
    } else {
      bar->addAction(tool);
    }
  }
  layout->addWidget(bar);
  auto* grid = new QTableWidget(rows, static_cast<int>(headers.size()), page);
  grid->setHorizontalHeaderLabels(headers);
  grid->verticalHeader()->hide();
  for (int row = 0; row < rows; ++row) {
    for (int col = 0; col < grid->columnCount(); ++col) {
      grid->setItem(row, col, new QTableWidgetItem(QString("Cell %1 %2").arg(row).arg(col)));
    }
  }
  layout->addWidget(grid);
  auto* panel = new QWidget(page);
  auto* panelLayout = new QVBoxLayout(panel);
  auto* push = new QPushButton(button, panel);
  if (g_icons) push->setIcon(QIcon::fromTheme("document-send"));
  panelLayout->addWidget(push);
  layout->addWidget(panel);
  return page;
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  g_icons = !QApplication::arguments().contains("--no-icons");
  QWidget window;
  window.setWindowTitle("Bare window");
  QFont tahoma("Tahoma");
  tahoma.setPixelSize(11);
  window.setFont(tahoma);
  auto* tabs = new QTabWidget(&window);
  auto* layout = new QVBoxLayout(&window);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(tabs);
  tabs->addTab(GridPage(tabs, {"document-properties"}, 20,
                        {"No.", "Power On Option", "Power On Value"}, "Set Power On Values"),
               "Power On");
  tabs->addTab(GridPage(tabs, {"document-open", "document-save", "document-properties"}, 10,
                        {"No.", "Auto Name"}, "Set Auto Selections"),
               "Auto Selections");
  auto* settings = new QWidget(tabs);
  auto* heading = new QLabel("Communications", settings);
  heading->setGeometry(8, 12, 129, 21);
  auto* label = new QLabel("Serial COM Port:", settings);
  label->setGeometry(24, 52, 129, 21);
  auto* ports = new QComboBox(settings);
  ports->addItems({"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyS2", "/dev/ttyS3"});
  ports->setGeometry(160, 52, 161, 21);
  auto* rule = new QFrame(settings);
  rule->setFrameShape(QFrame::HLine);
  rule->setGeometry(8, 100, 519, 3);
  tabs->addTab(settings, "Settings");
  window.resize(540, 600);
  window.show();
  return QApplication::exec();
}
