#include "ui/upload/guithreadmessagesink.h"

#include <QObject>
#include <QThread>

GuiThreadMessageSink::GuiThreadMessageSink(QObject& guiContext, MessageSink& target)
    : context_(guiContext), target_(target) {}

void GuiThreadMessageSink::ShowMessage(const std::string& text, const std::string& caption,
                                       MessageIcon icon) {
  if (QThread::currentThread() == context_.thread()) {
    target_.ShowMessage(text, caption, icon);
    return;
  }
  QMetaObject::invokeMethod(
      &context_, [&] { target_.ShowMessage(text, caption, icon); }, Qt::BlockingQueuedConnection);
}
