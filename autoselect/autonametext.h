// AutoNameText: an auto-selection name as the editor's name field shows it,
// together with the bytes behind that text.
//
// A name read from a file may hold bytes that have no printable form (control
// bytes, DEL, the bytes Windows-1252 leaves undefined). The field shows each
// of them as UnprintablePlaceholder (ui/ansitext.h), one character per byte,
// and the byte itself stays in the name for as long as the user leaves that
// character alone. OK without an edit therefore stores the name's bytes
// exactly as they were, only with its letters in upper case.
//
// The editor hands every change of the field's text to Edit():
//
//   AutoNameText name(entry.GetName());
//   validator->setPlaceholderBudget(name.PlaceholderBudget());
//   field->setText(name.Shown());
//   connect(field, &QLineEdit::textChanged, ... name.Edit(text, field->cursorPosition()) ...);
//   ... entry.SetName(name.Bytes());
#pragma once

#include <QString>
#include <string>

class AutoNameText {
 public:
  // bytes: the name as the entry holds it. Its letters are shown, and kept,
  // in upper case (AutoNameValidator::ToUpperAnsi); every other byte is kept.
  explicit AutoNameText(const std::string& bytes = {});

  // The text for the field: one character per byte of Bytes().
  const QString& Shown() const { return shown_; }
  // The name's bytes for the text last accepted.
  const std::string& Bytes() const { return bytes_; }
  // Placeholders in the name as it was built; the field can never hold more,
  // since each stands for a byte no key can type.
  int PlaceholderBudget() const { return budget_; }

  // Takes the field's text after one change. cursor is the field's cursor
  // position after it: where a typed or pasted text ends, or where a deletion
  // was; it tells which of two equal characters the change touched.
  // Characters the change left alone keep their bytes; a new character takes
  // its Windows-1252 byte; a placeholder the change brings back (an undo, or
  // a placeholder moved by cut and paste) takes the byte of the placeholder
  // removed last. Returns true. Returns false and changes nothing when text
  // holds a character that has no byte (the validator lets none in).
  bool Edit(const QString& text, int cursor);

 private:
  QString shown_;
  std::string bytes_;
  std::string removed_;  // bytes of the placeholders deleted so far, the latest last
  int budget_ = 0;
};
