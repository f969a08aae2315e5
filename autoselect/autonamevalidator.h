// Keeps an auto-selection name to what the instrument can hold: characters of
// the Windows-1252 code page only, letters turned to upper case.
#pragma once

#include <QValidator>

class AutoNameValidator : public QValidator {
  Q_OBJECT

 public:
  explicit AutoNameValidator(QObject* parent = nullptr) : QValidator(parent) {}

  // Turns input to upper case (ToUpperAnsi) and accepts it when every
  // character has a Windows-1252 byte, apart from at most
  // placeholderBudget() UnprintablePlaceholder characters; otherwise
  // Invalid, so the edit that brought the character in is refused as a whole.
  State validate(QString& input, int& pos) const override;

  // How many placeholders the field may hold: those of the name it was given
  // (see AutoNameText). 0 until set, so that none can be typed or pasted in.
  int placeholderBudget() const { return placeholderBudget_; }
  void setPlaceholderBudget(int count) { placeholderBudget_ = count; }

  // text with every letter whose upper case Windows-1252 can hold in upper
  // case; other characters are left as they are.
  static QString ToUpperAnsi(const QString& text);

 private:
  int placeholderBudget_ = 0;
};
