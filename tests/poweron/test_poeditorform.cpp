#include "poweron/poeditorform.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace {

QString Padded(const char* text) { return QString::fromUtf8(text).leftJustified(27, ' '); }

TPowerOn Defaults() {
  TPowerOn set;
  set.SetDefaults();
  return set;
}

class POEditorTest : public ::testing::Test {
 protected:
  TPowerOn values = Defaults();
};

TEST_F(POEditorTest, OffersTheOptionsOwnPaddedTextsWithTheCurrentOneSelected) {
  TPOEditor editor(values, 5);
  EXPECT_EQ(editor.windowTitle(), "Power On Editor");
  EXPECT_EQ(editor.lblPOOption->text(), "Respiration Rate:");
  ASSERT_EQ(editor.cbPOValue->count(), 9);
  EXPECT_EQ(editor.cbPOValue->itemText(0), Padded("0 BPM"));
  EXPECT_EQ(editor.cbPOValue->itemText(8), Padded("120 BPM"));
  EXPECT_EQ(editor.cbPOValue->currentText(), Padded("20 BPM"));

  TPOEditor bp3(values, 18);  // shares its nine texts with BP1
  ASSERT_EQ(bp3.cbPOValue->count(), 9);
  EXPECT_EQ(bp3.cbPOValue->itemText(0), Padded("Arterial 120/80"));
  EXPECT_EQ(bp3.cbPOValue->currentText(), Padded("Left Ventrical 120/0"));
}

TEST_F(POEditorTest, EnterStoresTheChoiceAndEscapeOrCancelKeepTheValue) {
  for (const auto close : {+[](TPOEditor& e) { QTest::keyClick(&e, Qt::Key_Escape); },
                           +[](TPOEditor& e) { QTest::mouseClick(e.btnCancel, Qt::LeftButton); },
                           +[](TPOEditor& e) { e.close(); }}) {
    TPOEditor editor(values, 5);
    editor.show();
    QTest::keyClick(editor.cbPOValue, Qt::Key_Down);
    close(editor);
    EXPECT_FALSE(editor.isVisible());
  }
  EXPECT_EQ(values, Defaults());

  TPOEditor editor(values, 5);
  editor.show();
  for (int i = 0; i < 3; ++i) QTest::keyClick(editor.cbPOValue, Qt::Key_Down);
  ASSERT_EQ(editor.cbPOValue->currentText(), Padded("60 BPM"));
  EXPECT_EQ(values.GetValue(5), 2);  // nothing written before OK
  QTest::keyClick(editor.cbPOValue, Qt::Key_Return);
  EXPECT_FALSE(editor.isVisible());
  TPowerOn expected = Defaults();
  expected.SetValue(5, 5);
  EXPECT_EQ(values, expected);  // and no other option changed
}

TEST_F(POEditorTest, EnterPressesTheFocusedButtonSoTabToCancelAndEnterKeepsTheValue) {
  TPOEditor editor(values, 5);
  editor.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&editor));
  editor.cbPOValue->setFocus();
  QTest::keyClick(editor.cbPOValue, Qt::Key_Down);
  ASSERT_EQ(editor.cbPOValue->currentText(), Padded("30 BPM"));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  ASSERT_EQ(QApplication::focusWidget(), editor.btnOK);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  ASSERT_EQ(QApplication::focusWidget(), editor.btnCancel);
  EXPECT_TRUE(editor.btnCancel->isDefault());
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
  EXPECT_FALSE(editor.isVisible());
  EXPECT_EQ(editor.result(), QDialog::Rejected);
  EXPECT_EQ(values, Defaults());

  // Back in the list, OK is the default again.
  TPOEditor again(values, 5);
  again.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&again));
  again.btnCancel->setFocus();
  again.cbPOValue->setFocus();
  EXPECT_TRUE(again.btnOK->isDefault());
  QTest::keyClick(again.cbPOValue, Qt::Key_Down);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
  EXPECT_EQ(again.result(), QDialog::Accepted);
  EXPECT_EQ(values.GetValue(5), 3);
}

TEST_F(POEditorTest, AValueOutsideTheListSelectsNothingAndOkKeepsIt) {
  values.SetValue(7, 200);
  {
    TPOEditor editor(values, 7);
    EXPECT_EQ(editor.cbPOValue->currentIndex(), -1);
    editor.show();
    QTest::mouseClick(editor.btnOK, Qt::LeftButton);
  }
  EXPECT_EQ(values.GetValue(7), 200);
  TPOEditor editor(values, 7);
  editor.show();
  editor.cbPOValue->setCurrentIndex(1);
  QTest::mouseClick(editor.btnOK, Qt::LeftButton);
  EXPECT_EQ(values.GetValue(7), 1);
}

TEST_F(POEditorTest, TheLongestTextsFitAndTheDialogIsFixedSize) {
  TPOEditor editor(values, 14);
  editor.show();
  EXPECT_GE(editor.lblPOOption->width(), editor.lblPOOption->sizeHint().width());
  EXPECT_LE(editor.lblPOOption->geometry().right(), editor.cbPOValue->geometry().left());
  EXPECT_LE(editor.cbPOValue->geometry().right(), editor.width());
  EXPECT_LE(editor.btnOK->geometry().right(), editor.btnCancel->geometry().left());
  EXPECT_EQ(editor.minimumSize(), editor.maximumSize());
}

}  // namespace
