// Question: how a page asks the user to confirm a step before it takes it,
// without knowing the dialog. The GUI answers with a QMessageBox
// (ui/qtquestion.h); tests answer from a script.
#pragma once

#include <string>

class Question {
 public:
  virtual ~Question() = default;

  // Shows text under caption with Yes and No buttons and returns true when
  // the user chose Yes; No, Escape or closing the box give false. Both strings
  // are single-byte Windows-1252 text.
  virtual bool AskYesNo(const std::string& text, const std::string& caption) = 0;
};
