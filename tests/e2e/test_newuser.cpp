// A new user's first hour, end to end: the real main window on the offscreen
// platform, the real editors driven by clicks and keys, both uploads through
// the real serial port into the virtual KORA-1, and a restart on the same
// configuration folder. The auto-selection upload is 300 protocol steps and
// takes about 35 seconds; it runs once here.
#include <gtest/gtest.h>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include <filesystem>

#include "app/korapc.h"
#include "autoselect/autoselecteditorform.h"
#include "autoselect/autoselectframe.h"
#include "autoselect/keycombobox.h"
#include "autoselect/tempcoframe.h"
#include "common/settingsfile.h"
#include "common/systemclock.h"
#include "device/commportfactory.h"
#include "grid/esstringgrid.h"
#include "history/unkepthistorystore.h"
#include "machine/koraglobals.h"
#include "poweron/poeditorform.h"
#include "poweron/poframe.h"
#include "services/services.h"
#include "support/e2esupport.h"
#include "support/recordingmessagesink.h"
#include "support/scriptedfilepicker.h"
#include "support/tempdir.h"
#include "support/virtualkorahost.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

const std::string kPowerCycle =
    "Switch KORA-1 power OFF, then switch\nback ON for settings to take effect.";

// The grid shows value texts padded with blanks to 27 characters.
QString Padded(const char* text) { return QString::fromUtf8(text).leftJustified(27, ' '); }

// The program's own waits and serial ports, with the messages recorded
// instead of shown.
struct RealTimeServices {
  RecordingMessageSink messages;
  SystemClock clock;
  ScriptedFilePicker files;
  CommPortFactory ports;
  UnkeptHistoryStore history;
  Services services{messages, clock, files, ports, history};
};

// The window a user sees.
std::unique_ptr<TKORAPCForm> OpenWindow(const std::string& link, Services& services) {
  auto form = std::make_unique<TKORAPCForm>(services, nullptr, e2e::TwoPorts(link));
  form->show();
  QCoreApplication::processEvents();
  return form;
}

void CloseWindow(std::unique_ptr<TKORAPCForm>& form) {
  form->close();
  form.reset();
}

TEST(NewUser, EditsUploadsClosesAndFindsEverythingAsLeft) {
  ScopedConfigHome home;
  // A true first run: no korapc.ini before the start, so the link runs at
  // the default pace and grace.
  ASSERT_FALSE(std::filesystem::exists(GetSettingsFilePath()));
  VirtualKoraHost kora;
  const std::string link = kora.LinkPath();
  RealTimeServices real;
  RecordingMessageSink& sink = real.messages;
  ChosenComPort.clear();

  auto form = OpenWindow(link, real.services);
  TPOMain& power = *form->POMain1;
  TAutoSelectMain& autos = *form->AutoSelectMain1;

  // --- First start: defaults everywhere ---
  EXPECT_EQ(form->windowTitle(), "Quorvel KORApc");
  EXPECT_EQ(form->size(), QSize(540, 600));
  EXPECT_EQ(form->PageControl->currentIndex(), 0);
  EXPECT_EQ(form->cbComPort->currentText(), "/dev/ttyS0");
  const char* defaults[] = {"80 BPM",
                            "1 mV",
                            "Normal (INT)",
                            "1000 Ohms",
                            "Adult R-Wave",
                            "20 BPM",
                            "I/E 1/1",
                            "5 Ohms",
                            "20 mV",
                            "2 msec",
                            "Negative Pulse",
                            "37\u00ba C",
                            "20\u00ba C",
                            "37\u00ba C",
                            "H-P/Philips at 2\u00baC",
                            "5\u00b5V/V per mmHg",
                            "Arterial 120/80",
                            "Arterial 120/80",
                            "Left Ventrical 120/0",
                            "Right Ventrical 25/0"};
  ASSERT_EQ(power.sgPowerOn->RowCount(), 21);
  for (int row = 1; row <= 20; ++row) {
    EXPECT_EQ(power.sgPowerOn->Cells(1, row), e2e::kPowerOnNames[row - 1]);
    EXPECT_EQ(power.sgPowerOn->Cells(2, row), Padded(defaults[row - 1])) << row;
  }
  ASSERT_EQ(autos.sgAutoSelect->RowCount(), 11);
  for (int row = 1; row <= 10; ++row) {
    EXPECT_EQ(autos.sgAutoSelect->Cells(0, row), QString::number(row));
    EXPECT_EQ(autos.sgAutoSelect->Cells(1, row), "");
  }

  // --- Settings: the virtual KORA-1 is the second port ---
  e2e::ClickTab(form->PageControl, 2);
  ASSERT_EQ(form->PageControl->currentIndex(), 2);
  e2e::Choose(form->cbComPort, 1);
  EXPECT_EQ(ChosenComPort, link);

  // --- Power On: "Respiration Rate" from "20 BPM" to "60 BPM" in the editor ---
  e2e::ClickTab(form->PageControl, 0);
  QTest::mouseClick(power.sgPowerOn->viewport(), Qt::LeftButton, {},
                    e2e::CellCentre(*power.sgPowerOn, 1, 6));
  ASSERT_EQ(power.sgPowerOn->Row(), 6);
  QString editorTitle, editorLabel, editorShown;
  auto edited = e2e::AnswerModal<TPOEditor>([&](TPOEditor& editor) {
    editorTitle = editor.windowTitle();
    editorLabel = editor.lblPOOption->text();
    editorShown = editor.cbPOValue->currentText();
    editor.cbPOValue->setFocus();
    for (int i = 0; i < 3; ++i) QTest::keyClick(editor.cbPOValue, Qt::Key_Down);
    QTest::keyClick(editor.cbPOValue, Qt::Key_Return);  // the default button, OK
  });
  QTest::mouseClick(power.tbEdit, Qt::LeftButton);
  ASSERT_TRUE(*edited);
  EXPECT_EQ(editorTitle, "Power On Editor");
  EXPECT_EQ(editorLabel, "Respiration Rate:");
  EXPECT_EQ(editorShown, Padded("20 BPM"));
  EXPECT_EQ(power.sgPowerOn->Cells(2, 6), Padded("60 BPM"));
  const int narrow = power.sgPowerOn->ColWidths(0);
  e2e::DragColumnBorder(*power.sgPowerOn, 0, 25);
  EXPECT_EQ(power.sgPowerOn->ColWidths(0), narrow + 25);

  // --- Auto Selections: auto selection 2 composed in the editor ---
  e2e::ClickTab(form->PageControl, 1);
  const QPoint row2 = e2e::CellCentre(*autos.sgAutoSelect, 1, 2);
  QString autoTitle;
  auto composed = e2e::AnswerModal<TAutoSelectEditor>([&](TAutoSelectEditor& editor) {
    autoTitle = editor.windowTitle();
    editor.txtName->setFocus();
    QTest::keyClicks(editor.txtName, "night shift");
    e2e::Choose(editor.cbECGRate, 4);  // "80 BPM"
    e2e::ClickTab(editor.innerTabs(0), 1);
    e2e::Choose(editor.cbBP1Dynamic, 2);  // "Arterial 90/40"
    e2e::ClickTab(editor.innerTabs(0), 3);
    e2e::Choose(editor.ECGTempCOOptions->cbTemp, 3);  // "37º C"
    QTest::mouseClick(editor.btnOK, Qt::LeftButton);
  });
  QTest::mouseClick(autos.sgAutoSelect->viewport(), Qt::LeftButton, {}, row2);
  QTest::mouseDClick(autos.sgAutoSelect->viewport(), Qt::LeftButton, {}, row2);
  ASSERT_TRUE(*composed);
  EXPECT_EQ(autoTitle, "Auto Editor - Auto No. 2");
  EXPECT_EQ(autos.sgAutoSelect->Cells(1, 2), "NIGHT SHIFT");
  const int autoNarrow = autos.sgAutoSelect->ColWidths(0);
  e2e::DragColumnBorder(*autos.sgAutoSelect, 0, 20);
  EXPECT_EQ(autos.sgAutoSelect->ColWidths(0), autoNarrow + 20);
  EXPECT_TRUE(sink.messages.empty());

  // --- Both uploads, from the buttons ---
  e2e::ClickTab(form->PageControl, 0);
  QTest::mouseClick(power.btnSetPowerOn, Qt::LeftButton);
  EXPECT_TRUE(power.LastUpload().completed);
  e2e::ClickTab(form->PageControl, 1);
  QTest::mouseClick(autos.btnSetAuto, Qt::LeftButton);
  EXPECT_TRUE(autos.LastUpload().completed);
  EXPECT_EQ(autos.LastUpload().stepsDone, 300);
  EXPECT_EQ(sink.messages,
            (std::vector<RecordedMessage>{{kPowerCycle, "Power On Settings", MessageIcon::None},
                                          {kPowerCycle, "Auto Selections", MessageIcon::None}}));
  ASSERT_TRUE(kora.WaitForLog("X: service mode ended"));

  // The instrument's memory, from the layouts: erased (0xFF) everywhere but
  // one byte per power-on option and the ten 40-byte slots at 512.
  Bytes expected(1024, 0xFF);
  std::vector<int> values = e2e::kPowerOnDefaults;
  values[5] = 5;  // "60 BPM"
  for (int option = 0; option < 20; ++option) {
    expected[static_cast<std::size_t>(e2e::kPowerOnAddresses[static_cast<std::size_t>(option)])] =
        static_cast<std::uint8_t>(values[static_cast<std::size_t>(option)]);
  }
  for (std::size_t slot = 0; slot < 10; ++slot) {
    const std::size_t at = 512 + 40 * slot;
    std::fill_n(expected.begin() + static_cast<std::ptrdiff_t>(at), 20, ' ');
    std::fill_n(expected.begin() + static_cast<std::ptrdiff_t>(at + 20), 20, 0);
  }
  const std::string name = "NIGHT SHIFT";
  std::copy(name.begin(), name.end(), expected.begin() + 552);
  const Bytes codes = {13, 0, 180, 0, 232, 0};  // 80 BPM, Arterial 90/40, 37º C
  std::copy(codes.begin(), codes.end(), expected.begin() + 572);
  const Bytes memory = kora.Memory();
  ASSERT_EQ(memory.size(), 1024u);
  for (std::size_t address = 0; address < 1024; ++address) {
    EXPECT_EQ(memory[address], expected[address]) << "address " << address;
  }

  // --- Close, and what reached the disk ---
  const std::vector<QStringList> powerGrid = e2e::GridTexts(*power.sgPowerOn);
  const std::vector<QStringList> autoGrid = e2e::GridTexts(*autos.sgAutoSelect);
  const int powerCol0 = power.sgPowerOn->ColWidths(0);
  const int powerCol1 = power.sgPowerOn->ColWidths(1);
  const int autoCol0 = autos.sgAutoSelect->ColWidths(0);
  CloseWindow(form);

  const std::string powerFile = e2e::PowerOnFile(values);
  std::string aslFile = e2e::AslRecord("", {}) + e2e::AslRecord("NIGHT SHIFT", {13, 180, 232});
  for (int i = 2; i < 10; ++i) aslFile += e2e::AslRecord("", {});
  EXPECT_EQ(TempDir::ReadAll(GetPowerOnFilePath()), powerFile);
  EXPECT_EQ(TempDir::ReadAll(GetAutoSelectFilePath()), aslFile);
  {
    const SettingsFile ini(GetSettingsFilePath());
    EXPECT_EQ(ini.ReadString("KORAPCForm", "COMPORT", ""), link);
    EXPECT_EQ(ini.ReadInteger("KORAPCForm", "ACTIVEPAGE", -1), 1);
    EXPECT_EQ(ini.ReadInteger("sgPowerOn", "COL_0_WIDTH", -1), powerCol0);
    EXPECT_EQ(ini.ReadInteger("sgAutoSelect", "COL_0_WIDTH", -1), autoCol0);
  }
  const std::string iniFile = TempDir::ReadAll(GetSettingsFilePath());

  // --- The next morning: everything as it was left ---
  ChosenComPort.clear();
  form = OpenWindow(link, real.services);
  EXPECT_EQ(form->cbComPort->currentText(), QString::fromStdString(link));
  EXPECT_EQ(ChosenComPort, link);
  EXPECT_EQ(form->PageControl->currentIndex(), 1);
  EXPECT_EQ(form->size(), QSize(540, 600));
  EXPECT_EQ(form->POMain1->sgPowerOn->ColWidths(0), powerCol0);
  EXPECT_EQ(form->POMain1->sgPowerOn->ColWidths(1), powerCol1);
  EXPECT_EQ(form->AutoSelectMain1->sgAutoSelect->ColWidths(0), autoCol0);
  EXPECT_EQ(e2e::GridTexts(*form->POMain1->sgPowerOn), powerGrid);
  EXPECT_EQ(e2e::GridTexts(*form->AutoSelectMain1->sgAutoSelect), autoGrid);
  CloseWindow(form);
  // Nothing changed, so nothing on disk changed either.
  EXPECT_EQ(TempDir::ReadAll(GetPowerOnFilePath()), powerFile);
  EXPECT_EQ(TempDir::ReadAll(GetAutoSelectFilePath()), aslFile);
  EXPECT_EQ(TempDir::ReadAll(GetSettingsFilePath()), iniFile);
  EXPECT_EQ(sink.messages.size(), 2u);
}

}  // namespace
