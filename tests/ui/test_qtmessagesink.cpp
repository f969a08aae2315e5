#include "ui/qtmessagesink.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTimer>

namespace {

// Shows one message through the sink and returns the box's caption and text.
std::pair<QString, QString> Shown(const std::string& text, const std::string& caption) {
  QtMessageSink sink(nullptr);
  std::pair<QString, QString> seen;
  QTimer::singleShot(0, [&seen] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    seen = {box->windowTitle(), box->text()};
    box->accept();
  });
  sink.ShowMessage(text, caption, MessageIcon::Exclamation);
  return seen;
}

TEST(QtMessageSink, ShowsWindows1252TextWithItsLineBreaksAndMarksBytesWithNoPrintableForm) {
  const auto [caption, text] =
      Shown("Auto selection 2 (\"A\x01\xBA\x9D\") holds\n\nthe code 600.", "Auto Selections");
  EXPECT_EQ(caption, "Auto Selections");
  EXPECT_EQ(text,
            QString::fromUtf8("Auto selection 2 (\"A\uFFFD\u00BA\uFFFD\") holds\n\nthe code 600."));
}

// The window a box of the sink is shown over, with modal (when not null)
// open as a modal window at the time.
QWidget* ShownOver(QWidget* parent, QDialog* modal) {
  if (modal != nullptr) modal->open();
  QWidget* over = nullptr;
  QTimer::singleShot(0, [&over] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    over = box->parentWidget();
    box->accept();
  });
  QtMessageSink(parent).ShowMessage("text", "caption", MessageIcon::Stop);
  if (modal != nullptr) modal->close();
  return over;
}

TEST(QtMessageSink, ShowsOverTheModalWindowOnTopAndElseOverItsParent) {
  QWidget mainWindow;
  mainWindow.show();
  QDialog progress(&mainWindow);
  EXPECT_EQ(ShownOver(&mainWindow, nullptr), &mainWindow);
  EXPECT_EQ(ShownOver(&mainWindow, &progress), &progress);
  EXPECT_EQ(ShownOver(&mainWindow, nullptr), &mainWindow);  // once it has closed
}

}  // namespace
