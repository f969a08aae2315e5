#include "ui/qtmessagesink.h"

#include <QMessageBox>

#include "ui/ansitext.h"

void QtMessageSink::ShowMessage(const std::string& text, const std::string& caption,
                                MessageIcon icon) {
  QMessageBox::Icon qtIcon = QMessageBox::NoIcon;
  switch (icon) {
    case MessageIcon::None: qtIcon = QMessageBox::NoIcon; break;
    case MessageIcon::Stop: qtIcon = QMessageBox::Critical; break;
    case MessageIcon::Exclamation: qtIcon = QMessageBox::Warning; break;
    case MessageIcon::Information: qtIcon = QMessageBox::Information; break;
  }
  // A text may quote a name from a file, which can hold any byte.
  QMessageBox box(qtIcon, AnsiToShownText(caption), AnsiToShownLines(text), QMessageBox::Ok, parent_);
  box.exec();
}
