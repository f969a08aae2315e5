#include "autoselect/tempcoframe.h"

#include <QFormLayout>
#include <QFrame>
#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

#include "autoselect/keycombobox.h"
#include "autoselect/tautoselect.h"

namespace {

QLabel* Heading(const char* text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  QFont bold = label->font();
  bold.setBold(true);
  label->setFont(bold);
  return label;
}

QFormLayout* Form() {
  auto* form = new QFormLayout;
  form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
  form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
  return form;
}

KeyComboBox* AddList(QFormLayout* form, const char* label, const char* comboName, QWidget* parent) {
  auto* combo = new KeyComboBox(*FindKeyCategory(comboName), parent);
  form->addRow(label, combo);
  return combo;
}

}  // namespace

TTempCOOptions::TTempCOOptions(QWidget* parent) : QWidget(parent) {
  setObjectName("TempCOOptions");
  auto* column = new QVBoxLayout(this);

  lblTempHeading = Heading("Temperature YSI 400/700", this);
  column->addWidget(lblTempHeading);
  QFormLayout* temperature = Form();
  cbTemp = AddList(temperature, "Temperature:", "cbTemp", this);
  column->addLayout(temperature);

  auto* rule = new QFrame(this);
  rule->setFrameShape(QFrame::HLine);
  rule->setFrameShadow(QFrame::Sunken);
  column->addSpacing(6);
  column->addWidget(rule);
  column->addSpacing(6);

  lblCOHeading = Heading("Cardiac Output", this);
  column->addWidget(lblCOHeading);
  QFormLayout* co = Form();
  cbCOInj = AddList(co, "Injectate Thermistor:", "cbCOInj", this);
  cbCOBaseline = AddList(co, "Baseline Temperature:", "cbCOBaseline", this);
  cbCOInjTemp = AddList(co, "Injectate Temperature:", "cbCOInjTemp", this);
  cbCOLM = AddList(co, "Cardiac Output:", "cbCOLM", this);
  cbCOTrend = AddList(co, "Simulation Type:", "cbCOTrend", this);
  column->addLayout(co);
  column->addStretch(1);

  // The two forms line their labels and lists up as if they were one.
  std::vector<QWidget*> labels;
  for (QFormLayout* form : {temperature, co}) {
    for (int row = 0; row < form->rowCount(); ++row) {
      if (QLayoutItem* item = form->itemAt(row, QFormLayout::LabelRole))
        labels.push_back(item->widget());
    }
  }
  int labelWidth = 0;
  for (QWidget* label : labels) labelWidth = std::max(labelWidth, label->sizeHint().width());
  for (QWidget* label : labels) {
    label->setMinimumWidth(labelWidth);
    static_cast<QLabel*>(label)->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  }
  int listWidth = 0;
  for (KeyComboBox* list : lists()) listWidth = std::max(listWidth, list->sizeHint().width());
  for (KeyComboBox* list : lists()) list->setMinimumWidth(listWidth);
}

void TTempCOOptions::fillCombos() {
  for (KeyComboBox* list : lists()) list->fillCombo();
}

int TTempCOOptions::addKeys(TAutoSelect& entry) const {
  for (const KeyComboBox* list : lists()) {
    const int code = list->keyCode();
    if (code == 0) continue;
    if (entry.AddKey(code) != 0) return -1;
  }
  return 0;
}

void TTempCOOptions::showKey(int code) {
  for (KeyComboBox* list : lists()) {
    if (list->showKey(code)) return;
  }
}

void TTempCOOptions::clearSelection() {
  for (KeyComboBox* list : lists()) list->setCurrentIndex(0);
}

std::array<KeyComboBox*, 6> TTempCOOptions::lists() const {
  return {cbTemp, cbCOInj, cbCOBaseline, cbCOInjTemp, cbCOLM, cbCOTrend};
}
