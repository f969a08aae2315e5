#include "support/progressobservingsink.h"

#include <QApplication>
#include <QThread>

#include "ui/upload/koraprogressform.h"

TKORAProgress* FindProgressWindow() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (auto* progress = qobject_cast<TKORAProgress*>(widget)) return progress;
  }
  return nullptr;
}

void ProgressObservingSink::ShowMessage(const std::string& text, const std::string& caption,
                                        MessageIcon icon) {
  RecordingMessageSink::ShowMessage(text, caption, icon);
  onGuiThread.push_back(QThread::currentThread() == qApp->thread());
  const TKORAProgress* progress = FindProgressWindow();
  const bool shown = progress != nullptr && progress->isVisible();
  progressShown.push_back(shown);
  progressPosition.push_back(shown ? progress->Position() : -1);
}
