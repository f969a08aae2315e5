// KORApc: configuration tool for the KORA-1 patient simulator.
#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <exception>

#include "machine/koraglobals.h"
#include "app/korapc.h"
#include "common/replacefile.h"
#include "app/terminationwatcher.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setOrganizationName("Quorvel");
  QApplication::setApplicationName("KORApc");
  QGuiApplication::setApplicationDisplayName(QString("%1 %2").arg(kora::kVendorName, kora::kProductName));
  QGuiApplication::setDesktopFileName("korapc");
  QIcon icon;
  for (const char* size : {"48", "128", "256"}) icon.addFile(QString(":/app/korapc-%1.png").arg(size));
  QApplication::setWindowIcon(icon);
  // Temporaries of a KORApc that was killed while it saved; those of one
  // that is saving right now are left alone.
  RemoveStaleTemporaries(GetDataFolder());
  try {
    TKORAPCForm KORAPCForm;
    TerminationWatcher watcher(&KORAPCForm);
    KORAPCForm.show();
    QApplication::exec();
  } catch (const std::exception& e) {
    QMessageBox::critical(nullptr, "Quorvel KORApc", QString::fromLocal8Bit(e.what()));
  } catch (...) {
    QMessageBox::critical(nullptr, "Quorvel KORApc", "An unexpected error occurred.");
  }
  return 0;
}
