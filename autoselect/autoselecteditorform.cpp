#include "autoselect/autoselecteditorform.h"

#include <QApplication>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <initializer_list>
#include <string>

#include "app/qtmessagesink.h"
#include "app/uifont.h"
#include "autoselect/autonamevalidator.h"
#include "autoselect/keycombobox.h"
#include "autoselect/tempcoframe.h"
#include "catalogue/keycatalogue.h"

namespace {

constexpr const char* kTypeCaptions[TAutoSelectEditor::TypeCount] = {
    "Multiparameter Simulation", "Arrhythmia Simulation", "Fetal Simulation",
    "Paced ECG Simulation", "ECG Performance Test"};
constexpr const char* kTempCOTab = "Temperature And CO";

// The layout was drawn for 8-point Tahoma at 521 by 599; a larger desktop font
// makes the dialog grow with it.
constexpr int kDesignWidth = 521;
constexpr int kDesignHeight = 599;

int AddKeys(TAutoSelect& entry, std::initializer_list<const KeyComboBox*> lists) {
  for (const KeyComboBox* list : lists) {
    const int code = list->keyCode();
    if (code == 0) continue;
    if (entry.AddKey(code) != 0) return -1;
  }
  return 0;
}

int TypeOfGroup(SimulationGroup group) {
  switch (group) {
    case SimulationGroup::Multiparameter: return 0;
    case SimulationGroup::Arrhythmia: return 1;
    case SimulationGroup::Fetal: return 2;
    case SimulationGroup::PacedECG: return 3;
    case SimulationGroup::ECGPerformance: return 4;
    case SimulationGroup::TempCO:
    case SimulationGroup::None: break;
  }
  return -1;
}

// One inner tab: a column of labelled lists, labels right-aligned at their left.
QFormLayout* AddInnerTab(QTabWidget* tabs, const char* caption) {
  auto* page = new QWidget(tabs);
  auto* form = new QFormLayout(page);
  form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
  form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
  tabs->addTab(page, caption);
  return form;
}

// The lists of one tab share the width of the widest, so they line up.
KeyComboBox* AddList(QFormLayout* form, const char* label, const char* comboName) {
  auto* combo = new KeyComboBox(*FindKeyCategory(comboName), form->parentWidget());
  form->addRow(label, combo);
  int width = 0;
  for (QComboBox* list : form->parentWidget()->findChildren<QComboBox*>()) {
    width = std::max(width, list->sizeHint().width());
  }
  for (QComboBox* list : form->parentWidget()->findChildren<QComboBox*>()) {
    list->setMinimumWidth(width);
  }
  return combo;
}

}  // namespace

TAutoSelectEditor::TAutoSelectEditor(QWidget* parent, TAutoSelect& entry, int autoNumber,
                                     MessageSink* sink)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      workEntry(entry),
      targetEntry(entry),
      sink_(sink) {
  if (sink_ == nullptr) {
    ownSink_ = std::make_unique<QtMessageSink>(this);
    sink_ = ownSink_.get();
  }
  setObjectName("AutoSelectEditor");
  setWindowTitle("Auto Editor - Auto No. " + QString::number(autoNumber));
  setFont(KoraUiFont());

  buildControls();
  fillCombos();
  PageControlType->tabBar()->hide();
  selectType(0);
  loadEntry();

  const double scale = KoraUiScale(font());
  const QSize hint = sizeHint();
  setFixedSize(std::max(static_cast<int>(kDesignWidth * scale + 0.5), hint.width()),
               std::max(static_cast<int>(kDesignHeight * scale + 0.5), hint.height()));
}

TAutoSelectEditor::~TAutoSelectEditor() = default;

void TAutoSelectEditor::buildControls() {
  auto* column = new QVBoxLayout(this);

  auto* top = new QFormLayout;
  top->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
  top->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
  lblName = new QLabel("Name:", this);
  txtName = new QLineEdit(this);
  txtName->setObjectName("txtName");
  txtName->setMaxLength(static_cast<int>(MaxAutoNameLength));
  nameValidator_ = new AutoNameValidator(txtName);
  txtName->setValidator(nameValidator_);
  // Room for twenty capitals of average width.
  txtName->setMinimumWidth(txtName->fontMetrics().horizontalAdvance(QString(20, 'N')) + 12);
  lblType = new QLabel("Type of Auto:", this);
  cbType = new QComboBox(this);
  cbType->setObjectName("cbType");
  cbType->setEditable(false);
  for (const char* caption : kTypeCaptions) cbType->addItem(caption);
  top->addRow(lblName, txtName);
  top->addRow(lblType, cbType);
  column->addLayout(top);

  PageControlType = new QTabWidget(this);
  PageControlType->setObjectName("PageControlType");
  for (int type = 0; type < TypeCount; ++type) {
    auto* page = new QWidget(PageControlType);
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    auto* tabs = new QTabWidget(page);
    pageLayout->addWidget(tabs);
    innerTabs_.push_back(tabs);
    PageControlType->addTab(page, kTypeCaptions[type]);
  }
  column->addWidget(PageControlType, 1);

  QTabWidget* multi = innerTabs_[0];
  multi->setObjectName("PageControlMultiparameter");
  QFormLayout* ecg = AddInnerTab(multi, "ECG");
  cbECGRate = AddList(ecg, "Rate:", "cbECGRate");
  cbECGAmp = AddList(ecg, "Amplitude:", "cbECGAmp");
  cbECGImpedance = AddList(ecg, "Impedance:", "cbECGImpedance");
  cbECGSTDepression = AddList(ecg, "ST Depression:", "cbECGSTDepression");
  cbECGAxis = AddList(ecg, "Axis:", "cbECGAxis");
  cbECGNeonatal = AddList(ecg, "Neonatal:", "cbECGNeonatal");
  cbECGArtifact = AddList(ecg, "Artifact:", "cbECGArtifact");
  QFormLayout* bp = AddInnerTab(multi, "Blood Pressure");
  cbBPSens = AddList(bp, "Sensitivity:", "cbBPSens");
  cbBPStatic = AddList(bp, "Static Level:", "cbBPStatic");
  cbBP1Dynamic = AddList(bp, "BP1 Dynamic:", "cbBP1Dynamic");
  cbBP2Dynamic = AddList(bp, "BP2 Dynamic:", "cbBP2Dynamic");
  cbBP3Dynamic = AddList(bp, "BP3 Dynamic:", "cbBP3Dynamic");
  cbBP4Dynamic = AddList(bp, "BP4 Dynamic:", "cbBP4Dynamic");
  cbBPArtifact = AddList(bp, "Artifact:", "cbBPArtifact");
  QFormLayout* resp = AddInnerTab(multi, "Respiration");
  cbRespRate = AddList(resp, "Rate:", "cbRespRate");
  cbRespApnea = AddList(resp, "Apnea:", "cbRespApnea");
  cbRespDelta = AddList(resp, "Delta:", "cbRespDelta");
  cbRespIERatio = AddList(resp, "Waveform:", "cbRespIERatio");

  QTabWidget* arr = innerTabs_[1];
  arr->setObjectName("PageControlArrhythmia");
  cbArrhythmia = AddList(AddInnerTab(arr, "Arrhythmia"), "Arrhythmia:", "cbArrhythmia");

  QTabWidget* fetal = innerTabs_[2];
  fetal->setObjectName("PageControlFetal");
  QFormLayout* iup = AddInnerTab(fetal, "Fetal/IUP");
  cbFetalRate = AddList(iup, "Fetal ECG Base Rate:", "cbFetalRate");
  cbFetalAmp = AddList(iup, "Fetal ECG Amplitude:", "cbFetalAmp");
  cbFetalWaveform = AddList(iup, "ECG Rate Variation:", "cbFetalWaveform");
  cbFetalPressure = AddList(iup, "Intrauterine Pressure:", "cbFetalPressure");

  QTabWidget* paced = innerTabs_[3];
  paced->setObjectName("PageControlPacer");
  QFormLayout* pacer = AddInnerTab(paced, "Pacer");
  cbPacerWaveform = AddList(pacer, "Waveform:", "cbPacerWaveform");
  cbPacerPolarity = AddList(pacer, "Pulse Polarity:", "cbPacerPolarity");
  cbPacerAmp = AddList(pacer, "Pulse Amplitude:", "cbPacerAmp");
  cbPacerWidth = AddList(pacer, "Pulse Width:", "cbPacerWidth");

  QTabWidget* perf = innerTabs_[4];
  perf->setObjectName("PageControlPerformance");
  QFormLayout* performance = AddInnerTab(perf, "Performance");
  cbPerfPulse = AddList(performance, "Square/Triangle:", "cbPerfPulse");
  cbPerfSine = AddList(performance, "Sine Wave:", "cbPerfSine");
  cbPerfWidth = AddList(performance, "Haver-triangle:", "cbPerfWidth");
  cbPerfAmp = AddList(performance, "Signal Amplitude:", "cbPerfAmp");

  TTempCOOptions** frames[TypeCount] = {&ECGTempCOOptions, &ArrTempCOOptions,
                                        &FetalTempCOOptions, &PacerTempCOOptions,
                                        &PerfTempCOOptions};
  const char* frameNames[TypeCount] = {"ECGTempCOOptions", "ArrTempCOOptions",
                                       "FetalTempCOOptions", "PacerTempCOOptions",
                                       "PerfTempCOOptions"};
  for (int type = 0; type < TypeCount; ++type) {
    auto* frame = new TTempCOOptions(innerTabs_[static_cast<std::size_t>(type)]);
    frame->setObjectName(frameNames[type]);
    innerTabs_[static_cast<std::size_t>(type)]->addTab(frame, kTempCOTab);
    *frames[type] = frame;
  }

  auto* bottom = new QHBoxLayout;
  btnOK = new QPushButton("OK", this);
  btnOK->setObjectName("btnOK");
  // Enter presses the button that has the focus, and OK when none has: a
  // technician who tabs to Cancel and presses Enter must not store the edit.
  btnOK->setDefault(true);
  btnCancel = new QPushButton("Cancel", this);
  btnCancel->setObjectName("btnCancel");
  btnCancel->setAutoDefault(true);
  bottom->addStretch(1);
  bottom->addWidget(btnOK);
  bottom->addWidget(btnCancel);
  column->addLayout(bottom);

  // activated() comes only from a user's choice, so the dialog's own
  // selections (filling, loading, carrying, resetting) run no handler.
  for (int type = 0; type < TypeCount; ++type) {
    std::vector<KeyComboBox*> lists = valueLists(type);
    for (KeyComboBox* list : tempCOFrame(type)->lists()) lists.push_back(list);
    for (KeyComboBox* list : lists) {
      connect(list, &QComboBox::activated, this, [this, list] { cbSelectionChange(list); });
    }
  }
  connect(txtName, &QLineEdit::textChanged, this, [this](const QString& text) {
    // Only a character without a byte could be refused, and the validator
    // lets none in; should one get past it, the field shows the name again.
    if (!nameText_.Edit(text, txtName->cursorPosition())) txtName->setText(nameText_.Shown());
  });
  connect(cbType, &QComboBox::activated, this, &TAutoSelectEditor::cbTypeChange);
  connect(btnOK, &QPushButton::clicked, this, &TAutoSelectEditor::btnOKClick);
  connect(btnCancel, &QPushButton::clicked, this, &TAutoSelectEditor::btnCancelClick);
}

std::vector<KeyComboBox*> TAutoSelectEditor::valueLists(int type) const {
  switch (type) {
    case 0:
      return {cbECGRate,    cbECGAmp,     cbECGImpedance, cbECGSTDepression, cbECGAxis,
              cbECGNeonatal, cbECGArtifact, cbBPSens,     cbBPStatic,        cbBP1Dynamic,
              cbBP2Dynamic, cbBP3Dynamic, cbBP4Dynamic,   cbBPArtifact,      cbRespRate,
              cbRespApnea,  cbRespDelta,  cbRespIERatio};
    case 1: return {cbArrhythmia};
    case 2: return {cbFetalRate, cbFetalAmp, cbFetalWaveform, cbFetalPressure};
    case 3: return {cbPacerWaveform, cbPacerPolarity, cbPacerAmp, cbPacerWidth};
    case 4: return {cbPerfPulse, cbPerfSine, cbPerfWidth, cbPerfAmp};
    default: return {};
  }
}

TTempCOOptions* TAutoSelectEditor::tempCOFrame(int type) const {
  switch (type) {
    case 0: return ECGTempCOOptions;
    case 1: return ArrTempCOOptions;
    case 2: return FetalTempCOOptions;
    case 3: return PacerTempCOOptions;
    case 4: return PerfTempCOOptions;
    default: return nullptr;
  }
}

QTabWidget* TAutoSelectEditor::innerTabs(int type) const {
  return type >= 0 && type < TypeCount ? innerTabs_[static_cast<std::size_t>(type)] : nullptr;
}

void TAutoSelectEditor::fillCombos() {
  cbType->setCurrentIndex(0);
  for (int type = 0; type < TypeCount; ++type) {
    for (KeyComboBox* list : valueLists(type)) list->fillCombo();
  }
}

void TAutoSelectEditor::selectType(int type) {
  cbType->setCurrentIndex(type);
  PageControlType->setCurrentIndex(type);
  autoType = type;
}

void TAutoSelectEditor::loadEntry() {
  // A byte of the name that has no printable form shows as a placeholder and
  // stays the entry's byte unless the user deletes it.
  nameText_ = AutoNameText(workEntry.GetName());
  nameValidator_->setPlaceholderBudget(nameText_.PlaceholderBudget());
  txtName->setText(nameText_.Shown());
  for (unsigned i = 0; i < workEntry.KeyCount(); ++i) {
    const int code = workEntry.KeyAt(i);
    const SimulationGroup group = SimulationGroupOf(code);
    if (group == SimulationGroup::TempCO) {
      for (int type = 0; type < TypeCount; ++type) tempCOFrame(type)->showKey(code);
      continue;
    }
    const int type = TypeOfGroup(group);
    if (type < 0) continue;
    // A code inside a type's bounds that none of its lists offers (25, 64,
    // 151 ...) still chooses the type.
    selectType(type);
    for (KeyComboBox* list : valueLists(type)) {
      if (list->showKey(code)) break;
    }
  }
}

int TAutoSelectEditor::addECGKeys(TAutoSelect& entry) const {
  return AddKeys(entry, {cbECGRate, cbECGAmp, cbECGImpedance, cbECGSTDepression, cbECGAxis,
                         cbECGNeonatal, cbECGArtifact});
}

int TAutoSelectEditor::addBPKeys(TAutoSelect& entry) const {
  return AddKeys(entry, {cbBPSens, cbBPStatic, cbBP1Dynamic, cbBP2Dynamic, cbBP3Dynamic,
                         cbBP4Dynamic, cbBPArtifact});
}

int TAutoSelectEditor::addRespKeys(TAutoSelect& entry) const {
  return AddKeys(entry, {cbRespRate, cbRespApnea, cbRespDelta, cbRespIERatio});
}

int TAutoSelectEditor::addArrhythmiaKeys(TAutoSelect& entry) const {
  return AddKeys(entry, {cbArrhythmia});
}

int TAutoSelectEditor::addFetalKeys(TAutoSelect& entry) const {
  return AddKeys(entry, {cbFetalRate, cbFetalAmp, cbFetalWaveform, cbFetalPressure});
}

int TAutoSelectEditor::addPacerKeys(TAutoSelect& entry) const {
  return AddKeys(entry, {cbPacerWaveform, cbPacerPolarity, cbPacerAmp, cbPacerWidth});
}

int TAutoSelectEditor::addPerfKeys(TAutoSelect& entry) const {
  return AddKeys(entry, {cbPerfPulse, cbPerfSine, cbPerfWidth, cbPerfAmp});
}

int TAutoSelectEditor::collectType(int type, TAutoSelect& entry) const {
  int result = -1;
  switch (type) {
    case 0:
      result = addECGKeys(entry) == 0 && addBPKeys(entry) == 0 && addRespKeys(entry) == 0 ? 0 : -1;
      break;
    case 1: result = addArrhythmiaKeys(entry); break;
    case 2: result = addFetalKeys(entry); break;
    case 3: result = addPacerKeys(entry); break;
    case 4: result = addPerfKeys(entry); break;
    default: return -1;
  }
  return result == 0 ? tempCOFrame(type)->addKeys(entry) : -1;
}

int TAutoSelectEditor::countCommands(int type) const {
  TAutoSelect scratch;
  return collectType(type, scratch) == 0 ? static_cast<int>(scratch.KeyCount()) : -1;
}

void TAutoSelectEditor::carryTempCO(int type) {
  TTempCOOptions* to = tempCOFrame(type);
  if (to == nullptr) return;
  TAutoSelect scratch;
  tempCOFrame(autoType)->addKeys(scratch);
  for (int t = 0; t < TypeCount; ++t) tempCOFrame(t)->clearSelection();
  for (unsigned i = 0; i < scratch.KeyCount(); ++i) to->showKey(scratch.KeyAt(i));
}

void TAutoSelectEditor::storeEntry() {
  TAutoSelect scratch;
  scratch.SetName(nameText_.Bytes());
  if (collectType(cbType->currentIndex(), scratch) == 0) targetEntry = scratch;
}

void TAutoSelectEditor::cbSelectionChange(QComboBox* sender) {
  if (countCommands(autoType) != -1) return;
  sink_->ShowMessage("Auto Selection has exceeded " + std::to_string(MaxAutoSelectKeys) +
                         " commands. Remove a command before selecting another.",
                     "Too many commands", MessageIcon::Exclamation);
  sender->setCurrentIndex(0);
}

void TAutoSelectEditor::cbTypeChange() {
  const int type = cbType->currentIndex();
  if (type < 0 || type >= TypeCount) return;
  PageControlType->setCurrentIndex(type);
  carryTempCO(type);
  autoType = type;
}

void TAutoSelectEditor::btnOKClick() {
  storeEntry();
  accept();
}

void TAutoSelectEditor::btnCancelClick() { reject(); }
