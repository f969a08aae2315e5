// GuiThreadMessageSink: brings the messages of a link that runs on a worker
// thread to the GUI thread, where message boxes may be shown.
#pragma once

#include "common/messagesink.h"

class QObject;

class GuiThreadMessageSink : public MessageSink {
 public:
  // guiContext: an object living on the GUI thread; target: where the
  // messages go there. Neither is owned; both must outlive every call.
  GuiThreadMessageSink(QObject& guiContext, MessageSink& target);

  // On the GUI thread, shows the message at once. From any other thread it
  // hands the message to the GUI thread and returns only when the target has
  // returned there (the user has confirmed the box), so the protocol waits
  // as it would behind a modal box.
  void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) override;

 private:
  QObject& context_;
  MessageSink& target_;
};
