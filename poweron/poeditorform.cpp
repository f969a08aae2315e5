#include "poweron/poeditorform.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <algorithm>

#include "poweron/poweronoptions.h"
#include "ui/ansitext.h"
#include "ui/dialogbuttons.h"
#include "ui/uifont.h"

TPOEditor::TPOEditor(TPowerOn& values, int option, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      option_(static_cast<int8_t>(std::clamp(option, -1, PowerOnOptionCount))),
      working_(values),
      values_(&values) {
  setObjectName("POEditor");
  setWindowTitle("Power On Editor");
  setFont(KoraUiFont());
  scale_ = KoraUiScale(font());

  lblPOOption = new QLabel(this);
  lblPOOption->setObjectName("lblPOOption");
  lblPOOption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

  cbPOValue = new QComboBox(this);
  cbPOValue->setObjectName("cbPOValue");
  cbPOValue->setEditable(false);

  MakeOkCancelButtons(*this, btnOK, btnCancel);

  cbPOValue->clear();
  lblPOOption->setText(AnsiToQString(PowerOnOptionName(option_) + ":"));
  const int count = PowerOnOptionValueCount(option_);
  for (int v = 0; v < count; ++v) cbPOValue->addItem(AnsiToQString(PowerOnValueText(option_, v)));
  // A value outside the list (only a hand-edited poweron.dat holds one) selects
  // nothing rather than some other text.
  const int32_t current = working_.GetValue(option_);
  cbPOValue->setCurrentIndex(IsPowerOnValueValid(option_, current) ? current : -1);

  // The label is as wide as the layout allows but never clips a long name.
  const int labelWidth = std::max(Scaled(145), lblPOOption->sizeHint().width());
  const int comboLeft = Scaled(8) + labelWidth + Scaled(7);
  const int comboWidth = std::max(Scaled(217), cbPOValue->sizeHint().width());
  const int rowHeight = std::max(Scaled(21), cbPOValue->sizeHint().height());
  lblPOOption->setGeometry(Scaled(8), Scaled(32), labelWidth, rowHeight);
  cbPOValue->setGeometry(comboLeft, Scaled(32), comboWidth, rowHeight);
  const int clientWidth = std::max(Scaled(408), comboLeft + comboWidth + Scaled(31));
  const int buttonHeight = std::max(Scaled(25), btnOK->sizeHint().height());
  const int buttonWidth = std::max(Scaled(89), btnCancel->sizeHint().width());
  // The two buttons stay centred as a pair when the dialog grows.
  const int buttonsLeft = (clientWidth - (2 * buttonWidth + Scaled(7))) / 2;
  btnOK->setGeometry(buttonsLeft, Scaled(88), buttonWidth, buttonHeight);
  btnCancel->setGeometry(buttonsLeft + buttonWidth + Scaled(7), Scaled(88), buttonWidth,
                         buttonHeight);
  setFixedSize(clientWidth, std::max(Scaled(132), Scaled(88) + buttonHeight + Scaled(19)));

  connect(btnOK, &QPushButton::clicked, this, &TPOEditor::btnOKClick);
  connect(btnCancel, &QPushButton::clicked, this, &TPOEditor::btnCancelClick);
}

int TPOEditor::Scaled(int designPixels) const {
  return static_cast<int>(designPixels * scale_ + 0.5);
}

void TPOEditor::btnOKClick() {
  if (cbPOValue->currentIndex() >= 0) working_.SetValue(option_, cbPOValue->currentIndex());
  *values_ = working_;
  accept();
}

void TPOEditor::btnCancelClick() { reject(); }
