// "Auto Editor": the modal dialog in which the user composes one auto
// selection by type of simulation - a name, a type, and the type's labelled
// value lists - without ever seeing a key code.
//
// How the auto-selection page uses it, for auto selection number n (1..10):
//
//   TAutoSelectEditor editor(this, list[n - 1], n, services);
//   editor.exec();       // Accepted after OK, Rejected after Cancel, Esc or the close box
//   ...redraw the grid row...
//
// Enter presses the button that has the focus, or OK when no button has it
// (in the name field or a list); Esc and the close box are Cancel.
//
// The dialog works on its own copy of the entry. Only OK writes to it, and
// only when the chosen type's lists give at most ten codes (otherwise OK
// closes without writing, as the limit can only be passed through a type
// change). The "Too many commands" message goes through the services.
//
// The rules - the last code chooses the type, the ten-command limit, the
// temperature / cardiac-output choices travelling with the type - are
// AutoSelectComposer's; the dialog copies codes between it and its lists.
#pragma once

#include <QDialog>
#include <string_view>
#include <vector>

#include "autoselect/autonametext.h"
#include "autoselect/autoselectcomposer.h"
#include "autoselect/tautoselect.h"

class AutoNameValidator;
class KeyComboBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QVBoxLayout;
class TTempCOOptions;
struct Services;

class TAutoSelectEditor : public QDialog {
  Q_OBJECT

 public:
  // Multiparameter, Arrhythmia, Fetal, Paced ECG, ECG Performance
  static constexpr int TypeCount = AutoSelectComposer::TypeCount;

  // entry: the page's element for auto selection autoNumber; it must outlive
  // the dialog and is not owned. parent places the dialog (centred over it).
  // services shows the "Too many commands" message; not owned, must outlive
  // the dialog.
  TAutoSelectEditor(QWidget* parent, TAutoSelect& entry, int autoNumber, Services& services);
  ~TAutoSelectEditor() override;

  // Empties and refills the 31 value lists, each at "NO SELECTION", and
  // selects type 0 in cbType.
  void fillCombos();
  // Shows the dialog's copy of the entry: the name, then each code in the list
  // that offers it; the last code that belongs to a type chooses the type.
  // Codes no list offers are not shown (and so are dropped by OK).
  void loadEntry();
  // Number of codes the lists of type (0..4) give, its frame's included, or
  // -1 when they give more than ten.
  int countCommands(int type) const;
  // Moves the temperature / cardiac-output choices from the current type's
  // frame to the frame of type; the other frames end cleared.
  void carryTempCO(int type);
  // Builds an entry from the name and the current type's lists and writes it
  // to the caller's entry, unless the lists give more than ten codes.
  void storeEntry();

  // The collectors: append the codes of one inner tab's set lists to entry in
  // the lists' order. Return 0, or -1 as soon as entry refuses a code (it
  // already holds ten); the codes appended before stay.
  int addECGKeys(TAutoSelect& entry) const;
  int addBPKeys(TAutoSelect& entry) const;
  int addRespKeys(TAutoSelect& entry) const;
  int addArrhythmiaKeys(TAutoSelect& entry) const;
  int addFetalKeys(TAutoSelect& entry) const;
  int addPacerKeys(TAutoSelect& entry) const;
  int addPerfKeys(TAutoSelect& entry) const;

  // The user chose an item in sender, a value list: past ten commands the
  // message is shown and sender goes back to "NO SELECTION".
  void cbSelectionChange(QComboBox* sender);
  // The user chose a type in cbType: its page shows and the temperature /
  // cardiac-output choices move to its frame.
  void cbTypeChange();
  void btnOKClick();      // storeEntry, then close (Accepted)
  void btnCancelClick();  // close (Rejected); the entry is untouched

  // The type whose page shows, 0..4.
  int currentAutoType() const { return autoType; }
  // The temperature / cardiac-output frame of type 0..4.
  TTempCOOptions* tempCOFrame(int type) const;
  // The inner tab control of type 0..4's page.
  QTabWidget* innerTabs(int type) const;
  // The value lists of type 0..4 in the order they give codes, without the frame's.
  std::vector<KeyComboBox*> valueLists(int type) const;

  QLabel* lblName = nullptr;
  QLineEdit* txtName = nullptr;
  QLabel* lblType = nullptr;
  QComboBox* cbType = nullptr;
  QTabWidget* PageControlType = nullptr;
  QPushButton* btnOK = nullptr;
  QPushButton* btnCancel = nullptr;

  // Type 0: ECG
  KeyComboBox* cbECGRate = nullptr;
  KeyComboBox* cbECGAmp = nullptr;
  KeyComboBox* cbECGImpedance = nullptr;
  KeyComboBox* cbECGSTDepression = nullptr;
  KeyComboBox* cbECGAxis = nullptr;
  KeyComboBox* cbECGNeonatal = nullptr;
  KeyComboBox* cbECGArtifact = nullptr;
  // Type 0: Blood Pressure
  KeyComboBox* cbBPSens = nullptr;
  KeyComboBox* cbBPStatic = nullptr;
  KeyComboBox* cbBP1Dynamic = nullptr;
  KeyComboBox* cbBP2Dynamic = nullptr;
  KeyComboBox* cbBP3Dynamic = nullptr;
  KeyComboBox* cbBP4Dynamic = nullptr;
  KeyComboBox* cbBPArtifact = nullptr;
  // Type 0: Respiration
  KeyComboBox* cbRespRate = nullptr;
  KeyComboBox* cbRespApnea = nullptr;
  KeyComboBox* cbRespDelta = nullptr;
  KeyComboBox* cbRespIERatio = nullptr;
  // Type 1
  KeyComboBox* cbArrhythmia = nullptr;
  // Type 2
  KeyComboBox* cbFetalRate = nullptr;
  KeyComboBox* cbFetalAmp = nullptr;
  KeyComboBox* cbFetalWaveform = nullptr;
  KeyComboBox* cbFetalPressure = nullptr;
  // Type 3
  KeyComboBox* cbPacerWaveform = nullptr;
  KeyComboBox* cbPacerPolarity = nullptr;
  KeyComboBox* cbPacerAmp = nullptr;
  KeyComboBox* cbPacerWidth = nullptr;
  // Type 4
  KeyComboBox* cbPerfPulse = nullptr;
  KeyComboBox* cbPerfSine = nullptr;
  KeyComboBox* cbPerfWidth = nullptr;
  KeyComboBox* cbPerfAmp = nullptr;

  TTempCOOptions* ECGTempCOOptions = nullptr;
  TTempCOOptions* ArrTempCOOptions = nullptr;
  TTempCOOptions* FetalTempCOOptions = nullptr;
  TTempCOOptions* PacerTempCOOptions = nullptr;
  TTempCOOptions* PerfTempCOOptions = nullptr;

 private:
  // The dialog's parts, top to bottom, and what their signals run.
  void buildHeader(QVBoxLayout& column);
  void buildTypePages(QVBoxLayout& column);
  void buildButtons(QVBoxLayout& column);
  void connectControls();
  // Shows type's page without carrying or counting anything.
  void selectType(int type);
  // Appends the codes type's lists give, its frame's included, in their order;
  // 0, or -1 at the first refusal (and for a type outside 0..4).
  int collectType(int type, TAutoSelect& entry) const;
  // The codes every value list shows, with type (0..4) current and its
  // frame's codes as the temperature / cardiac-output codes.
  AutoSelectComposer composition(int type) const;
  // Shows the composition's temperature / cardiac-output codes on type's frame.
  void showTempCO(int type, const AutoSelectComposer& composer);
  // The collector of the inner tab captioned tab.
  int addTabKeys(std::string_view tab, TAutoSelect& entry) const;

  TAutoSelect workEntry;
  TAutoSelect& targetEntry;
  AutoNameText nameText_;  // txtName's text and the name bytes behind it
  AutoNameValidator* nameValidator_ = nullptr;
  int autoType = 0;
  Services& services_;
  std::vector<QTabWidget*> innerTabs_;
};
