// KORApc: configuration tool for the KORA-1 patient simulator.
#include <QApplication>
#include <QMessageBox>
#include <exception>

#include "app/korapc.h"
#include "app/programidentity.h"
#include "app/terminationwatcher.h"
#include "common/replacefile.h"
#include "machine/koraglobals.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  SetProgramIdentity();
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
