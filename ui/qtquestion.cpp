#include "ui/qtquestion.h"

#include <QMessageBox>

#include "ui/ansitext.h"

bool QtQuestion::AskYesNo(const std::string& text, const std::string& caption) {
  // No is the default, so that Enter pressed by habit replaces nothing.
  return QMessageBox::question(parent_, AnsiToShownText(caption), AnsiToShownLines(text),
                               QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::No) == QMessageBox::Yes;
}
