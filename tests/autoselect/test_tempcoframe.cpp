#include "autoselect/tempcoframe.h"

#include <gtest/gtest.h>
#include <QLabel>
#include <QSignalSpy>

#include "autoselect/keycombobox.h"
#include "autoselect/tautoselect.h"
#include "support/autoselectentry.h"

namespace {

QString Padded(const QString& text) { return text.leftJustified(25, ' '); }

std::vector<int> Items(const TTempCOOptions& frame) {
  std::vector<int> items;
  for (const KeyComboBox* list : frame.lists()) items.push_back(list->currentIndex());
  return items;
}

TEST(TempCOFrame, ANewFrameOffersTheSixRunsAtNoSelection) {
  TTempCOOptions frame;
  EXPECT_EQ(frame.lblTempHeading->text(), "Temperature YSI 400/700");
  EXPECT_EQ(frame.lblCOHeading->text(), "Cardiac Output");
  EXPECT_TRUE(frame.lblCOHeading->font().bold());
  EXPECT_EQ(Items(frame), std::vector<int>(6, 0));
  const int counts[] = {6, 5, 4, 3, 9, 8};
  for (std::size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(frame.lists()[i]->count(), counts[i]) << i;
    EXPECT_EQ(frame.lists()[i]->itemText(0), "NO SELECTION");
    EXPECT_FALSE(frame.lists()[i]->isEditable());
  }
  EXPECT_EQ(frame.cbTemp->itemText(3), Padded(QString::fromUtf8("37º C")));
  EXPECT_EQ(frame.cbCOInj->itemText(4), QString::fromUtf8("Adjustable (20ºC default)"));
  EXPECT_EQ(frame.cbCOTrend->itemText(7), Padded(QString::fromUtf8("Cal Pulse 1º/4 sec")));
  EXPECT_EQ(frame.cbCOLM->itemText(4), Padded("5 liters/minute"));

  TAutoSelect entry;
  EXPECT_EQ(entry.AddKey(13), 0);
  EXPECT_EQ(frame.addKeys(entry), 0);
  EXPECT_EQ(Codes(entry), std::vector<int>{13});
}

TEST(TempCOFrame, AddKeysAppendsInTheListsOrder) {
  TTempCOOptions frame;
  frame.cbCOLM->setCurrentIndex(4);  // 5 liters/minute
  frame.cbTemp->setCurrentIndex(3);  // 37º C
  TAutoSelect entry;
  EXPECT_EQ(frame.addKeys(entry), 0);
  EXPECT_EQ(Codes(entry), (std::vector<int>{232, 272}));
}

TEST(TempCOFrame, AFullEntryStopsAddKeysAfterTheTenthCode) {
  TTempCOOptions frame;
  for (KeyComboBox* list : frame.lists()) list->setCurrentIndex(1);
  TAutoSelect entry;
  for (int k = 0; k < 8; ++k) EXPECT_EQ(entry.AddKey(10 + k), 0);
  EXPECT_EQ(frame.addKeys(entry), -1);
  ASSERT_EQ(entry.KeyCount(), 10u);
  EXPECT_EQ(entry.KeyAt(8), 230);
  EXPECT_EQ(entry.KeyAt(9), 251);
}

TEST(TempCOFrame, ShowKeySelectsTheLastCodeOfEachRunAndIgnoresOthers) {
  TTempCOOptions frame;
  QSignalSpy activated(frame.cbTemp, &QComboBox::activated);
  frame.showKey(232);
  frame.showKey(233);
  EXPECT_EQ(frame.cbTemp->currentText(), Padded(QString::fromUtf8("38º C")));
  frame.showKey(283);
  frame.showKey(260);
  const std::vector<int> before = Items(frame);
  EXPECT_EQ(before, (std::vector<int>{4, 0, 0, 2, 0, 7}));
  for (int code : {0, 229, 235, 250, 255, 261, 268, 284, 13, -1}) frame.showKey(code);
  EXPECT_EQ(Items(frame), before);
  EXPECT_EQ(activated.count(), 0);  // the program's own selections raise no change

  frame.clearSelection();
  EXPECT_EQ(Items(frame), std::vector<int>(6, 0));
}

TEST(TempCOFrame, AddKeysAndShowKeyCarryTheSelectionsToAnotherFrame) {
  TTempCOOptions from, to;
  const int items[] = {2, 4, 1, 2, 8, 5};
  for (std::size_t i = 0; i < 6; ++i) from.lists()[i]->setCurrentIndex(items[i]);
  to.cbCOLM->setCurrentIndex(1);
  TAutoSelect scratch;
  ASSERT_EQ(from.addKeys(scratch), 0);
  EXPECT_EQ(Codes(scratch), (std::vector<int>{231, 254, 256, 260, 276, 281}));
  to.clearSelection();
  for (unsigned i = 0; i < scratch.KeyCount(); ++i) to.showKey(scratch.KeyAt(i));
  EXPECT_EQ(Items(to), Items(from));
}

}  // namespace
