// The OK and Cancel buttons both editors end with.
#pragma once

class QDialog;
class QPushButton;

// Creates "OK" (btnOK) and "Cancel" (btnCancel) as children of dialog and
// stores them in ok and cancel; placing them is the dialog's. Enter presses
// the button that has the focus, and OK when none has.
void MakeOkCancelButtons(QDialog& dialog, QPushButton*& ok, QPushButton*& cancel);
