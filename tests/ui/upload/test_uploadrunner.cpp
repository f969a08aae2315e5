// The upload runner: the whole road of an upload with the protocol on a
// worker thread, the messages on the GUI thread, and the windows alive.
#include <gtest/gtest.h>
#include <QApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "device/koracomm.h"
#include "support/refusingwrite.h"
#include "support/testservices.h"
#include "support/writesplan.h"
#include "ui/upload/koraprogressform.h"
#include "ui/upload/uploadrunner.h"

namespace {

using ObservingSink = ProgressObservingSink;

const LinkSettings kSettings{"/dev/ttyTEST1", LinkSettings::kDefaultCommandDelay, "5173920468"};

// Twenty power-on style writes to addresses 272 to 291, one step each.
UploadPlan TwentyValues() {
  return WritesPlan(272, 20, "1", "Sending Power On Values...", "Power On Settings");
}

class UploadRunnerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mainWindow.resize(400, 300);
    mainWindow.show();
  }

  QWidget mainWindow;
  TestServices fakes;
  ScriptedPort& port = fakes.port;
  ObservingSink& sink = fakes.messages;
  UploadRunner runner{mainWindow, fakes.services, [] { return kSettings; }};
};

std::string TwentyCommands() { return WritesCommands(272, 20, "1"); }

TEST_F(UploadRunnerTest, SuccessfulUploadEndsWithXAndThePowerCycleNotice) {
  const UploadResult result = runner.Run(TwentyValues());
  EXPECT_TRUE(result.completed);
  EXPECT_EQ(result.stepsDone, 20);
  EXPECT_EQ(result.maximum, 20);
  EXPECT_EQ(port.written, "MS5173920468" + TwentyCommands() + "X");
  EXPECT_EQ(port.portName, "/dev/ttyTEST1");
  EXPECT_EQ(fakes.ports.devices, std::vector<std::string>{"/dev/ttyTEST1"});
  EXPECT_FALSE(port.open);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(
      sink.messages[0],
      (RecordedMessage{"Switch KORA-1 power OFF, then switch\nback ON for settings to take effect.",
                       "Power On Settings", MessageIcon::None}));
  EXPECT_FALSE(sink.progressShown[0]);  // the notice comes after the window went
  EXPECT_EQ(FindProgressWindow(), nullptr);
}

TEST_F(UploadRunnerTest, FailureAtTheTwelfthWriteShowsOverTheWindowAndStopsThere) {
  port.respond = InstrumentRefusingWrite(12, 'T');
  const UploadResult result = runner.Run(TwentyValues());
  EXPECT_FALSE(result.completed);
  EXPECT_EQ(result.stepsDone, 11);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(
      sink.messages[0].text,
      "Invalid data value!\n\n-Power down KORA-1\n-Wait one second\n-Power up KORA-1 and try again.");
  EXPECT_TRUE(sink.onGuiThread[0]);
  EXPECT_TRUE(sink.progressShown[0]);
  EXPECT_EQ(sink.progressPosition[0], 11);
  EXPECT_EQ(port.written.find('X'), std::string::npos);  // service mode is not left
  EXPECT_FALSE(port.open);
  EXPECT_EQ(FindProgressWindow(), nullptr);
}

struct EarlyEnd {
  bool failOpen;
  ScriptedPort::Responder respond;
  RecordedMessage message;
  bool progressShown;
  std::string written;
};

class UploadRunnerEarlyEndTest : public UploadRunnerTest,
                                 public ::testing::WithParamInterface<EarlyEnd> {};

TEST_P(UploadRunnerEarlyEndTest, NothingIsWrittenAfterAFailedOpenOrServiceRequest) {
  port.failOpen = GetParam().failOpen;
  port.respond = GetParam().respond;
  bool wrote = false;
  UploadPlan plan = TwentyValues();
  plan.writeData = [&wrote](TKORAComm&, ProgressSink&) { return wrote = true, 0; };
  const UploadResult result = runner.Run(plan);
  EXPECT_FALSE(result.completed);
  EXPECT_EQ(result.stepsDone, 0);
  EXPECT_FALSE(wrote);
  EXPECT_EQ(port.written, GetParam().written);
  EXPECT_EQ(sink.messages, std::vector<RecordedMessage>{GetParam().message});
  EXPECT_EQ(sink.progressShown, std::vector<bool>{GetParam().progressShown});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UploadRunnerEarlyEndTest,
    ::testing::Values(
        EarlyEnd{
            true,
            nullptr,
            {"Unable to open PC COM Port!\n\n/dev/ttyTEST1 does not exist (any more). Check the cable and "
             "the USB adapter, then pick the port again on the Settings tab.",
             "COM Port Error", MessageIcon::Stop},
            false,
            ""},
        EarlyEnd{false,
                 [](std::uint8_t c) { return c == '8' ? std::string("Z") : std::string(); },
                 {"Service mode password is incorrect.", "Communications Error",
                  MessageIcon::Exclamation},
                 true,
                 "MS5173920468"}));

// A clock whose every wait off the GUI thread lasts until the GUI thread has
// served one more tick of its timer: the protocol can only go on while that
// thread keeps serving events. A wait on the GUI thread returns at once.
class TickClock : public Clock {
 public:
  void Sleep(int) override {
    if (std::this_thread::get_id() == gui_) return;
    std::unique_lock lock(mutex_);
    const int seen = ticks_;
    ticked_.wait(lock, [&] { return ticks_ > seen; });
  }
  // Time does not pass on this clock; only the ticks let the worker go on.
  std::int64_t NowMicroseconds() const override { return 0; }
  void Tick() {
    {
      const std::lock_guard lock(mutex_);
      ++ticks_;
    }
    ticked_.notify_all();
  }

 private:
  const std::thread::id gui_ = std::this_thread::get_id();
  std::mutex mutex_;
  std::condition_variable ticked_;
  int ticks_ = 0;
};

TEST_F(UploadRunnerTest,
       ProtocolRunsOffTheGuiThreadWhileTheWindowsStayAliveAndTheMainWindowLocked) {
  auto* button = new QPushButton("Set", &mainWindow);
  button->setGeometry(10, 10, 80, 30);
  button->show();
  int clicks = 0;
  QObject::connect(button, &QPushButton::clicked, [&clicks] { ++clicks; });
  // Clicks go through the window system, as a user's would, so that modality applies.
  const QPoint buttonCentre = button->geometry().center();
  const auto clickButton = [&] {
    QTest::mouseClick(mainWindow.windowHandle(), Qt::LeftButton, {}, buttonCentre);
  };
  clickButton();
  ASSERT_EQ(clicks, 1);

  std::thread::id writerThread;
  std::atomic<bool> writing{false};
  UploadPlan plan = TwentyValues();
  plan.writeData = [&](TKORAComm& link, ProgressSink& progress) {
    writerThread = std::this_thread::get_id();
    writing = true;
    for (int i = 0; i < 5; ++i) {  // 5 commands, each waiting for ticks of the GUI thread
      if (link.WriteValue(272 + i, "1") != 0) return -1;
      progress.StepProgress();
    }
    writing = false;
    return 0;
  };

  TickClock clock;
  Services services{sink, clock, fakes.files, fakes.ports, fakes.history};
  UploadRunner ticking(mainWindow, services, [] { return kSettings; });
  int ticksWhileWriting = 0;
  bool progressWasModal = false;
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    if (writing) {
      ++ticksWhileWriting;
      TKORAProgress* progress = FindProgressWindow();
      progressWasModal = progress != nullptr && QApplication::activeModalWidget() == progress &&
                         progress->isVisible();
      clickButton();
    }
    clock.Tick();
  });
  ticker.start(1);

  const UploadResult result = ticking.Run(plan);
  ticker.stop();
  EXPECT_TRUE(result.completed);
  EXPECT_EQ(result.stepsDone, 5);
  EXPECT_NE(writerThread, std::this_thread::get_id());
  EXPECT_GE(ticksWhileWriting, 5);  // the GUI thread served its timer throughout
  EXPECT_TRUE(progressWasModal);
  EXPECT_EQ(clicks, 1);  // only the click before the upload
}

// Puts a whole click on the button into the event queue, as a quick second
// click waits there while the first one's handler runs.
void QueueClick(QPushButton* button) {
  const QPointF centre = QRectF(button->rect()).center();
  const QPointF global = button->mapToGlobal(centre);
  for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
    const Qt::MouseButtons buttons =
        type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
    QCoreApplication::postEvent(button,
                                new QMouseEvent(type, centre, global, Qt::LeftButton, buttons, {}));
  }
}

TEST_F(UploadRunnerTest, ClicksThatArriveWhileAnUploadRunsStartNoSecondUpload) {
  // Two buttons of one main window, as the two pages' buttons are.
  auto* powerOn = new QPushButton("Set Power On Values", &mainWindow);
  auto* autoSelections = new QPushButton("Set Auto Selections", &mainWindow);
  powerOn->setGeometry(10, 10, 150, 30);
  autoSelections->setGeometry(10, 50, 150, 30);
  powerOn->show();
  autoSelections->show();
  std::vector<UploadResult> results;
  // Both buttons upload through the one runner, as both pages do.
  const auto upload = [&] { results.push_back(runner.Run(TwentyValues())); };
  QObject::connect(powerOn, &QPushButton::clicked, upload);
  QObject::connect(autoSelections, &QPushButton::clicked, upload);
  // A click on the other button while the writes go on.
  UploadPlan plan = TwentyValues();
  const auto writeTwenty = plan.writeData;
  plan.writeData = [&](TKORAComm& link, ProgressSink& progress) {
    QMetaObject::invokeMethod(
        autoSelections, [autoSelections] { autoSelections->click(); }, Qt::QueuedConnection);
    return writeTwenty(link, progress);
  };
  QObject::disconnect(powerOn, nullptr, nullptr, nullptr);
  QObject::connect(powerOn, &QPushButton::clicked, [&] { results.push_back(runner.Run(plan)); });

  // A double click: the second click waits in the queue while the first runs.
  QueueClick(powerOn);
  QueueClick(powerOn);
  QCoreApplication::processEvents();
  QCoreApplication::sendPostedEvents();

  EXPECT_EQ(port.written, "MS5173920468" + TwentyCommands() + "X");  // one upload alone
  ASSERT_EQ(results.size(), 3u);
  // The nested calls returned first, empty; the upload itself last.
  EXPECT_EQ(results[0].maximum, 0);
  EXPECT_FALSE(results[0].completed);
  EXPECT_EQ(results[1].maximum, 0);
  EXPECT_FALSE(results[1].completed);
  EXPECT_TRUE(results[2].completed);
  EXPECT_EQ(results[2].stepsDone, 20);
  ASSERT_EQ(sink.messages.size(), 1u);  // one notice, nothing from the refused clicks
  EXPECT_EQ(sink.messages[0].caption, "Power On Settings");

  // Once it has ended, the next click uploads again.
  port.written.clear();
  autoSelections->click();
  ASSERT_EQ(results.size(), 4u);
  EXPECT_TRUE(results[3].completed);
  EXPECT_EQ(port.written, "MS5173920468" + TwentyCommands() + "X");
}

}  // namespace
