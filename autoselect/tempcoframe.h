// The temperature and cardiac-output panel of the auto-selection editor: six
// key-code lists under the headings "Temperature YSI 400/700" and
// "Cardiac Output". It knows nothing of types or limits; it only turns its six
// selections into key codes and back.
#pragma once

#include <QWidget>
#include <array>

class KeyComboBox;
class QLabel;
class TAutoSelect;

class TTempCOOptions : public QWidget {
  Q_OBJECT

 public:
  // Builds the controls; every list starts at "NO SELECTION".
  explicit TTempCOOptions(QWidget* parent = nullptr);

  // Refills the six lists from the catalogue, each at "NO SELECTION".
  void fillCombos();
  // Appends the code of every set list, in the order cbTemp, cbCOInj,
  // cbCOBaseline, cbCOInjTemp, cbCOLM, cbCOTrend. Returns 0, or -1 as soon as
  // entry.AddKey refuses one (entry already held ten codes); the codes
  // appended before stay in entry.
  int addKeys(TAutoSelect& entry) const;
  // Selects code in the list whose run holds it (230-234, 251-254, 256-258,
  // 259-260, 269-276, 277-283); any other code is ignored.
  void showKey(int code);
  // Puts all six lists back at "NO SELECTION".
  void clearSelection();

  // The six lists in the order above, for an owner that attaches a change
  // handler (to QComboBox::activated, which only a user's choice emits).
  std::array<KeyComboBox*, 6> lists() const;

  QLabel* lblTempHeading = nullptr;  // "Temperature YSI 400/700"
  QLabel* lblCOHeading = nullptr;    // "Cardiac Output"
  KeyComboBox* cbTemp = nullptr;
  KeyComboBox* cbCOInj = nullptr;
  KeyComboBox* cbCOBaseline = nullptr;
  KeyComboBox* cbCOInjTemp = nullptr;
  KeyComboBox* cbCOLM = nullptr;
  KeyComboBox* cbCOTrend = nullptr;
};
