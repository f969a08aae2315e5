// A pick-only drop-down list that offers one key-code category: item 0
// "NO SELECTION" (no code), item i the padded catalogue name of code
// firstCode + i - 1. Used by the auto-selection editor and its
// temperature / cardiac-output frames.
#pragma once

#include <QComboBox>

#include "catalogue/keycatalogue.h"

class KeyComboBox : public QComboBox {
  Q_OBJECT

 public:
  // category must be one of KeyCategories() (static data). The list starts
  // filled, at "NO SELECTION".
  KeyComboBox(const KeyCategory& category, QWidget* parent);

  const KeyCategory& category() const { return category_; }

  // Removes all items, adds "NO SELECTION" and the category's names, selects item 0.
  void fillCombo();
  // The chosen code, or 0 when "NO SELECTION" (or nothing) is chosen.
  int keyCode() const;
  // Selects the item of code and returns true when the category holds it;
  // otherwise changes nothing and returns false.
  bool showKey(int code);

  // None of the three above emits activated(): only a user's choice does, so
  // handlers attached to activated() never see the program's own selections.

 private:
  const KeyCategory& category_;
};
