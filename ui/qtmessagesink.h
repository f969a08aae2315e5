// MessageSink shown as a modal QMessageBox.
#pragma once

#include "common/messagesink.h"

class QWidget;

class QtMessageSink : public MessageSink {
 public:
  // parent: the window the boxes are shown over; may be null. Not owned.
  explicit QtMessageSink(QWidget* parent = nullptr) : parent_(parent) {}

  void ShowMessage(const std::string& text, const std::string& caption,
                   MessageIcon icon) override;

 private:
  QWidget* parent_;
};
