#include "ui/qtmessagesink.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

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
  EXPECT_EQ(text, QString::fromUtf8("Auto selection 2 (\"A\uFFFD\u00BA\uFFFD\") holds\n\nthe code 600."));
}

}  // namespace
