#include "poweron/poeditorform.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QString Padded(const char* text) { return QString(text).leftJustified(27, ' '); }

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
  EXPECT_EQ(editor.cbPOValue->currentIndex(), 2);
  EXPECT_EQ(editor.cbPOValue->currentText(), Padded("20 BPM"));
}

TEST_F(POEditorTest, EnterStoresTheChosenValueAndTouchesNoOtherOption) {
  TPOEditor editor(values, 5);
  editor.show();
  editor.cbPOValue->setFocus();
  for (int i = 0; i < 3; ++i) QTest::keyClick(editor.cbPOValue, Qt::Key_Down);
  ASSERT_EQ(editor.cbPOValue->currentText(), Padded("60 BPM"));
  EXPECT_EQ(values.GetValue(5), 2);  // nothing written before OK
  QTest::keyClick(editor.cbPOValue, Qt::Key_Return);
  EXPECT_FALSE(editor.isVisible());
  EXPECT_EQ(editor.result(), QDialog::Accepted);
  TPowerOn expected = Defaults();
  expected.SetValue(5, 5);
  EXPECT_EQ(values, expected);
}

TEST_F(POEditorTest, EscapeCancelAndTheCloseBoxKeepTheValue) {
  {
    TPOEditor editor(values, 5);
    editor.show();
    QTest::keyClick(editor.cbPOValue, Qt::Key_Down);
    QTest::keyClick(&editor, Qt::Key_Escape);
    EXPECT_FALSE(editor.isVisible());
  }
  {
    TPOEditor editor(values, 5);
    editor.show();
    QTest::keyClick(editor.cbPOValue, Qt::Key_Down);
    QTest::mouseClick(editor.btnCancel, Qt::LeftButton);
    EXPECT_FALSE(editor.isVisible());
  }
  {
    TPOEditor editor(values, 5);
    editor.show();
    QTest::keyClick(editor.cbPOValue, Qt::Key_Down);
    editor.close();
  }
  EXPECT_EQ(values, Defaults());
}

TEST_F(POEditorTest, TheFourPressureChannelsShareOneListOfNine) {
  TPOEditor bp1(values, 16);
  TPOEditor bp3(values, 18);
  EXPECT_EQ(bp3.lblPOOption->text(), "BP3 Dynamic:");
  ASSERT_EQ(bp3.cbPOValue->count(), 9);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(bp3.cbPOValue->itemText(i), bp1.cbPOValue->itemText(i));
  EXPECT_EQ(bp3.cbPOValue->currentText(), Padded("Left Ventrical 120/0"));
  EXPECT_EQ(bp1.cbPOValue->currentText(), Padded("Arterial 120/80"));
}

TEST_F(POEditorTest, DegreeAndMicroSignsArriveAsTheirCharacters) {
  TPOEditor temperature(values, 14);
  EXPECT_EQ(temperature.cbPOValue->itemText(0), Padded("H-P/Philips at 2\u00BAC"));
  TPOEditor sensitivity(values, 15);
  EXPECT_EQ(sensitivity.cbPOValue->itemText(1), Padded("40\u00B5V/V per mmHg"));
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
  {
    TPOEditor editor(values, 7);
    editor.show();
    editor.cbPOValue->setCurrentIndex(1);  // a real choice replaces the bad value
    QTest::mouseClick(editor.btnOK, Qt::LeftButton);
  }
  EXPECT_EQ(values.GetValue(7), 1);
}

TEST_F(POEditorTest, NothingIsClippedAndTheLayoutFitsTheDesign) {
  TPOEditor editor(values, 14);  // the option with the longest texts
  editor.show();
  EXPECT_GE(editor.width(), 408);
  EXPECT_GE(editor.height(), 132);
  EXPECT_GE(editor.lblPOOption->width(), editor.lblPOOption->sizeHint().width());
  EXPECT_LE(editor.lblPOOption->geometry().right(), editor.cbPOValue->geometry().left());
  EXPECT_LE(editor.cbPOValue->geometry().right(), editor.width());
  EXPECT_LE(editor.btnOK->geometry().right(), editor.btnCancel->geometry().left());
  EXPECT_LE(editor.btnCancel->geometry().bottom(), editor.height());
  EXPECT_EQ(editor.minimumSize(), editor.maximumSize());  // not resizable

  const QByteArray dir = qgetenv("KORAPC_SNAPSHOT_DIR");
  if (dir.isEmpty()) return;
  QDir().mkpath(QString::fromLocal8Bit(dir));
  EXPECT_TRUE(editor.grab().save(QString::fromLocal8Bit(dir) + "/editor-power-on.png"));
}

}  // namespace
