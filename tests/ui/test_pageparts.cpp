#include "ui/pageparts.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>

namespace {

QImage Picture(const QIcon& icon) { return icon.pixmap(24, 24).toImage(); }

// Two pages of tool bar and command button in a tab widget: only the page
// shown has looked its icons up, and every button has the size its icon gives.
TEST(PageParts, AButtonLooksItsIconUpWhenFirstShownAndIsSizedForItFromTheStart) {
  QTabWidget tabs;
  struct Page {
    QToolButton* tool = nullptr;
    QPushButton* command = nullptr;
  } pages[2];
  for (Page& page : pages) {
    auto* widget = new QWidget(&tabs);
    const PageParts parts(widget);
    QToolBar* bar = parts.ToolBar("ToolBar1");
    page.tool = parts.AddToolButton(bar, "tbEdit", KoraIcon::Edit, "Edit");
    QWidget* panel = parts.ButtonPanel("Panel5", "btnSet", "Set Power On Values", page.command);
    parts.Stack(bar, new QWidget(widget), panel);
    tabs.addTab(widget, "Page");
  }
  QPushButton sized("Set Power On Values");  // built with its icon at once
  sized.setFont(pages[1].command->font());
  sized.setIcon(LoadKoraIcon(KoraIcon::Upload));
  const QWidget& page = *pages[1].command->window();
  const QSize expected(std::max(PageParts::ScaledFor(page, 140), sized.sizeHint().width()),
                       std::max(PageParts::ScaledFor(page, 25), sized.sizeHint().height()));
  for (const Page& p : pages) EXPECT_EQ(p.command->size(), expected);

  tabs.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&tabs));
  const QImage edit = Picture(LoadKoraIcon(KoraIcon::Edit));
  const QImage upload = Picture(LoadKoraIcon(KoraIcon::Upload));
  EXPECT_EQ(Picture(pages[0].tool->icon()), edit);
  EXPECT_EQ(Picture(pages[0].command->icon()), upload);
  EXPECT_NE(Picture(pages[1].tool->icon()), edit);  // not shown yet
  EXPECT_NE(Picture(pages[1].command->icon()), upload);
  tabs.setCurrentIndex(1);
  EXPECT_EQ(Picture(pages[1].tool->icon()), edit);
  EXPECT_EQ(Picture(pages[1].command->icon()), upload);
  EXPECT_EQ(pages[1].command->size(), expected);
}

}  // namespace
