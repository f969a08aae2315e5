// "Power On Editor": the modal dialog in which the user picks the value of one
// power-on option. Enter presses the button that has the focus, or OK when
// the list has it; Esc and the close box are Cancel.
#pragma once

#include <QDialog>

#include "poweron/tpoweron.h"

class QComboBox;
class QLabel;
class QPushButton;

class TPOEditor : public QDialog {
  Q_OBJECT

 public:
  // Edits option (0 to 19) of values, which must outlive the dialog and is
  // not owned. The dialog works on a copy and writes the whole copy back to
  // values only on OK. parent only places the dialog (centred over it); pass
  // the main window or one of its pages.
  TPOEditor(TPowerOn& values, int option, QWidget* parent = nullptr);

  // Stores the chosen value in the working copy, copies the working copy
  // over the caller's set and closes the dialog. When the option's value
  // lies outside its list and nothing was chosen, the value stays as it was.
  void btnOKClick();
  // Closes the dialog; the caller's set is unchanged.
  void btnCancelClick();

  QLabel* lblPOOption = nullptr;
  QComboBox* cbPOValue = nullptr;
  QPushButton* btnOK = nullptr;
  QPushButton* btnCancel = nullptr;

 private:
  int Scaled(int designPixels) const;

  int8_t option_;
  TPowerOn working_;
  TPowerOn* values_;
  double scale_ = 1.0;
};
