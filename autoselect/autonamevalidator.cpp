#include "autoselect/autonamevalidator.h"

#include "ui/ansitext.h"

QString AutoNameValidator::ToUpperAnsi(const QString& text) {
  QString upper;
  upper.reserve(text.size());
  for (const QChar ch : text) {
    // One character at a time, so the length never changes. "ß" (whose upper
    // case is the two letters "SS") and "µ" (whose upper case is the Greek
    // capital mu, outside the code page) have no single-byte upper case and
    // stay as typed; every other lower-case letter of the code page, "ÿ", "š",
    // "ž" and "œ" included, has one.
    const QChar candidate = ch.toUpper();
    upper += QStringToAnsi(QString(candidate)) ? candidate : ch;
  }
  return upper;
}

QValidator::State AutoNameValidator::validate(QString& input, int& /*pos*/) const {
  input = ToUpperAnsi(input);
  QString bytesOnly = input;
  const qsizetype placeholders = bytesOnly.count(UnprintablePlaceholder);
  if (placeholders > placeholderBudget_) return Invalid;
  bytesOnly.remove(UnprintablePlaceholder);
  return QStringToAnsi(bytesOnly) ? Acceptable : Invalid;
}
