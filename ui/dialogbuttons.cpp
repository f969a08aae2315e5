#include "ui/dialogbuttons.h"

#include <QDialog>
#include <QPushButton>

void MakeOkCancelButtons(QDialog& dialog, QPushButton*& ok, QPushButton*& cancel) {
  ok = new QPushButton("OK", &dialog);
  ok->setObjectName("btnOK");
  // Enter presses the button that has the focus, and OK when none has: a
  // technician who tabs to Cancel and presses Enter must not store the edit.
  ok->setDefault(true);
  cancel = new QPushButton("Cancel", &dialog);
  cancel->setObjectName("btnCancel");
  cancel->setAutoDefault(true);
}
