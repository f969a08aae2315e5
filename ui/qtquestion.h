// Question asked in a modal QMessageBox.
#pragma once

#include "common/question.h"

class QWidget;

class QtQuestion : public Question {
 public:
  // parent: the window the box is shown over; may be null. Not owned.
  explicit QtQuestion(QWidget* parent = nullptr) : parent_(parent) {}

  bool AskYesNo(const std::string& text, const std::string& caption) override;

 private:
  QWidget* parent_;
};
