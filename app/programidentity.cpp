#include "app/programidentity.h"

#include <QApplication>
#include <QIcon>

void SetProgramIdentity() {
  QApplication::setOrganizationName("Quorvel");
  QApplication::setApplicationName("KORApc");
  QGuiApplication::setDesktopFileName("korapc");
  QIcon icon;
  for (const char* size : {"48", "128", "256"}) {
    icon.addFile(QString(":/app/korapc-%1.png").arg(size));
  }
  QApplication::setWindowIcon(icon);
}
