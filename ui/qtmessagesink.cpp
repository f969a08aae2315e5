#include "ui/qtmessagesink.h"

#include <QApplication>
#include <QMessageBox>

#include "ui/ansitext.h"

void QtMessageSink::ShowMessage(const std::string& text, const std::string& caption,
                                MessageIcon icon) {
  QMessageBox::Icon qtIcon = QMessageBox::NoIcon;
  switch (icon) {
    case MessageIcon::None:
      qtIcon = QMessageBox::NoIcon;
      break;
    case MessageIcon::Stop:
      qtIcon = QMessageBox::Critical;
      break;
    case MessageIcon::Exclamation:
      qtIcon = QMessageBox::Warning;
      break;
    case MessageIcon::Information:
      qtIcon = QMessageBox::Information;
      break;
  }
  // A text may quote a name from a file, which can hold any byte.
  // One sink serves the whole window program: a message of the progress
  // window's upload or of an editor belongs over that window.
  QWidget* over = QApplication::activeModalWidget();
  QMessageBox box(qtIcon, AnsiToShownText(caption), AnsiToShownLines(text), QMessageBox::Ok,
                  over != nullptr ? over : parent_);
  box.exec();
}
