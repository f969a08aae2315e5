#include "app/portwatcher.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <QComboBox>
#include <QFrame>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTest>
#include <cstdio>
#include <memory>

#include "app/korapc.h"
#include "common/settingsfile.h"
#include "machine/koraglobals.h"
#include "support/pseudoterminal.h"
#include "support/scopedenv.h"
#include "support/tempdir.h"
#include "ui/upload/koraprogressform.h"

namespace {

// Generous: a busy machine may be slow to hand over an inotify event.
constexpr int kWaitMs = 5000;

QString Q(const std::string& text) { return QString::fromStdString(text); }

// Waits long enough for a change that was not supposed to count to have come
// through the settle time, had it counted.
void LetQuietPass() { QTest::qWait(4 * PortWatcher::kSettleMs); }

TEST(PortWatcher, AnEntryMadeOrRemovedInAWatchedFolderIsReportedOncePerBurst) {
  TempDir dev;
  PortWatcher watcher({false, {Q(dev.path())}, {}});
  QSignalSpy changed(&watcher, &PortWatcher::PortsChanged);
  for (int i = 0; i < 5; ++i) TempDir::WriteAll(dev.File("ttyUSB" + std::to_string(i)), "");
  ASSERT_TRUE(changed.wait(kWaitMs));
  LetQuietPass();
  EXPECT_EQ(changed.count(), 1);

  ASSERT_EQ(std::remove(dev.File("ttyUSB3").c_str()), 0);
  EXPECT_TRUE(changed.wait(kWaitMs));
  EXPECT_EQ(changed.count(), 2);
}

TEST(PortWatcher, InTheLinksFolderOnlyTheLinkComingAndGoingCounts) {
  PseudoTerminal first;
  PseudoTerminal second;
  TempDir runtime;
  const std::string link = runtime.File("ttyKORA1");
  PortWatcher watcher({false, {}, Q(link)});
  QSignalSpy changed(&watcher, &PortWatcher::PortsChanged);

  // Other programs' files in the runtime folder do not count.
  TempDir::WriteAll(runtime.File("pulse-socket"), "");
  LetQuietPass();
  EXPECT_EQ(changed.count(), 0);

  ASSERT_EQ(::symlink(first.Path().c_str(), link.c_str()), 0);
  ASSERT_TRUE(changed.wait(kWaitMs));
  LetQuietPass();
  ASSERT_EQ(changed.count(), 1);

  // The virtual KORA-1 hung up and moved its link to a fresh line: still there.
  const std::string fresh = runtime.File("ttyKORA1.new");
  ASSERT_EQ(::symlink(second.Path().c_str(), fresh.c_str()), 0);
  ASSERT_EQ(std::rename(fresh.c_str(), link.c_str()), 0);
  LetQuietPass();
  EXPECT_EQ(changed.count(), 1);

  ASSERT_EQ(::unlink(link.c_str()), 0);
  EXPECT_TRUE(changed.wait(kWaitMs));
  EXPECT_EQ(changed.count(), 2);
}

TEST(PortWatcher, ThisMachineIsWatchedThroughUdevOnlyWhenUdevRuns) {
  const PortWatcher::Sources sources = PortWatcher::ForThisMachine();
  const bool udevRuns = ::access("/run/udev/control", F_OK) == 0;
  EXPECT_EQ(sources.udev, udevRuns);
  EXPECT_EQ(sources.folders.contains("/dev"), !udevRuns);
  EXPECT_EQ(sources.link, Q(GetVirtualKoraLinkPath()));
}

// The main window with a list of ports the test changes, and a watcher whose
// signal the test raises.
class PortRefreshTest : public ::testing::Test {
 protected:
  void SetUp() override { ChosenComPort.clear(); }

  std::unique_ptr<TKORAPCForm> MakeForm(const std::string& ini = "") {
    if (!ini.empty()) TempDir::WriteAll(GetSettingsFilePath(), ini);
    auto watcher = std::make_unique<PortWatcher>(PortWatcher::Sources{});
    events = watcher.get();
    return std::make_unique<TKORAPCForm>(
        nullptr,
        [this] {
          ++scans;
          return ports;
        },
        std::move(watcher));
  }
  static QStringList Entries(const TKORAPCForm& form) {
    QStringList names;
    for (int i = 0; i < form.cbComPort->count(); ++i) names << form.cbComPort->itemText(i);
    return names;
  }

  ScopedConfigHome home;
  std::vector<PortEntry> ports{{"/dev/ttyS0", "built-in"}, {"/dev/ttyUSB0", "adapter"}};
  int scans = 0;
  PortWatcher* events = nullptr;
};

TEST_F(PortRefreshTest, APortPluggedInAppearsAndTheChosenPortStaysChosen) {
  auto form = MakeForm("[KORAPCForm]\nCOMPORT=/dev/ttyUSB0\n");
  ASSERT_EQ(ChosenComPort, "/dev/ttyUSB0");
  ports.insert(ports.begin() + 1, {"/dev/ttyACM0", "new adapter"});
  emit events->PortsChanged();
  EXPECT_EQ(Entries(*form), QStringList({"/dev/ttyS0", "/dev/ttyACM0", "/dev/ttyUSB0"}));
  EXPECT_EQ(form->cbComPort->currentText(), "/dev/ttyUSB0");
  EXPECT_EQ(form->cbComPort->itemData(1, Qt::ToolTipRole).toString(), "new adapter");
  EXPECT_EQ(ChosenComPort, "/dev/ttyUSB0");
}

TEST_F(PortRefreshTest, AChosenPortPulledOutStaysShownAndChosenUntilAnotherIsPicked) {
  auto form = MakeForm("[KORAPCForm]\nCOMPORT=/dev/ttyUSB0\n");
  form->show();
  ports = {{"/dev/ttyS0", "built-in"}, {"/dev/ttyS1", "built-in"}};
  emit events->PortsChanged();
  EXPECT_EQ(Entries(*form), QStringList({"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyUSB0"}));
  EXPECT_EQ(form->cbComPort->currentText(), "/dev/ttyUSB0");
  EXPECT_EQ(form->cbComPort->itemData(2, Qt::ToolTipRole).toString(), "Not present");
  EXPECT_EQ(ChosenComPort, "/dev/ttyUSB0");

  // Further rescans keep it while it is chosen.
  emit events->PortsChanged();
  EXPECT_EQ(form->cbComPort->currentText(), "/dev/ttyUSB0");

  // The user picks another entry with the keyboard: the missing one goes.
  form->cbComPort->setFocus();
  QTest::keyClick(form->cbComPort, Qt::Key_Up);
  EXPECT_EQ(ChosenComPort, "/dev/ttyS1");
  EXPECT_EQ(Entries(*form), QStringList({"/dev/ttyS0", "/dev/ttyS1"}));
  EXPECT_EQ(form->cbComPort->currentText(), "/dev/ttyS1");
}

TEST_F(PortRefreshTest, AChosenPortThatComesBackIsNoLongerMarkedMissing) {
  auto form = MakeForm("[KORAPCForm]\nCOMPORT=/dev/ttyUSB0\n");
  const std::vector<PortEntry> all = ports;
  ports.pop_back();
  emit events->PortsChanged();
  ASSERT_EQ(form->cbComPort->itemData(1, Qt::ToolTipRole).toString(), "Not present");
  ports = all;
  emit events->PortsChanged();
  EXPECT_EQ(Entries(*form), QStringList({"/dev/ttyS0", "/dev/ttyUSB0"}));
  EXPECT_EQ(form->cbComPort->itemData(1, Qt::ToolTipRole).toString(), "adapter");
  EXPECT_EQ(form->cbComPort->currentText(), "/dev/ttyUSB0");
}

TEST_F(PortRefreshTest, TheFirstPortToAppearInAnEmptyListIsChosenAndPublished) {
  ports.clear();
  auto form = MakeForm("[KORAPCForm]\nCOMPORT=/dev/ttyUSB0\n");
  ASSERT_EQ(form->cbComPort->currentIndex(), -1);
  ASSERT_EQ(ChosenComPort, "");
  ports = {{"/dev/ttyS0", "built-in"}};
  emit events->PortsChanged();
  EXPECT_EQ(form->cbComPort->currentText(), "/dev/ttyS0");
  EXPECT_EQ(ChosenComPort, "/dev/ttyS0");
}

TEST_F(PortRefreshTest, WhenNothingWasChosenTheSavedPortIsPreferredAsItAppears) {
  ports.clear();
  auto form = MakeForm("[KORAPCForm]\nCOMPORT=/dev/ttyUSB0\n");
  ports = {{"/dev/ttyS0", "built-in"}, {"/dev/ttyUSB0", "adapter"}};
  emit events->PortsChanged();
  EXPECT_EQ(form->cbComPort->currentText(), "/dev/ttyUSB0");
  EXPECT_EQ(ChosenComPort, "/dev/ttyUSB0");
}

TEST_F(PortRefreshTest, NoScanRunsWhileAnUploadsProgressWindowIsUpAndOneRunsAfter) {
  auto form = MakeForm();
  form->show();
  const int before = scans;
  auto* progress = new TKORAProgress(form.get(), 20, "Sending Power On Values");
  progress->setWindowModality(Qt::ApplicationModal);
  progress->show();
  ports.push_back({"/dev/ttyACM0", "new adapter"});
  emit events->PortsChanged();
  emit events->PortsChanged();
  QCoreApplication::processEvents();
  EXPECT_EQ(scans, before);
  EXPECT_EQ(form->cbComPort->count(), 2);

  delete progress;
  QTRY_COMPARE_WITH_TIMEOUT(scans, before + 1, kWaitMs);
  EXPECT_EQ(Entries(*form), QStringList({"/dev/ttyS0", "/dev/ttyUSB0", "/dev/ttyACM0"}));
  QCoreApplication::processEvents();
  EXPECT_EQ(scans, before + 1);  // the two changes were answered with one scan
}

int TextFieldWidth(QComboBox* list) {
  QStyleOptionComboBox option;
  option.initFrom(list);
  return list->style()
      ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, list)
      .width();
}

TEST_F(PortRefreshTest, TheListWidensToShowALongPathThatAppearsWhole) {
  auto form = MakeForm();
  const int narrow = form->cbComPort->width();
  const QString link =
      "/tmp/korapc-1000/ttyKORA1";  // the usual fallback, longer than /run/user/1000/
  ports.push_back({link, "Virtual KORA-1"});
  emit events->PortsChanged();
  EXPECT_GT(form->cbComPort->width(), narrow);
  EXPECT_GE(TextFieldWidth(form->cbComPort),
            form->cbComPort->fontMetrics().horizontalAdvance(link));
  // It stays within the Settings page's rule.
  EXPECT_LE(form->cbComPort->geometry().right(), form->Bevel1->geometry().right());
}

TEST_F(PortRefreshTest, AWatchedFolderChangingMakesTheWindowScanAgain) {
  TempDir dev;
  auto watcher = std::make_unique<PortWatcher>(PortWatcher::Sources{false, {Q(dev.path())}, {}});
  TKORAPCForm form(
      nullptr,
      [this] {
        ++scans;
        return ports;
      },
      std::move(watcher));
  ports.push_back({"/dev/ttyACM0", "new adapter"});
  TempDir::WriteAll(dev.File("ttyACM0"), "");
  QTRY_COMPARE_WITH_TIMEOUT(form.cbComPort->count(), 3, kWaitMs);
  EXPECT_EQ(form.cbComPort->itemText(2), "/dev/ttyACM0");
}

// The window as the program builds it: ports listed on a worker, watched for
// real. Whatever the machine has, the virtual KORA-1 in the runtime folder
// must be listed, chosen from korapc.ini, and kept when its link goes.
TEST(PortListAtStart, TheScanOnTheWorkerGivesTheSameListAndChoiceAndFollowsTheLink) {
  ScopedConfigHome home;
  ChosenComPort.clear();
  TempDir runtime;
  const ScopedEnv xdg("XDG_RUNTIME_DIR", runtime.path().c_str());
  PseudoTerminal pty;
  const std::string link = runtime.File("ttyKORA1");
  ASSERT_EQ(::symlink(pty.Path().c_str(), link.c_str()), 0);
  TempDir::WriteAll(GetSettingsFilePath(), "[KORAPCForm]\nCOMPORT=" + link + "\n");

  TKORAPCForm form;
  QStringList expected;
  for (const PortEntry& port : PortList::PresentPorts()) expected << port.name;
  // The Power On page is shown: the list comes right after the first paint.
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  const auto Listed = [&form] {
    QStringList listed;
    for (int i = 0; i < form.cbComPort->count(); ++i) listed << form.cbComPort->itemText(i);
    return listed;
  };
  QTRY_COMPARE_WITH_TIMEOUT(Listed(), expected, kWaitMs);
  EXPECT_EQ(form.cbComPort->currentText(), Q(link));
  EXPECT_EQ(ChosenComPort, link);

  ASSERT_EQ(::unlink(link.c_str()), 0);
  const int last = form.cbComPort->count() - 1;
  QTRY_COMPARE_WITH_TIMEOUT(form.cbComPort->itemData(last, Qt::ToolTipRole).toString(),
                            QString("Not present"), kWaitMs);
  EXPECT_EQ(form.cbComPort->currentText(), Q(link));
  EXPECT_EQ(ChosenComPort, link);
}

}  // namespace
