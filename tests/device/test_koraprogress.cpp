// The progress window: its caption, layout, steps, and that it cannot be
// closed by the user.
#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QTest>
#include <gtest/gtest.h>

#include "device/koraprogressform.h"

namespace {

TEST(KoraProgressTest, CaptionLabelAndBarAreAsLaidOut) {
  TKORAProgress window(nullptr, 20, "Sending Power On Values...");
  EXPECT_EQ(window.windowTitle(), "KORApc Communications");
  EXPECT_EQ(window.objectName(), "KORAProgress");
  EXPECT_EQ(window.size(), QSize(303, 119));
  EXPECT_EQ(window.minimumSize(), window.maximumSize());  // fixed size
  EXPECT_EQ(window.labelProgress->text(), "Sending Power On Values...");
  EXPECT_EQ(window.labelProgress->pos(), QPoint(16, 16));
  EXPECT_EQ(window.pbComm->geometry(), QRect(16, 40, 273, 25));
  EXPECT_EQ(window.pbComm->minimum(), 0);
  EXPECT_EQ(window.pbComm->maximum(), 20);
  EXPECT_EQ(window.Position(), 0);
  EXPECT_FALSE(window.isVisible());
}

TEST(KoraProgressTest, StaysOnTopWithoutCloseButtonOrSystemMenu) {
  TKORAProgress window(nullptr, 1, "x");
  const Qt::WindowFlags flags = window.windowFlags();
  EXPECT_TRUE(flags.testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_TRUE(flags.testFlag(Qt::CustomizeWindowHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowCloseButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowSystemMenuHint));
  EXPECT_TRUE(window.isWindow());
}

TEST(KoraProgressTest, UserCannotCloseItButCloseProgressHidesIt) {
  TKORAProgress window(nullptr, 5, "x");
  window.show();
  EXPECT_FALSE(window.close());
  QTest::keyClick(&window, Qt::Key_Escape);
  QTest::keyClick(&window, Qt::Key_F4, Qt::AltModifier);
  EXPECT_TRUE(window.isVisible());
  window.CloseProgress();
  EXPECT_FALSE(window.isVisible());
}

TEST(KoraProgressTest, StepsOneAtATimeUpToTheMaximum) {
  TKORAProgress window(nullptr, 3, "x");
  window.StepProgress();
  EXPECT_EQ(window.Position(), 1);
  window.StepProgress();
  window.StepProgress();
  window.StepProgress();
  EXPECT_EQ(window.Position(), 3);
}

TEST(KoraProgressTest, IsCentredOverTheOwnersWindow) {
  QWidget mainWindow;
  mainWindow.setGeometry(100, 80, 640, 480);
  auto* page = new QWidget(&mainWindow);
  mainWindow.show();
  auto* window = new TKORAProgress(page, 300, "Sending Auto Setups...");
  window->show();
  EXPECT_TRUE(window->isWindow());
  EXPECT_LE((window->frameGeometry().center() - mainWindow.frameGeometry().center()).manhattanLength(), 2);
  delete window;
}

TEST(KoraProgressTest, TextIsConvertedFromWindows1252) {
  TKORAProgress window(nullptr, 1, "37\xBA" "C 5\xB5V");
  EXPECT_EQ(window.labelProgress->text(), QString::fromUtf8("37ºC 5µV"));
}

}  // namespace
