// bench_history: the History tab opening on 10,000 recorded uploads. Fills a
// history.sqlite in a temporary folder through the store (half power-on
// values, half ten full auto selections, every record complete), then times,
// five times over, from showing a new History tab to the first paint of its
// list. Target: at most 200 ms each.
#include <unistd.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTableView>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "autoselect/autoselectframe.h"
#include "common/messagesink.h"
#include "common/systemclock.h"
#include "device/commportfactory.h"
#include "history/processidentity.h"
#include "history/sqlitehistorystore.h"
#include "historyview/historypage.h"
#include "poweron/poframe.h"
#include "services/services.h"
#include "ui/qtfilepicker.h"
#include "ui/qtquestion.h"
#include "ui/upload/uploadrunner.h"

namespace {

constexpr int kRecords = 10000;
constexpr double kTargetMs = 200.0;

class StderrSink : public MessageSink {
 public:
  void ShowMessage(const std::string& text, const std::string& caption, MessageIcon) override {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
  }
};

// Sets painted once the watched widget has been painted.
class PaintSpy : public QObject {
 public:
  bool painted = false;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) painted = true;
    return QObject::eventFilter(watched, event);
  }
};

UploadStart Start(int i) {
  UploadStart start;
  start.started = "2026-12-09T15:41:58.123Z";
  start.user = "tech";
  start.host = "bench-pc";
  start.version = "1.0.0";
  start.port = {"/dev/ttyUSB0", "/dev/serial/by-id/usb-FTDI_FT232R_A10K3B2Q-if00-port0",
                PortAdapter{"FTDI", "FT232R USB UART", "A10K3B2Q", "0403", "6001"}};
  start.dataSha256 = std::string(64, '0');
  start.commandDelayMs = 10;
  start.process = CurrentProcess();
  if (i % 2 == 0) {
    start.what = UploadWhat::PowerOn;
    start.powerOn = {3, 3, 0, 1, 0, 2, 4, 9, 8, 0, 0, 2, 1, 1, 0, 0, 0, 0, 3, 4};
  } else {
    start.what = UploadWhat::AutoSelections;
    for (int slot = 0; slot < 10; ++slot) {
      start.autoSelections.push_back(
          {"SLOT NAME " + std::to_string(slot), {10, 13, 67, 68, 69, 70, 71, 72, 73, 74}});
    }
  }
  return start;
}

// Opens the tab five times on store and returns the slowest time to its
// first paint, in ms. The pages it restores into keep their files in folder.
double WorstOpeningMs(HistoryStore& store, MessageSink& sink, const std::string& folder) {
  // The two pages the tab restores into, over the program's own services;
  // nothing is uploaded.
  SystemClock clock;
  QtFilePicker dialogs(nullptr);
  CommPortFactory ports;
  Services services{sink, clock, dialogs, ports, store};
  QtQuestion question;
  QWidget window;
  UploadRunner runner(window, services, [] { return LinkSettings{}; });
  const std::string settings = folder + "/korapc.ini";
  TPOMain powerOn(PageSetup{settings, folder + "/poweron.dat"}, services, runner);
  TAutoSelectMain autoSelect(PageSetup{settings, folder + "/autoselect.asl"}, services, runner);
  std::vector<double> times;
  for (int run = 0; run < 5; ++run) {
    THistoryPage page(services, question, powerOn, autoSelect);
    page.resize(800, 600);
    PaintSpy spy;
    page.sgHistory->viewport()->installEventFilter(&spy);
    QElapsedTimer timer;
    timer.start();
    page.show();  // reads the list
    while (!spy.painted) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    std::printf("run %d: %.1f ms to the first paint, %d rows read\n", run + 1, times.back(),
                page.sgHistory->model()->rowCount());
  }
  return *std::max_element(times.begin(), times.end());
}

}  // namespace

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);

  char folder[] = "/tmp/bench_history-XXXXXX";
  if (::mkdtemp(folder) == nullptr) return 1;
  const std::string path = std::string(folder) + "/history.sqlite";
  StderrSink sink;
  auto store = SqliteHistoryStore::Open(path, sink);

  QElapsedTimer fill;
  fill.start();
  UploadEnd end;
  end.result = UploadOutcome::Programmed;
  end.done = end.total = 20;
  end.link = {0, 12, 0, 95};
  end.durationMs = 8531;
  for (int i = 0; i < kRecords; ++i) {
    const std::int64_t id = store->Begin(Start(i));
    if (id == 0 || !store->Complete(id, end)) {
      std::fprintf(stderr, "record %d could not be written\n", i);
      return 1;
    }
  }
  std::printf("filled %d records in %.1f s\n", kRecords, static_cast<double>(fill.elapsed()) / 1e3);

  const double worst = WorstOpeningMs(*store, sink, folder);
  std::printf("worst %.1f ms (target %.0f ms): %s\n", worst, kTargetMs,
              worst <= kTargetMs ? "PASS" : "FAIL");

  store.reset();
  std::filesystem::remove_all(folder);
  return worst <= kTargetMs ? 0 : 1;
}
