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
#include <string>
#include <string_view>

#include "autoselect/autonamevalidator.h"
#include "autoselect/keycombobox.h"
#include "autoselect/tempcoframe.h"
#include "catalogue/keycatalogue.h"
#include "common/messagesink.h"
#include "services/services.h"
#include "ui/dialogbuttons.h"
#include "ui/uifont.h"

namespace {

// Spells a member's name once, for the pointer to it and for its name as text.
#define EDITOR_MEMBER(member) &TAutoSelectEditor::member, #member

// One type of simulation, in the order of cbType: its caption, the name of its
// page's inner tab control, and its temperature / cardiac-output frame.
struct TypeRow {
  const char* caption;
  const char* tabsName;
  TTempCOOptions* TAutoSelectEditor::*frame;
  const char* frameName;
};

constexpr TypeRow kTypes[TAutoSelectEditor::TypeCount] = {
    {"Multiparameter Simulation", "PageControlMultiparameter", EDITOR_MEMBER(ECGTempCOOptions)},
    {"Arrhythmia Simulation", "PageControlArrhythmia", EDITOR_MEMBER(ArrTempCOOptions)},
    {"Fetal Simulation", "PageControlFetal", EDITOR_MEMBER(FetalTempCOOptions)},
    {"Paced ECG Simulation", "PageControlPacer", EDITOR_MEMBER(PacerTempCOOptions)},
    {"ECG Performance Test", "PageControlPerformance", EDITOR_MEMBER(PerfTempCOOptions)},
};

// One value list: the type whose page holds it, its inner tab, its label, and
// the member that holds it. The member's name is also the catalogue's name for
// the run the list offers.
struct ListRow {
  int type;
  const char* tab;
  const char* label;
  KeyComboBox* TAutoSelectEditor::*member;
  const char* name;
};

// The 31 value lists, type by type and tab by tab, each tab's lists from top to
// bottom. That is also the order in which they give codes, the catalogue's code
// order that AutoSelectComposer::ListsOf follows.
constexpr ListRow kLists[] = {
    {0, "ECG", "Rate:", EDITOR_MEMBER(cbECGRate)},
    {0, "ECG", "Amplitude:", EDITOR_MEMBER(cbECGAmp)},
    {0, "ECG", "Impedance:", EDITOR_MEMBER(cbECGImpedance)},
    {0, "ECG", "ST Depression:", EDITOR_MEMBER(cbECGSTDepression)},
    {0, "ECG", "Axis:", EDITOR_MEMBER(cbECGAxis)},
    {0, "ECG", "Neonatal:", EDITOR_MEMBER(cbECGNeonatal)},
    {0, "ECG", "Artifact:", EDITOR_MEMBER(cbECGArtifact)},
    {0, "Blood Pressure", "Sensitivity:", EDITOR_MEMBER(cbBPSens)},
    {0, "Blood Pressure", "Static Level:", EDITOR_MEMBER(cbBPStatic)},
    {0, "Blood Pressure", "BP1 Dynamic:", EDITOR_MEMBER(cbBP1Dynamic)},
    {0, "Blood Pressure", "BP2 Dynamic:", EDITOR_MEMBER(cbBP2Dynamic)},
    {0, "Blood Pressure", "BP3 Dynamic:", EDITOR_MEMBER(cbBP3Dynamic)},
    {0, "Blood Pressure", "BP4 Dynamic:", EDITOR_MEMBER(cbBP4Dynamic)},
    {0, "Blood Pressure", "Artifact:", EDITOR_MEMBER(cbBPArtifact)},
    {0, "Respiration", "Rate:", EDITOR_MEMBER(cbRespRate)},
    {0, "Respiration", "Apnea:", EDITOR_MEMBER(cbRespApnea)},
    {0, "Respiration", "Delta:", EDITOR_MEMBER(cbRespDelta)},
    {0, "Respiration", "Waveform:", EDITOR_MEMBER(cbRespIERatio)},
    {1, "Arrhythmia", "Arrhythmia:", EDITOR_MEMBER(cbArrhythmia)},
    {2, "Fetal/IUP", "Fetal ECG Base Rate:", EDITOR_MEMBER(cbFetalRate)},
    {2, "Fetal/IUP", "Fetal ECG Amplitude:", EDITOR_MEMBER(cbFetalAmp)},
    {2, "Fetal/IUP", "ECG Rate Variation:", EDITOR_MEMBER(cbFetalWaveform)},
    {2, "Fetal/IUP", "Intrauterine Pressure:", EDITOR_MEMBER(cbFetalPressure)},
    {3, "Pacer", "Waveform:", EDITOR_MEMBER(cbPacerWaveform)},
    {3, "Pacer", "Pulse Polarity:", EDITOR_MEMBER(cbPacerPolarity)},
    {3, "Pacer", "Pulse Amplitude:", EDITOR_MEMBER(cbPacerAmp)},
    {3, "Pacer", "Pulse Width:", EDITOR_MEMBER(cbPacerWidth)},
    {4, "Performance", "Square/Triangle:", EDITOR_MEMBER(cbPerfPulse)},
    {4, "Performance", "Sine Wave:", EDITOR_MEMBER(cbPerfSine)},
    {4, "Performance", "Haver-triangle:", EDITOR_MEMBER(cbPerfWidth)},
    {4, "Performance", "Signal Amplitude:", EDITOR_MEMBER(cbPerfAmp)},
};

#undef EDITOR_MEMBER

constexpr const char* kTempCOTab = "Temperature And CO";

// The layout was drawn for 8-point Tahoma at 521 by 599; a larger desktop font
// makes the dialog grow with it.
constexpr int kDesignWidth = 521;
constexpr int kDesignHeight = 599;

// The combos and the composition exchange codes, and nothing else: the rules
// are the composer's.
void TakeCode(AutoSelectComposer& composer, const KeyComboBox* list) {
  composer.SetCode(list->category(), list->keyCode());
}

void ShowCode(KeyComboBox* list, const AutoSelectComposer& composer) {
  list->setCurrentIndex(list->category().ItemForCode(composer.Code(list->category())));
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
                                     Services& services)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      workEntry(entry),
      targetEntry(entry),
      services_(services) {
  setObjectName("AutoSelectEditor");
  setWindowTitle("Auto Editor - Auto No. " + QString::number(autoNumber));
  setFont(KoraUiFont());

  auto* column = new QVBoxLayout(this);
  buildHeader(*column);
  buildTypePages(*column);
  buildButtons(*column);
  connectControls();
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

void TAutoSelectEditor::buildHeader(QVBoxLayout& column) {
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
  for (const TypeRow& type : kTypes) cbType->addItem(type.caption);
  top->addRow(lblName, txtName);
  top->addRow(lblType, cbType);
  column.addLayout(top);
}

void TAutoSelectEditor::buildTypePages(QVBoxLayout& column) {
  PageControlType = new QTabWidget(this);
  PageControlType->setObjectName("PageControlType");
  for (const TypeRow& type : kTypes) {
    auto* page = new QWidget(PageControlType);
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    auto* tabs = new QTabWidget(page);
    tabs->setObjectName(type.tabsName);
    pageLayout->addWidget(tabs);
    innerTabs_.push_back(tabs);
    PageControlType->addTab(page, type.caption);
  }
  column.addWidget(PageControlType, 1);

  // A type's inner tabs come in the order of their first lists, then the
  // temperature / cardiac-output frame's.
  QFormLayout* form = nullptr;
  const ListRow* previous = nullptr;
  for (const ListRow& row : kLists) {
    QTabWidget* tabs = innerTabs_[static_cast<std::size_t>(row.type)];
    if (previous == nullptr || row.type != previous->type ||
        std::string_view(row.tab) != previous->tab) {
      form = AddInnerTab(tabs, row.tab);
    }
    this->*row.member = AddList(form, row.label, row.name);
    previous = &row;
  }
  for (int type = 0; type < TypeCount; ++type) {
    QTabWidget* tabs = innerTabs_[static_cast<std::size_t>(type)];
    auto* frame = new TTempCOOptions(tabs);
    frame->setObjectName(kTypes[type].frameName);
    tabs->addTab(frame, kTempCOTab);
    this->*kTypes[type].frame = frame;
  }
}

void TAutoSelectEditor::buildButtons(QVBoxLayout& column) {
  MakeOkCancelButtons(*this, btnOK, btnCancel);
  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  bottom->addWidget(btnOK);
  bottom->addWidget(btnCancel);
  column.addLayout(bottom);
}

void TAutoSelectEditor::connectControls() {
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
  std::vector<KeyComboBox*> lists;
  for (const ListRow& row : kLists) {
    if (row.type == type) lists.push_back(this->*row.member);
  }
  return lists;
}

TTempCOOptions* TAutoSelectEditor::tempCOFrame(int type) const {
  return type >= 0 && type < TypeCount ? this->*kTypes[type].frame : nullptr;
}

QTabWidget* TAutoSelectEditor::innerTabs(int type) const {
  return type >= 0 && type < TypeCount ? innerTabs_[static_cast<std::size_t>(type)] : nullptr;
}

void TAutoSelectEditor::fillCombos() {
  cbType->setCurrentIndex(0);
  for (const ListRow& row : kLists) (this->*row.member)->fillCombo();
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
  const AutoSelectComposer composer = AutoSelectComposer::FromEntry(workEntry);
  selectType(composer.Type());
  for (const ListRow& row : kLists) ShowCode(this->*row.member, composer);
  // The temperature / cardiac-output codes show on every type's frame.
  for (int type = 0; type < TypeCount; ++type) showTempCO(type, composer);
}

AutoSelectComposer TAutoSelectEditor::composition(int type) const {
  AutoSelectComposer composer(type);
  for (const ListRow& row : kLists) TakeCode(composer, this->*row.member);
  if (const TTempCOOptions* frame = tempCOFrame(type)) {
    for (const KeyComboBox* list : frame->lists()) TakeCode(composer, list);
  }
  return composer;
}

void TAutoSelectEditor::showTempCO(int type, const AutoSelectComposer& composer) {
  for (KeyComboBox* list : tempCOFrame(type)->lists()) ShowCode(list, composer);
}

int TAutoSelectEditor::addTabKeys(std::string_view tab, TAutoSelect& entry) const {
  std::vector<const KeyCategory*> lists;
  for (const ListRow& row : kLists) {
    if (row.tab == tab) lists.push_back(&(this->*row.member)->category());
  }
  return composition(autoType).AddKeys(entry, lists);
}

int TAutoSelectEditor::addECGKeys(TAutoSelect& entry) const { return addTabKeys("ECG", entry); }

int TAutoSelectEditor::addBPKeys(TAutoSelect& entry) const {
  return addTabKeys("Blood Pressure", entry);
}

int TAutoSelectEditor::addRespKeys(TAutoSelect& entry) const {
  return addTabKeys("Respiration", entry);
}

int TAutoSelectEditor::addArrhythmiaKeys(TAutoSelect& entry) const {
  return addTabKeys("Arrhythmia", entry);
}

int TAutoSelectEditor::addFetalKeys(TAutoSelect& entry) const {
  return addTabKeys("Fetal/IUP", entry);
}

int TAutoSelectEditor::addPacerKeys(TAutoSelect& entry) const { return addTabKeys("Pacer", entry); }

int TAutoSelectEditor::addPerfKeys(TAutoSelect& entry) const {
  return addTabKeys("Performance", entry);
}

int TAutoSelectEditor::collectType(int type, TAutoSelect& entry) const {
  if (tempCOFrame(type) == nullptr) return -1;
  return composition(type).ToEntry(entry);
}

int TAutoSelectEditor::countCommands(int type) const {
  return composition(type).CommandCount(type);
}

void TAutoSelectEditor::carryTempCO(int type) {
  if (tempCOFrame(type) == nullptr) return;
  AutoSelectComposer composer = composition(autoType);
  composer.CarryTempCO(type);
  // Only the new type's frame holds the choices; the other four are cleared.
  const AutoSelectComposer nothing;
  for (int t = 0; t < TypeCount; ++t) showTempCO(t, t == type ? composer : nothing);
}

void TAutoSelectEditor::storeEntry() {
  TAutoSelect scratch;
  scratch.SetName(nameText_.Bytes());
  if (collectType(cbType->currentIndex(), scratch) == 0) targetEntry = scratch;
}

void TAutoSelectEditor::cbSelectionChange(QComboBox* sender) {
  if (countCommands(autoType) != -1) return;
  services_.messages.ShowMessage("Auto Selection has exceeded " +
                                     std::to_string(MaxAutoSelectKeys) +
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
