#include "ui/qtfilepicker.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>

#include "support/tempdir.h"

namespace {

const FileDialogOptions kAsl{"Auto Selection Files (*.asl);;All Files (*)", "asl"};

// Types name into the dialog the next call opens and accepts it. Any question
// the dialog asks before it closes fails the test and is answered No.
void AcceptNextDialogWith(const std::string& name, QStringList& filters) {
  QTimer::singleShot(0, [name, &filters] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    filters = dialog->nameFilters();
    dialog->selectFile(QString::fromStdString(name));
    QTimer::singleShot(0, [] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        ADD_FAILURE() << "asked: " << box->text().toStdString();
        box->reject();
      }
    });
    static_cast<QDialog*>(dialog)->accept();
  });
}

TEST(QtFilePicker, OpenTakesAMissingNameAndSaveAddsAslAndReplacesWithoutAQuestion) {
  TempDir dir;
  QtFilePicker picker(nullptr);
  QStringList filters;
  AcceptNextDialogWith(dir.File("missing.asl"), filters);
  EXPECT_EQ(picker.PickOpenFile(kAsl), dir.File("missing.asl"));
  EXPECT_EQ(filters, (QStringList{"Auto Selection Files (*.asl)", "All Files (*)"}));

  TempDir::WriteAll(dir.File("kept.asl"), "old");
  AcceptNextDialogWith(dir.File("kept"), filters);
  EXPECT_EQ(picker.PickSaveFile(kAsl), dir.File("kept.asl"));

  QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
  EXPECT_EQ(picker.PickSaveFile(kAsl), std::nullopt);
}

TEST(QtFilePicker, OpenTakesATypedNameWithoutAnExtensionAsItIs) {
  TempDir dir;
  TempDir::WriteAll(dir.File("morning"), std::string(640, '\0'));
  QtFilePicker picker(nullptr);
  QStringList filters;
  AcceptNextDialogWith(dir.File("morning"), filters);
  EXPECT_EQ(picker.PickOpenFile(kAsl), dir.File("morning"));
  // Also when no such file exists: the read then reports it under the name typed.
  AcceptNextDialogWith(dir.File("evening"), filters);
  EXPECT_EQ(picker.PickOpenFile(kAsl), dir.File("evening"));
  // Save still adds the extension to the same kind of name.
  AcceptNextDialogWith(dir.File("morning"), filters);
  EXPECT_EQ(picker.PickSaveFile(kAsl), dir.File("morning.asl"));
}

}  // namespace
