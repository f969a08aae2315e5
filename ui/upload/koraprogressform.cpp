#include "ui/upload/koraprogressform.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>

#include "common/programstrings.h"
#include "ui/ansitext.h"

TKORAProgress::TKORAProgress(QWidget* owner, int maximum, const std::string& text)
    // A dialog-type window with a title bar only: no system menu, no close
    // button, and above every other window.
    : QWidget(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowStaysOnTopHint) {
  setObjectName("KORAProgress");
  setWindowTitle(QString::fromUtf8(kora::kProductName) + " Communications");
  QFont tahoma("Tahoma");
  tahoma.setPixelSize(11);
  setFont(tahoma);
  setFixedSize(303, 119);

  labelProgress = new QLabel(AnsiToQString(text), this);
  labelProgress->setObjectName("labelProgress");
  labelProgress->move(16, 16);
  labelProgress->adjustSize();

  pbComm = new QProgressBar(this);
  pbComm->setObjectName("pbComm");
  pbComm->setGeometry(16, 40, 273, 25);
  pbComm->setRange(0, maximum > 0 ? maximum : 0);
  pbComm->setValue(0);
  QCoreApplication::processEvents();
}

void TKORAProgress::StepProgress() {
  if (pbComm->value() < pbComm->maximum()) pbComm->setValue(pbComm->value() + 1);
  pbComm->repaint();
}

void TKORAProgress::CloseProgress() { hide(); }

int TKORAProgress::Position() const { return pbComm->value(); }

void TKORAProgress::showEvent(QShowEvent* event) {
  if (const QWidget* owner = parentWidget()) {
    const QRect over = owner->window()->frameGeometry();
    QRect mine = frameGeometry();
    mine.moveCenter(over.center());
    move(mine.topLeft());
  }
  QWidget::showEvent(event);
}

void TKORAProgress::closeEvent(QCloseEvent* event) { event->ignore(); }
