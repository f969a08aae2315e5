#include "app/terminationwatcher.h"

#include <gtest/gtest.h>
#include <QDialog>
#include <QMessageBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <csignal>

#include "app/korapc.h"
#include "common/settingsfile.h"
#include "machine/koraglobals.h"
#include "support/tempdir.h"
#include "ui/upload/koraprogressform.h"

namespace {

std::vector<PortEntry> OnePort() { return {{"/dev/ttyS0", ""}}; }

class TerminationTest : public ::testing::Test {
 protected:
  ScopedConfigHome home;
};

TEST_F(TerminationTest, SigtermClosesTheWindowAndItsSettingsAreSaved) {
  auto* form = new TKORAPCForm(nullptr, OnePort);
  form->show();
  form->PageControl->setCurrentIndex(2);
  {
    TerminationWatcher watcher(form);
    ::raise(SIGTERM);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form->isVisible(); }, 5000));
  }
  delete form;
  EXPECT_EQ(SettingsFile(GetSettingsFilePath()).ReadInteger("KORAPCForm", "ACTIVEPAGE", -1), 2);
}

TEST_F(TerminationTest, AnOpenDialogIsDismissedThenTheWindowCloses) {
  TKORAPCForm form(nullptr, OnePort);
  form.show();
  TerminationWatcher watcher(&form);
  QDialog dialog(&form);
  QTimer::singleShot(50, [] { ::raise(SIGINT); });
  EXPECT_EQ(dialog.exec(), QDialog::Rejected);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !form.isVisible(); }, 5000));
}

TEST_F(TerminationTest, ARunningUploadIsWaitedFor) {
  TKORAPCForm form(nullptr, OnePort);
  form.show();
  TKORAProgress progress(&form, 20, "Sending Power On Values...");
  progress.show();
  TerminationWatcher watcher(&form);
  ::raise(SIGHUP);
  QTest::qWait(400);
  EXPECT_TRUE(form.isVisible()) << "the window closed while an upload was running";
  progress.hide();
  EXPECT_TRUE(QTest::qWaitFor([&] { return !form.isVisible(); }, 5000));
}

TEST_F(TerminationTest, AMessageBoxOverAnUploadIsDismissedButTheUploadStillWaited) {
  TKORAPCForm form(nullptr, OnePort);
  form.show();
  TKORAProgress progress(&form, 20, "Sending Power On Values...");
  progress.show();
  TerminationWatcher watcher(&form);
  QMessageBox box(QMessageBox::Critical, "COM Port Error", "Unable to write to PC COM Port!",
                  QMessageBox::Ok, &progress);
  QTimer::singleShot(50, [] { ::raise(SIGTERM); });
  box.exec();  // returns only because the watcher dismissed it
  QTest::qWait(300);
  EXPECT_TRUE(form.isVisible());
  progress.hide();
  EXPECT_TRUE(QTest::qWaitFor([&] { return !form.isVisible(); }, 5000));
}

}  // namespace
