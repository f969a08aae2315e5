#include "autoselect/keycombobox.h"

#include "ui/ansitext.h"

KeyComboBox::KeyComboBox(const KeyCategory& category, QWidget* parent)
    : QComboBox(parent), category_(category) {
  setObjectName(category.comboName);
  setEditable(false);
  // Long catalogue names must stay readable whatever width the layout gives.
  setSizeAdjustPolicy(QComboBox::AdjustToContents);
  fillCombo();
}

void KeyComboBox::fillCombo() {
  clear();
  for (const std::string& text : KeyCategoryItems(category_)) addItem(AnsiToQString(text));
  setCurrentIndex(0);
}

int KeyComboBox::keyCode() const { return category_.CodeForItem(currentIndex()); }

bool KeyComboBox::showKey(int code) {
  if (!category_.Holds(code)) return false;
  setCurrentIndex(category_.ItemForCode(code));
  return true;
}
