// MessageSink shown as a modal QMessageBox.
#pragma once

#include "common/messagesink.h"

class QWidget;

class QtMessageSink : public MessageSink {
 public:
  // parent: the window the boxes are shown over while no modal window is up
  // (usually the main window); may be null. Not owned.
  explicit QtMessageSink(QWidget* parent = nullptr) : parent_(parent) {}

  // Shows the box over the modal window on top when there is one (an
  // upload's progress window, an editor), else over parent, and returns once
  // the user has confirmed it. GUI thread only.
  void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) override;

 private:
  QWidget* parent_;
};
