// The programming record of one upload through the upload sequence: begun
// before the port opens, every byte traced with the code hidden, completed at
// the end, and left intact and "interrupted" by a kill -9.
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "device/koracomm.h"
#include "device/uploadrecorder.h"
#include "device/uploadsequence.h"
#include "history/sqlitehistorystore.h"
#include "support/countingprogress.h"
#include "support/fakeclock.h"
#include "support/recordingmessagesink.h"
#include "support/scriptedport.h"
#include "support/sqliteintegrity.h"
#include "support/tempdir.h"

namespace {

// The trace in short: ">" sent, "<" received, then the byte, or "*" for a
// secret one.
std::string Short(const UploadTrace& trace) {
  std::string text;
  for (const TraceByte& b : trace) {
    text += b.direction == TraceDirection::Sent ? '>' : '<';
    text += b.secret ? '*' : static_cast<char>(b.byte);
  }
  return text;
}

// Passes everything to a scripted port and, as it opens, reads the newest
// record of the store.
class RowReadingPort : public SerialPort {
 public:
  RowReadingPort(std::unique_ptr<SerialPort> inner, HistoryStore& store)
      : inner_(std::move(inner)), store_(store) {}
  void Open() override {
    const auto newest = store_.List(1);
    if (!newest.empty()) seenAtOpen = newest.front();
    inner_->Open();
  }
  void Close() override { inner_->Close(); }
  bool IsOpen() const override { return inner_->IsOpen(); }
  void SetPortName(const std::string& name) override { inner_->SetPortName(name); }
  void SetBaudRate(std::int32_t rate) override { inner_->SetBaudRate(rate); }
  void SetByteSize(std::uint8_t bits) override { inner_->SetByteSize(bits); }
  void SetParity(std::uint8_t parity) override { inner_->SetParity(parity); }
  void SetStopBits(std::uint8_t code) override { inner_->SetStopBits(code); }
  void Write(const std::uint8_t* data, std::int32_t count) override { inner_->Write(data, count); }
  std::uint32_t Read(std::uint8_t* buffer, std::uint32_t count) override {
    return inner_->Read(buffer, count);
  }
  std::uint32_t BytesWaiting() override { return inner_->BytesWaiting(); }
  bool WaitForInput(int timeoutMs) override { return inner_->WaitForInput(timeoutMs); }

  std::optional<UploadRecord> seenAtOpen;

 private:
  std::unique_ptr<SerialPort> inner_;
  HistoryStore& store_;
};

UploadPlan OneCommandPlan() {
  UploadPlan plan;
  plan.progressMaximum = 1;
  plan.noticeCaption = "Power On Settings";
  plan.record.what = UploadWhat::PowerOn;
  plan.record.powerOn[0] = 3;
  plan.writeData = [](TKORAComm& link, ProgressSink& progress) {
    if (link.SendCommand("A5D3R") != 0) return -1;
    progress.StepProgress();
    return 0;
  };
  return plan;
}

class UploadRecorderTest : public ::testing::Test {
 protected:
  TempDir dir;
  std::string path = dir.File("history.sqlite");
  RecordingMessageSink storeMessages;
  std::unique_ptr<SqliteHistoryStore> store = SqliteHistoryStore::Open(path, storeMessages);
  ScriptedPort port;
  FakeClock clock;
  RecordingMessageSink linkMessages;
  CountingProgress progress;
};

TEST_F(UploadRecorderTest, TheRecordExistsBeforeTheFirstByteAndEndsWithTheWholeTrace) {
  port.respond = ScriptedPort::Instrument();
  UploadRecorder recorder(*store, clock, "/dev/ttyUSB0");
  auto reading = std::make_unique<RowReadingPort>(port.Handle(), *store);
  RowReadingPort& opened = *reading;
  TKORAComm link(LinkSettings{"/dev/ttyUSB0", 10, ""}, recorder.Watch(linkMessages), clock,
                 recorder.Trace(std::move(reading)));
  UploadSequence sequence(link, OneCommandPlan(), &recorder);
  const UploadResult result = sequence.Run(progress);
  ASSERT_TRUE(result.completed);

  ASSERT_TRUE(opened.seenAtOpen.has_value());
  EXPECT_EQ(opened.seenAtOpen->end.result, UploadOutcome::Running);
  EXPECT_EQ(opened.seenAtOpen->start.port.chosen, "/dev/ttyUSB0");
  EXPECT_EQ(opened.seenAtOpen->start.commandDelayMs, 10);
  EXPECT_EQ(opened.seenAtOpen->start.powerOn[0], 3);

  const auto record = store->Get(recorder.Id());
  ASSERT_TRUE(record);
  EXPECT_EQ(record->end.result, UploadOutcome::Programmed);
  EXPECT_EQ(record->end.done, 1);
  EXPECT_EQ(record->end.total, 1);
  EXPECT_EQ(record->end.message, "");
  EXPECT_EQ(record->start.started.back(), 'Z');

  const UploadTrace trace = store->Trace(recorder.Id());
  EXPECT_EQ(Short(trace), ">M>S>*>*>*>*>*>*>*>*>*>*<S>A<A>5<5>D<D>3<3>R<V>X");
  ASSERT_GE(trace.size(), 2u);
  EXPECT_EQ(trace[0].micros, 0);
  EXPECT_EQ(trace[1].micros, 10000);  // 10 ms after each byte of the request
  // The code never reaches the file.
  const std::string file = TempDir::ReadAll(path) + TempDir::ReadAll(path + "-wal");
  EXPECT_EQ(file.find("5173920468"), std::string::npos);
  EXPECT_EQ(port.written.substr(2, 10), "5173920468");  // while the line carried it
}

TEST_F(UploadRecorderTest, AFailedUploadKeepsTheMessageShownAndTheCommandsDone) {
  struct Case {
    const char* what;
    bool failOpen;
    const char* answerToR;
    const char* messageStart;
    int done;
  } cases[] = {
      {"port will not open", true, "V", "Unable to open PC COM Port!", 0},
      {"command refused", false, "Z", "", 0},
  };
  for (const Case& c : cases) {
    ScriptedPort scripted;
    scripted.failOpen = c.failOpen;
    auto instrument = ScriptedPort::Instrument();
    scripted.respond = [&instrument, &c](std::uint8_t b) {
      return b == 'R' ? std::string(c.answerToR) : instrument(b);
    };
    RecordingMessageSink shown;
    UploadRecorder recorder(*store, clock, "/dev/ttyUSB0");
    TKORAComm link(LinkSettings{"/dev/ttyUSB0", 10, ""}, recorder.Watch(shown), clock,
                   recorder.Trace(scripted.Handle()));
    UploadSequence sequence(link, OneCommandPlan(), &recorder);
    static_cast<void>(sequence.Run(progress));
    const auto record = store->Get(recorder.Id());
    ASSERT_TRUE(record) << c.what;
    EXPECT_EQ(record->end.result, UploadOutcome::Failed) << c.what;
    ASSERT_FALSE(shown.messages.empty()) << c.what;
    EXPECT_EQ(record->end.message, shown.messages.back().text) << c.what;
    EXPECT_EQ(record->end.message.rfind(c.messageStart, 0), 0u) << c.what;
    EXPECT_EQ(record->end.done, c.done) << c.what;
  }
}

// A child uploads and stops for good in the middle of a command; once what it
// traced is in the file it is killed.
TEST_F(UploadRecorderTest, AKilledUploadIsInterruptedKeepsItsTraceAndLeavesTheFileIntact) {
  store.reset();
  const pid_t child = ::fork();
  if (child == 0) {
    RecordingMessageSink sink;
    auto own = SqliteHistoryStore::Open(path, sink);
    ScriptedPort scripted;
    auto instrument = ScriptedPort::Instrument();
    scripted.respond = [&instrument](std::uint8_t b) {
      if (b == 'D') ::pause();  // stuck here until killed
      return instrument(b);
    };
    FakeClock childClock;
    UploadRecorder recorder(*own, childClock, "/dev/ttyUSB0");
    TKORAComm link(LinkSettings{"/dev/ttyUSB0", 10, ""}, recorder.Watch(sink), childClock,
                   recorder.Trace(scripted.Handle()));
    UploadSequence sequence(link, OneCommandPlan(), &recorder);
    CountingProgress steps;
    static_cast<void>(sequence.Run(steps));
    ::_exit(3);
  }
  ASSERT_GT(child, 0);
  // What was stored before the write of "D": the service-mode request and
  // its answer, handed over when the command after it began. The command
  // stuck half-way is not, as it never ended.
  const std::string before = ">M>S>*>*>*>*>*>*>*>*>*>*<S";
  RecordingMessageSink sink;
  std::unique_ptr<SqliteHistoryStore> reader;
  std::string seen;
  for (int i = 0; i < 2000 && seen != before; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!reader) reader = SqliteHistoryStore::Open(path, sink);
    seen = Short(reader->Trace(1));
  }
  ::kill(child, SIGKILL);
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status));
  ASSERT_EQ(seen, before);

  reader = SqliteHistoryStore::Open(path, sink);
  const auto record = reader->Get(1);
  ASSERT_TRUE(record);
  EXPECT_FALSE(record->ended);
  EXPECT_EQ(record->end.result, UploadOutcome::Interrupted);
  EXPECT_EQ(Short(reader->Trace(1)), before);
  EXPECT_EQ(IntegrityOf(path), "ok");
  EXPECT_TRUE(sink.messages.empty());
}

}  // namespace
