#include "autoselect/autoselecteditorform.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <array>
#include <set>

#include "autoselect/autonametext.h"
#include "autoselect/autoselectcomposer.h"
#include "autoselect/keycombobox.h"
#include "autoselect/tempcoframe.h"
#include "support/autoselectentry.h"
#include "support/testservices.h"

namespace {

QString Padded(const QString& text) { return text.leftJustified(25, ' '); }

const RecordedMessage kTooMany{
    "Auto Selection has exceeded 10 commands. Remove a command before selecting another.",
    "Too many commands", MessageIcon::Exclamation};

class AutoSelectEditorTest : public ::testing::Test {
 protected:
  // Picks item of list the way a user does: keyboard steps from the top, each
  // of which is a user's choice.
  static void Choose(QComboBox* list, int item) {
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Home);
    for (int i = 0; i < item; ++i) QTest::keyClick(list, Qt::Key_Down);
  }
  // Types text one character at a time, the way a keyboard layout with these
  // characters would (QTest::keyClicks takes ASCII only).
  static void Type(QWidget* widget, const QString& text) {
    for (const QChar ch : text) {
      QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
      QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(ch));
      QCoreApplication::sendEvent(widget, &press);
      QCoreApplication::sendEvent(widget, &release);
    }
  }
  static void ChooseType(TAutoSelectEditor& editor, int type) { Choose(editor.cbType, type); }

  std::vector<QComboBox*> AllLists(const TAutoSelectEditor& editor) {
    std::vector<QComboBox*> lists;
    for (int type = 0; type < TAutoSelectEditor::TypeCount; ++type) {
      for (KeyComboBox* l : editor.valueLists(type)) lists.push_back(l);
      for (KeyComboBox* l : editor.tempCOFrame(type)->lists()) lists.push_back(l);
    }
    return lists;
  }

  TestServices fakes;
  RecordingMessageSink& sink = fakes.messages;
};

TEST_F(AutoSelectEditorTest, AnEmptyEntryOpensOnType0WithNothingChosenAndOKStoresItEmpty) {
  TAutoSelect entry = Entry("", {});
  TAutoSelectEditor editor(nullptr, entry, 3, fakes.services);
  EXPECT_EQ(editor.windowTitle(), "Auto Editor - Auto No. 3");
  EXPECT_EQ(editor.txtName->text(), "");
  EXPECT_EQ(editor.cbType->currentText(), "Multiparameter Simulation");
  EXPECT_EQ(editor.PageControlType->currentIndex(), 0);
  EXPECT_EQ(editor.currentAutoType(), 0);
  const std::vector<QComboBox*> lists = AllLists(editor);
  EXPECT_EQ(lists.size(), 61u);  // 31 value lists and 6 in each of 5 frames
  for (QComboBox* list : lists)
    EXPECT_EQ(list->currentText(), "NO SELECTION") << list->objectName().toStdString();

  editor.show();
  QTest::mouseClick(editor.btnOK, Qt::LeftButton);
  EXPECT_EQ(editor.result(), QDialog::Accepted);
  EXPECT_FALSE(editor.isVisible());
  EXPECT_EQ(entry, TAutoSelect());
  EXPECT_TRUE(sink.messages.empty());
}

TEST_F(AutoSelectEditorTest, TheTypesPagesAndListsAreLaidOutAsTheTableSays) {
  TAutoSelect entry;
  TAutoSelectEditor editor(nullptr, entry, 1, fakes.services);
  ASSERT_EQ(editor.cbType->count(), 5);
  EXPECT_EQ(editor.cbType->itemText(4), "ECG Performance Test");
  EXPECT_FALSE(editor.cbType->isEditable());
  EXPECT_FALSE(editor.PageControlType->tabBar()->isVisibleTo(&editor));
  EXPECT_EQ(editor.PageControlType->count(), 5);
  const QStringList tabs[] = {{"ECG", "Blood Pressure", "Respiration", "Temperature And CO"},
                              {"Arrhythmia", "Temperature And CO"},
                              {"Fetal/IUP", "Temperature And CO"},
                              {"Pacer", "Temperature And CO"},
                              {"Performance", "Temperature And CO"}};
  for (int type = 0; type < 5; ++type) {
    QTabWidget* inner = editor.innerTabs(type);
    ASSERT_EQ(inner->count(), tabs[type].size());
    for (int i = 0; i < inner->count(); ++i) EXPECT_EQ(inner->tabText(i), tabs[type][i]);
    EXPECT_EQ(inner->currentIndex(), 0);
    EXPECT_EQ(inner->widget(inner->count() - 1), editor.tempCOFrame(type));
  }
  const std::vector<KeyComboBox*> type0 = editor.valueLists(0);
  ASSERT_EQ(type0.size(), 18u);
  EXPECT_EQ(type0.front()->category().firstCode, 10);
  EXPECT_EQ(type0.back()->category().firstCode, 451);
  EXPECT_EQ(editor.cbBP3Dynamic->count(), 12);
  EXPECT_EQ(editor.cbBP3Dynamic->itemText(1), Padded("Arterial 120/80"));
  EXPECT_EQ(editor.cbBPSens->itemText(1), Padded(QString::fromUtf8("5µV/V per mmHg")));
  EXPECT_EQ(editor.cbArrhythmia->count(), 77);
  EXPECT_EQ(editor.cbPerfAmp->count(), 31);
  // Each list's label, as the technician reads it.
  auto labelOf = [](QWidget* list) {
    for (QLabel* label : list->parentWidget()->findChildren<QLabel*>()) {
      if (label->buddy() == list) return label->text();
    }
    return QString();
  };
  EXPECT_EQ(labelOf(editor.cbRespIERatio), "Waveform:");
  EXPECT_EQ(labelOf(editor.cbPerfWidth), "Haver-triangle:");
  EXPECT_EQ(labelOf(editor.cbFetalPressure), "Intrauterine Pressure:");
}

TEST_F(AutoSelectEditorTest, EachTypesListsAreTheComposersInTheSameOrder) {
  TAutoSelect entry;
  TAutoSelectEditor editor(nullptr, entry, 1, fakes.services);
  std::set<const KeyComboBox*> seen;
  for (int type = 0; type < TAutoSelectEditor::TypeCount; ++type) {
    const std::vector<KeyComboBox*> lists = editor.valueLists(type);
    const std::vector<const KeyCategory*> rules = AutoSelectComposer::ListsOf(type);
    ASSERT_EQ(lists.size(), rules.size()) << type;
    for (std::size_t i = 0; i < lists.size(); ++i) {
      EXPECT_EQ(&lists[i]->category(), rules[i]) << type << " " << i;
      EXPECT_EQ(lists[i]->objectName().toStdString(), rules[i]->comboName);
      EXPECT_TRUE(editor.innerTabs(type)->isAncestorOf(lists[i])) << rules[i]->comboName;
      seen.insert(lists[i]);
    }
    const std::array<KeyComboBox*, 6> frame = editor.tempCOFrame(type)->lists();
    const std::vector<const KeyCategory*> tempCO = AutoSelectComposer::TempCOLists();
    ASSERT_EQ(tempCO.size(), frame.size());
    for (std::size_t i = 0; i < frame.size(); ++i) EXPECT_EQ(&frame[i]->category(), tempCO[i]);
  }
  EXPECT_EQ(seen.size(), 31u);
}

TEST_F(AutoSelectEditorTest, EachCollectorGivesTheListsOfItsTabInOrder) {
  TAutoSelect entry;
  TAutoSelectEditor editor(nullptr, entry, 1, fakes.services);
  for (int type = 0; type < TAutoSelectEditor::TypeCount; ++type) {
    for (KeyComboBox* list : editor.valueLists(type)) list->setCurrentIndex(1);
    for (KeyComboBox* list : editor.tempCOFrame(type)->lists()) list->setCurrentIndex(1);
  }
  using Collector = int (TAutoSelectEditor::*)(TAutoSelect&) const;
  struct Case {
    Collector collector;
    int type;
    QString tab;
    std::vector<int> codes;
  };
  const Case cases[] = {
      {&TAutoSelectEditor::addECGKeys, 0, "ECG", {10, 26, 40, 44, 61, 65, 143}},
      {&TAutoSelectEditor::addBPKeys, 0, "Blood Pressure", {152, 161, 179, 191, 203, 215, 226}},
      {&TAutoSelectEditor::addRespKeys, 0, "Respiration", {425, 435, 440, 451}},
      {&TAutoSelectEditor::addArrhythmiaKeys, 1, "Arrhythmia", {67}},
      {&TAutoSelectEditor::addFetalKeys, 2, "Fetal/IUP", {290, 300, 309, 313}},
      {&TAutoSelectEditor::addPacerKeys, 3, "Pacer", {322, 341, 343, 358}},
      {&TAutoSelectEditor::addPerfKeys, 4, "Performance", {365, 370, 380, 393}},
  };
  for (const Case& c : cases) {
    TAutoSelect collected;
    EXPECT_EQ((editor.*c.collector)(collected), 0) << c.tab.toStdString();
    EXPECT_EQ(Codes(collected), c.codes) << c.tab.toStdString();
    // Each of those lists stands on the tab of that caption.
    QTabWidget* inner = editor.innerTabs(c.type);
    for (KeyComboBox* list : editor.valueLists(c.type)) {
      if (std::find(c.codes.begin(), c.codes.end(), list->keyCode()) == c.codes.end()) continue;
      const int tab = inner->indexOf(list->parentWidget());
      EXPECT_EQ(inner->tabText(tab), c.tab) << list->objectName().toStdString();
    }
  }
  // A collector stops at the entry's tenth code, keeping what went in before.
  TAutoSelect full = Entry("", {1, 2, 3, 4, 5, 6, 7, 8});
  EXPECT_EQ(editor.addBPKeys(full), -1);
  EXPECT_EQ(Codes(full), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 152, 161}));
}

TEST_F(AutoSelectEditorTest, Codes13And232ShowOnType0AndInAllFiveFrames) {
  TAutoSelect entry = Entry("AUTO", {13, 232});
  TAutoSelectEditor editor(nullptr, entry, 1, fakes.services);
  EXPECT_EQ(editor.txtName->text(), "AUTO");
  EXPECT_EQ(editor.currentAutoType(), 0);
  EXPECT_EQ(editor.cbECGRate->currentText(), Padded("80 BPM"));
  for (int type = 0; type < 5; ++type) {
    EXPECT_EQ(editor.tempCOFrame(type)->cbTemp->currentText(), Padded(QString::fromUtf8("37º C")));
  }
}

TEST_F(AutoSelectEditorTest, OKWritesTheCodesInTheOrderOfTheLists) {
  TAutoSelect entry = Entry("ORDER", {232, 13});
  TAutoSelectEditor editor(nullptr, entry, 1, fakes.services);
  editor.btnOKClick();
  EXPECT_EQ(entry, Entry("ORDER", {13, 232}));
}

TEST_F(AutoSelectEditorTest, TheLastTypedCodeChoosesTheTypeAndOKKeepsOnlyThatTypesCodes) {
  TAutoSelect entry = Entry("FETAL", {80, 300, 272});
  TAutoSelectEditor editor(nullptr, entry, 1, fakes.services);
  EXPECT_EQ(editor.cbType->currentText(), "Fetal Simulation");
  EXPECT_EQ(editor.PageControlType->currentIndex(), 2);
  EXPECT_EQ(editor.cbArrhythmia->currentText(), Padded("PVC1 RonT LVF*"));
  EXPECT_EQ(editor.cbFetalAmp->currentText(), Padded("0.1 mV"));
  editor.btnOKClick();
  EXPECT_EQ(entry, Entry("FETAL", {300, 272}));
}

TEST_F(AutoSelectEditorTest, CodesNoListOffersAreDroppedByOK) {
  TAutoSelect entry = Entry("X", {2, 64, 480});
  TAutoSelectEditor editor(nullptr, entry, 1, fakes.services);
  EXPECT_EQ(editor.currentAutoType(), 0);      // 64 lies within type 0's bounds
  EXPECT_EQ(entry, Entry("X", {2, 64, 480}));  // nothing written before OK
  editor.btnOKClick();
  EXPECT_EQ(entry, Entry("X", {}));
}

TEST_F(AutoSelectEditorTest, Codes290Then64OpenType0AndStoreNothing) {
  TAutoSelect entry = Entry("", {290, 64});
  TAutoSelectEditor editor(nullptr, entry, 1, fakes.services);
  EXPECT_EQ(editor.currentAutoType(), 0);
  EXPECT_EQ(editor.PageControlType->currentIndex(), 0);
  EXPECT_EQ(editor.cbFetalRate->currentText(), Padded("60 BPM"));
  for (KeyComboBox* list : editor.valueLists(0)) EXPECT_EQ(list->currentIndex(), 0);
  editor.btnOKClick();
  EXPECT_EQ(entry, TAutoSelect());
}

TEST_F(AutoSelectEditorTest, TheEleventhListBringsTheMessageAndGoesBack) {
  TAutoSelect entry;
  TAutoSelectEditor editor(nullptr, entry, 1, fakes.services);
  editor.show();
  const std::vector<KeyComboBox*> lists = editor.valueLists(0);
  for (int i = 0; i < 10; ++i) Choose(lists[static_cast<std::size_t>(i)], 1);
  EXPECT_TRUE(sink.messages.empty());
  EXPECT_EQ(editor.countCommands(0), 10);

  Choose(lists[3], 3);  // changing a list already set keeps ten
  EXPECT_TRUE(sink.messages.empty());
  EXPECT_EQ(lists[3]->currentIndex(), 3);

  editor.cbRespRate->setFocus();
  QTest::keyClick(editor.cbRespRate, Qt::Key_Down);
  EXPECT_EQ(sink.messages, std::vector<RecordedMessage>{kTooMany});
  EXPECT_EQ(editor.cbRespRate->currentIndex(), 0);
  EXPECT_EQ(lists[9]->currentIndex(), 1);  // every other list keeps its choice
  EXPECT_EQ(editor.countCommands(0), 10);

  // A frame list counts against the same limit.
  sink.messages.clear();
  Choose(editor.ECGTempCOOptions->cbCOLM, 1);
  EXPECT_EQ(sink.messages, std::vector<RecordedMessage>{kTooMany});
  EXPECT_EQ(editor.ECGTempCOOptions->cbCOLM->currentIndex(), 0);

  QTest::keyClick(&editor, Qt::Key_Return);
  EXPECT_EQ(editor.result(), QDialog::Accepted);
  ASSERT_EQ(entry.KeyCount(), 10u);
  EXPECT_EQ(entry.KeyAt(0), 10);
  EXPECT_EQ(entry.KeyAt(3), 46);
}

TEST_F(AutoSelectEditorTest, PassingTheLimitThroughATypeChangeMakesOKChangeNothing) {
  TAutoSelect entry = Entry("KEEP", {13});
  TAutoSelectEditor editor(nullptr, entry, 1, fakes.services);
  editor.show();
  const std::vector<KeyComboBox*> lists = editor.valueLists(0);
  for (int i = 0; i < 10; ++i) Choose(lists[static_cast<std::size_t>(i)], 1);
  ChooseType(editor, 1);
  EXPECT_EQ(editor.PageControlType->currentIndex(), 1);
  Choose(editor.ArrTempCOOptions->cbTemp, 2);
  ChooseType(editor, 0);
  EXPECT_TRUE(sink.messages.empty());
  EXPECT_EQ(editor.ECGTempCOOptions->cbTemp->currentIndex(), 2);
  EXPECT_EQ(editor.ArrTempCOOptions->cbTemp->currentIndex(), 0);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(lists[static_cast<std::size_t>(i)]->currentIndex(), 1);
  EXPECT_EQ(editor.countCommands(0), -1);

  QTest::mouseClick(editor.btnOK, Qt::LeftButton);
  EXPECT_EQ(editor.result(), QDialog::Accepted);
  EXPECT_EQ(entry, Entry("KEEP", {13}));
}

TEST_F(AutoSelectEditorTest, FrameChoicesTravelWithTheTypeAndTheOtherListsStay) {
  TAutoSelect entry = Entry("", {13, 231, 276});
  TAutoSelectEditor editor(nullptr, entry, 1, fakes.services);
  editor.show();
  ChooseType(editor, 3);
  EXPECT_EQ(editor.currentAutoType(), 3);
  EXPECT_EQ(editor.PacerTempCOOptions->cbTemp->currentIndex(), 2);
  EXPECT_EQ(editor.PacerTempCOOptions->cbCOLM->currentIndex(), 8);
  for (int type : {0, 1, 2, 4}) {
    EXPECT_EQ(editor.tempCOFrame(type)->cbTemp->currentIndex(), 0) << type;
    EXPECT_EQ(editor.tempCOFrame(type)->cbCOLM->currentIndex(), 0) << type;
  }
  Choose(editor.cbPacerAmp, 2);
  TAutoSelect onType3;
  ASSERT_EQ(editor.addPacerKeys(onType3), 0);
  EXPECT_EQ(Codes(onType3), std::vector<int>{344});

  ChooseType(editor, 0);
  EXPECT_EQ(editor.ECGTempCOOptions->cbTemp->currentIndex(), 2);
  EXPECT_EQ(editor.ECGTempCOOptions->cbCOLM->currentIndex(), 8);
  EXPECT_EQ(editor.PacerTempCOOptions->cbTemp->currentIndex(), 0);
  EXPECT_EQ(editor.cbECGRate->currentIndex(), 4);
  EXPECT_EQ(editor.cbPacerAmp->currentIndex(), 2);  // kept on its page, not counted
  EXPECT_EQ(editor.countCommands(0), 3);
  editor.btnOKClick();
  EXPECT_EQ(entry, Entry("", {13, 231, 276}));
}

TEST_F(AutoSelectEditorTest, AReservedArrhythmiaItemIsACommandOfItsOwn) {
  TAutoSelect entry;
  TAutoSelectEditor editor(nullptr, entry, 1, fakes.services);
  editor.show();
  ChooseType(editor, 1);
  Choose(editor.cbArrhythmia, 21);
  EXPECT_EQ(editor.cbArrhythmia->currentText(), Padded("NO SELECTION"));
  EXPECT_EQ(editor.countCommands(1), 1);
  QTest::mouseClick(editor.btnOK, Qt::LeftButton);
  EXPECT_EQ(Codes(entry), std::vector<int>{87});
}

TEST_F(AutoSelectEditorTest, TheNameIsTypedInUpperCaseUpTo20AnsiCharacters) {
  TAutoSelect entry;
  TAutoSelectEditor editor(nullptr, entry, 1, fakes.services);
  editor.show();
  editor.txtName->setFocus();
  Type(editor.txtName, QString::fromUtf8("ab\u0101cdéÿßµ€"));  // ā has no single byte
  EXPECT_EQ(editor.txtName->text(), QString::fromUtf8("ABCDÉŸßµ€"));
  QTest::keyClicks(editor.txtName, "klmnopqrstuvwxyz");
  EXPECT_EQ(editor.txtName->text().size(), 20);
  editor.btnOKClick();
  EXPECT_EQ(entry.GetName(), "ABCD\xC9\x9F\xDF\xB5\x80KLMNOPQRSTU");
}

TEST_F(AutoSelectEditorTest, ALowerCaseNameFromAFileIsShownAndStoredInUpperCase) {
  TAutoSelect entry = Entry("night \xE9t\xE9", {});
  TAutoSelectEditor editor(nullptr, entry, 1, fakes.services);
  EXPECT_EQ(editor.txtName->text(), QString::fromUtf8("NIGHT ÉTÉ"));
  editor.btnOKClick();
  EXPECT_EQ(entry.GetName(), "NIGHT \xC9T\xC9");
}

// A name from a file that holds bytes with no printable form.
const QString kMark(QChar::ReplacementCharacter);

TEST_F(AutoSelectEditorTest, UnprintableNameBytesShowAsAMarkAndOKKeepsThemAsTheyWere) {
  TAutoSelect entry = Entry(std::string("ab\x01"
                                        "C\x7F\x9D\tz",
                                        8),
                            {13});
  TAutoSelectEditor editor(nullptr, entry, 1, fakes.services);
  EXPECT_EQ(editor.txtName->text(), "AB" + kMark + "C" + kMark + kMark + kMark + "Z");
  editor.show();
  QTest::mouseClick(editor.btnOK, Qt::LeftButton);
  EXPECT_EQ(entry.GetName(), std::string("AB\x01"
                                         "C\x7F\x9D\tZ",
                                         8));  // only the letters changed
  EXPECT_EQ(Codes(entry), std::vector<int>{13});
}

TEST_F(AutoSelectEditorTest, EditingANameKeepsTheUnprintableBytesTheUserLeftAlone) {
  TAutoSelect entry = Entry(
      "A\x01"
      "B\x02\x03",
      {});
  TAutoSelectEditor editor(nullptr, entry, 1, fakes.services);
  editor.show();
  QLineEdit* field = editor.txtName;
  field->setFocus();
  field->end(false);
  QTest::keyClicks(field, "cd");  // A.B..CD
  QTest::keyClick(field, Qt::Key_Left);
  QTest::keyClick(field, Qt::Key_Left);
  QTest::keyClick(field, Qt::Key_Backspace);  // A.B.CD: the \x03 goes
  field->home(false);
  QTest::keyClick(field, Qt::Key_Delete);  // .B.CD
  QTest::keyClick(field, Qt::Key_Right);
  QTest::keyClicks(field, "x");  // .XB.CD
  EXPECT_EQ(field->text(), kMark + "XB" + kMark + "CD");
  editor.btnOKClick();
  EXPECT_EQ(entry.GetName(),
            "\x01XB\x02"
            "CD");
}

TEST_F(AutoSelectEditorTest, OfTwoMarksInARowTheOneDeletedIsTheOneThatGoes) {
  for (const bool backspace : {true, false}) {
    TAutoSelect entry = Entry("\x01\x02", {});
    TAutoSelectEditor editor(nullptr, entry, 1, fakes.services);
    editor.show();
    editor.txtName->setFocus();
    editor.txtName->setCursorPosition(1);
    QTest::keyClick(editor.txtName, backspace ? Qt::Key_Backspace : Qt::Key_Delete);
    editor.btnOKClick();
    EXPECT_EQ(entry.GetName(), backspace ? "\x02" : "\x01") << backspace;
  }
}

TEST_F(AutoSelectEditorTest, UndoBringsADeletedByteBackAndNoMarkCanBeTypedIn) {
  TAutoSelect entry = Entry("A\x05", {});
  TAutoSelectEditor editor(nullptr, entry, 1, fakes.services);
  editor.show();
  QLineEdit* field = editor.txtName;
  field->setFocus();
  field->end(false);
  QTest::keyClick(field, Qt::Key_Backspace);
  EXPECT_EQ(field->text(), "A");
  QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(field->text(), "A" + kMark);
  Type(field, kMark);  // a second mark would stand for no byte: refused
  EXPECT_EQ(field->text(), "A" + kMark);
  editor.btnOKClick();
  EXPECT_EQ(entry.GetName(), "A\x05");

  TAutoSelect plain = Entry("PLAIN", {});
  TAutoSelectEditor other(nullptr, plain, 2, fakes.services);
  other.show();
  other.txtName->setFocus();
  Type(other.txtName, kMark);
  EXPECT_EQ(other.txtName->text(), "PLAIN");
}

TEST(AutoNameText, AMarkCutAndPastedElsewhereTakesItsByteAlong) {
  AutoNameText name(
      "A\x01"
      "B\x02");
  EXPECT_EQ(name.PlaceholderBudget(), 2);
  ASSERT_TRUE(name.Edit("A" + kMark + "B", 3));          // the \x02 is cut
  ASSERT_TRUE(name.Edit(kMark + "A" + kMark + "B", 1));  // and pasted in front
  EXPECT_EQ(name.Bytes(),
            "\x02"
            "A\x01"
            "B");
  ASSERT_TRUE(name.Edit(kMark + "AB", 2));  // the \x01 goes
  EXPECT_EQ(name.Bytes(),
            "\x02"
            "AB");
  // A character without a byte changes nothing.
  EXPECT_FALSE(name.Edit(kMark + "AB" + QChar(0x0101), 4));
  EXPECT_EQ(name.Bytes(),
            "\x02"
            "AB");
  EXPECT_EQ(name.Shown(), kMark + "AB");
}

TEST_F(AutoSelectEditorTest, CancelEscapeAndTheCloseBoxChangeNothing) {
  const TAutoSelect original = Entry("SAME", {13, 232});
  TAutoSelect entry = original;
  {
    TAutoSelectEditor editor(nullptr, entry, 1, fakes.services);
    editor.show();
    Choose(editor.cbECGAmp, 2);
    QTest::mouseClick(editor.btnCancel, Qt::LeftButton);
    EXPECT_EQ(editor.result(), QDialog::Rejected);
  }
  {
    TAutoSelectEditor editor(nullptr, entry, 1, fakes.services);
    editor.show();
    editor.txtName->setFocus();
    QTest::keyClicks(editor.txtName, "x");
    QTest::keyClick(editor.txtName, Qt::Key_Escape);
    EXPECT_FALSE(editor.isVisible());
    EXPECT_EQ(editor.result(), QDialog::Rejected);
  }
  {
    TAutoSelectEditor editor(nullptr, entry, 1, fakes.services);
    editor.show();
    ChooseType(editor, 4);
    editor.close();
    EXPECT_EQ(editor.result(), QDialog::Rejected);
  }
  EXPECT_EQ(entry, original);
}

// Enter as the keyboard delivers it: to the widget that has the focus.
void PressEnter() { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); }

TEST_F(AutoSelectEditorTest, EnterOnAFocusedCancelStoresNothing) {
  const TAutoSelect original = Entry("SAME", {13});
  TAutoSelect entry = original;
  TAutoSelectEditor editor(nullptr, entry, 1, fakes.services);
  editor.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&editor));
  Choose(editor.cbECGAmp, 2);  // the edit the technician thinks better of
  editor.btnOK->setFocus();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  ASSERT_EQ(QApplication::focusWidget(), editor.btnCancel);
  EXPECT_TRUE(editor.btnCancel->isDefault());
  EXPECT_FALSE(editor.btnOK->isDefault());
  PressEnter();
  EXPECT_FALSE(editor.isVisible());
  EXPECT_EQ(editor.result(), QDialog::Rejected);
  EXPECT_EQ(entry, original);
}

TEST_F(AutoSelectEditorTest, EnterInTheNameOrAListPressesOKOnceNoButtonHasTheFocus) {
  TAutoSelect entry = Entry("OLD", {});
  {
    TAutoSelectEditor editor(nullptr, entry, 1, fakes.services);
    editor.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&editor));
    editor.btnCancel->setFocus();  // Cancel was the default while it had the focus
    editor.txtName->setFocus();
    EXPECT_TRUE(editor.btnOK->isDefault());
    EXPECT_FALSE(editor.btnCancel->isDefault());
    editor.txtName->selectAll();
    QTest::keyClicks(editor.txtName, "new");
    PressEnter();
    EXPECT_EQ(editor.result(), QDialog::Accepted);
  }
  EXPECT_EQ(entry, Entry("NEW", {}));
  {
    TAutoSelectEditor editor(nullptr, entry, 1, fakes.services);
    editor.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&editor));
    Choose(editor.cbECGRate, 4);
    ASSERT_EQ(QApplication::focusWidget(), editor.cbECGRate);
    PressEnter();
    EXPECT_EQ(editor.result(), QDialog::Accepted);
  }
  EXPECT_EQ(entry, Entry("NEW", {13}));
}

TEST_F(AutoSelectEditorTest, TheFullModalRoadThroughExec) {
  TAutoSelect entry;
  TAutoSelectEditor editor(nullptr, entry, 7, fakes.services);
  QTimer::singleShot(0, &editor, [&] {
    editor.txtName->setFocus();
    QTest::keyClicks(editor.txtName, "paced");
    ChooseType(editor, 3);
    Choose(editor.cbPacerWaveform, 1);
    Choose(editor.PacerTempCOOptions->cbTemp, 3);
    QTest::keyClick(editor.txtName, Qt::Key_Return);
  });
  EXPECT_EQ(editor.exec(), QDialog::Accepted);
  EXPECT_EQ(entry, Entry("PACED", {322, 232}));
}

}  // namespace
