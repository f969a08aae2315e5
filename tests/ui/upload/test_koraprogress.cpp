// The progress window: caption, layout, steps, and no way for the user to close it.
#include <gtest/gtest.h>
#include <QLabel>
#include <QProgressBar>
#include <QTest>

#include "ui/upload/koraprogressform.h"

namespace {

TEST(KoraProgressTest, LayoutCaptionAndWindowKind) {
  TKORAProgress window(nullptr, 20,
                       "37\xBA"
                       "C 5\xB5V");
  EXPECT_EQ(window.windowTitle(), "KORApc Communications");
  EXPECT_EQ(window.size(), QSize(303, 119));
  EXPECT_EQ(window.minimumSize(), window.maximumSize());
  EXPECT_EQ(window.labelProgress->text(), QString::fromUtf8("37ºC 5µV"));  // from Windows-1252
  EXPECT_EQ(window.labelProgress->pos(), QPoint(16, 16));
  EXPECT_EQ(window.pbComm->geometry(), QRect(16, 40, 273, 25));
  EXPECT_EQ(window.pbComm->minimum(), 0);
  EXPECT_EQ(window.pbComm->maximum(), 20);
  EXPECT_EQ(window.Position(), 0);
  const Qt::WindowFlags flags = window.windowFlags();
  EXPECT_TRUE(flags.testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_TRUE(flags.testFlag(Qt::CustomizeWindowHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowCloseButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowSystemMenuHint));
}

TEST(KoraProgressTest, UserCannotCloseItButCloseProgressHidesIt) {
  TKORAProgress window(nullptr, 3, "x");
  window.show();
  EXPECT_FALSE(window.close());
  EXPECT_TRUE(window.isVisible());
  for (int i = 0; i < 4; ++i) window.StepProgress();
  EXPECT_EQ(window.Position(), 3);  // never past the maximum
  window.CloseProgress();
  EXPECT_FALSE(window.isVisible());
}

TEST(KoraProgressTest, IsCentredOverTheOwnersWindow) {
  QWidget mainWindow;
  mainWindow.setGeometry(100, 80, 640, 480);
  auto* page = new QWidget(&mainWindow);
  mainWindow.show();
  auto* window = new TKORAProgress(page, 300, "Sending Auto Setups...");
  window->show();
  EXPECT_TRUE(window->isWindow());
  EXPECT_LE(
      (window->frameGeometry().center() - mainWindow.frameGeometry().center()).manhattanLength(),
      2);
  delete window;
}

}  // namespace
