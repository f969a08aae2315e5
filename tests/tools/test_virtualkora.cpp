// The virtual KORA-1 as a stand-in for the instrument's microcontroller: its
// answers wait for no file and no log, a slow adapter can be played with a
// latency and a jitter, and its memory dump is current at every answer.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <string>
#include <thread>
#include <vector>

#include "common/programstrings.h"
#include "common/systemclock.h"
#include "device/commport.h"
#include "device/koracomm.h"
#include "support/holdingchild.h"
#include "support/recordingmessagesink.h"
#include "support/tempdir.h"
#include "support/virtualkorahost.h"
#include "tools/answerschedule.h"
#include "tools/logwriter.h"
#include "tools/memorydump.h"

namespace {

using Messages = std::vector<RecordedMessage>;
using std::chrono::microseconds;
using std::chrono::milliseconds;
using TimePoint = AnswerSchedule::Clock::time_point;

const std::string kAdvice =
    "\n\n-Power down KORA-1\n-Wait one second\n-Power up KORA-1 and try again.";

// --- When answers go out ---

TEST(AnswerSchedule, WithNoLatencyAnAnswerIsDueAtOnceAndEmptyAnswersQueueNothing) {
  AnswerSchedule answers(microseconds(0), microseconds(0), 1);
  const TimePoint t0{};
  EXPECT_FALSE(answers.NextDue().has_value());
  answers.Add("", t0);
  EXPECT_FALSE(answers.NextDue().has_value());
  answers.Add("A", t0);
  answers.Add("5", t0);
  EXPECT_EQ(answers.NextDue(), t0);
  EXPECT_EQ(answers.TakeDue(t0), "A5");
  EXPECT_FALSE(answers.NextDue().has_value());
}

TEST(AnswerSchedule, AnAnswerWaitsItsLatencyFromItsOwnByteWhileLaterBytesAreTakenIn) {
  AnswerSchedule answers(milliseconds(14), microseconds(0), 1);
  const TimePoint t0{};
  answers.Add("A", t0);
  answers.Add("5", t0 + milliseconds(10));  // received while A's echo still waits
  EXPECT_EQ(answers.NextDue(), t0 + milliseconds(14));
  EXPECT_EQ(answers.TakeDue(t0 + microseconds(13999)), "");
  EXPECT_EQ(answers.TakeDue(t0 + milliseconds(14)), "A");
  EXPECT_EQ(answers.NextDue(), t0 + milliseconds(24));
  EXPECT_EQ(answers.TakeDue(t0 + milliseconds(30)), "5");
  answers.Add("1", t0 + milliseconds(40));
  answers.Clear();
  EXPECT_FALSE(answers.NextDue().has_value());
}

std::vector<TimePoint::duration> Delays(std::uint32_t seed, int count) {
  AnswerSchedule answers(milliseconds(14), milliseconds(4), seed);
  std::vector<TimePoint::duration> delays;
  // Bytes far apart, so that no answer waits for the one before.
  for (int i = 0; i < count; ++i) {
    const TimePoint received = TimePoint{} + std::chrono::seconds(i);
    answers.Add("x", received);
    delays.push_back(*answers.NextDue() - received);
    answers.TakeDue(*answers.NextDue());
  }
  return delays;
}

TEST(AnswerSchedule, JitterStaysWithinItsRangeAndTheSeedRepeatsIt) {
  const auto delays = Delays(7, 500);
  TimePoint::duration shortest = delays.front();
  TimePoint::duration longest = delays.front();
  for (const auto delay : delays) {
    EXPECT_GE(delay, milliseconds(14));
    EXPECT_LE(delay, milliseconds(18));
    shortest = std::min(shortest, delay);
    longest = std::max(longest, delay);
  }
  // 500 draws from 4000 µs cover most of the range.
  EXPECT_LT(shortest, milliseconds(15));
  EXPECT_GT(longest, milliseconds(17));
  EXPECT_EQ(Delays(7, 500), delays);
  EXPECT_NE(Delays(8, 500), delays);
}

TEST(AnswerSchedule, AnAnswerNeverOvertakesAnEarlierOne) {
  AnswerSchedule answers(milliseconds(14), milliseconds(10), 3);
  TimePoint previous{};
  std::string sent;
  for (int i = 0; i < 200; ++i) {
    // One byte every millisecond, faster than the jitter's spread.
    answers.Add(std::string(1, static_cast<char>('0' + i % 10)), TimePoint{} + milliseconds(i));
  }
  while (const auto due = answers.NextDue()) {
    EXPECT_GE(*due, previous);
    previous = *due;
    sent += answers.TakeDue(*due);
  }
  std::string expected;
  for (int i = 0; i < 200; ++i) expected += static_cast<char>('0' + i % 10);
  EXPECT_EQ(sent, expected);
}

// --- The memory dump and the log ---

TEST(MemoryDump, AStoredByteIsInTheFileAtOnceAndAFileThatCannotBeMadeIsReported) {
  TempDir dir;
  const std::string file = dir.File("memory.bin");
  const std::vector<std::uint8_t> erased(1024, 0xFF);
  {
    MemoryDump dump;
    ASSERT_TRUE(dump.Create(file, erased.data(), erased.size()));
    EXPECT_EQ(TempDir::ReadAll(file), std::string(1024, '\xFF'));
    dump.Store(512, 65);
    dump.Store(1023, 0);
    dump.Store(1024, 7);  // past the end: ignored
    std::string expected(1024, '\xFF');
    expected[512] = 'A';
    expected[1023] = '\0';
    EXPECT_EQ(TempDir::ReadAll(file), expected);  // no sync, no close
  }
  MemoryDump none;
  none.Store(0, 1);  // no file: nothing happens
  errno = 0;
  EXPECT_FALSE(none.Create(dir.File("missing/memory.bin"), erased.data(), erased.size()));
  EXPECT_EQ(errno, ENOENT);
}

TEST(LogWriter, EveryLineGoesOutInOrderAndAllAreWrittenAtTheEnd) {
  TempDir dir;
  const std::string file = dir.File("log.txt");
  const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  std::string expected;
  {
    LogWriter log(fd);
    // More than the queue holds at once, so that some lines wait their turn.
    for (int i = 0; i < 100000; ++i) {
      const std::string line = "command " + std::to_string(i) + ": A512D65R -> V";
      log.Add(line);
      expected += line + "\n";
    }
  }
  ::close(fd);
  EXPECT_EQ(TempDir::ReadAll(file), expected);
}

TEST(LogWriter, AddNeverWaitsForAnOutputThatTakesNothing) {
  // A pipe that is full and never read: every write to it would block.
  int pipeEnds[2];
  ASSERT_EQ(::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK), 0);
  const std::string filler(4096, '.');
  while (::write(pipeEnds[1], filler.data(), filler.size()) > 0) {
  }
  ::fcntl(pipeEnds[1], F_SETFL, 0);
  auto log = std::make_unique<LogWriter>(pipeEnds[1]);
  for (int i = 0; i < 100000; ++i) log->Add("line " + std::to_string(i));  // returns: nothing waits
  // Closing the reading end lets the writing thread give up (its write fails
  // with EPIPE, not a signal), so that the writer can end.
  const auto oldHandler = std::signal(SIGPIPE, SIG_IGN);
  ::close(pipeEnds[0]);
  log.reset();
  std::signal(SIGPIPE, oldHandler);
  ::close(pipeEnds[1]);
}

// --- The program on a pseudo-terminal, in real time ---

class VirtualKoraProgramTest : public ::testing::Test {
 protected:
  // grace: the echo grace in ms; -1 leaves the default.
  void Start(const std::vector<std::string>& args, int output = -1, int grace = -1) {
    host = std::make_unique<VirtualKoraHost>(args, output);
    LinkSettings settings;
    settings.portName = host->LinkPath();
    if (grace >= 0) settings.echoGrace = grace;
    settings.serviceCode = kora::kServiceCodeText;
    link = std::make_unique<TKORAComm>(settings, sink, clock);
    ASSERT_EQ(link->OpenPort(), 0);
  }

  SystemClock clock;
  RecordingMessageSink sink;
  std::unique_ptr<VirtualKoraHost> host;
  std::unique_ptr<TKORAComm> link;
};

TEST_F(VirtualKoraProgramTest, AnswersGoOutWhileItsLogCannotBeWrittenAtAll) {
  // Its output is a pipe that is full and never read: every write to the log
  // blocks for as long as the pipe stays so.
  int pipeEnds[2];
  ASSERT_EQ(::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK), 0);
  ASSERT_GT(::fcntl(pipeEnds[1], F_SETPIPE_SZ, 4096), 0);
  const std::string filler(4096, '.');
  while (::write(pipeEnds[1], filler.data(), filler.size()) > 0) {
  }
  ::fcntl(pipeEnds[1], F_SETFL, 0);
  Start({}, pipeEnds[1]);
  ASSERT_EQ(link->EnterServiceMode(), 0);
  EXPECT_EQ(link->WriteValue(512, "65"), 0);
  EXPECT_EQ(link->WriteValue(513, "66"), 0);
  EXPECT_TRUE(sink.messages.empty());
  EXPECT_EQ(host->Memory().at(512), 65);
  EXPECT_EQ(host->Memory().at(513), 66);
  // A log reader that goes away costs the log, not the instrument.
  ::close(pipeEnds[0]);
  ::close(pipeEnds[1]);
  link.reset();
  EXPECT_EQ(host->Stop(), 0);
}

// Waits up to 5 seconds for count bytes from port; returns when each came.
std::vector<TimePoint> ArrivalsOf(TCommPort& port, std::size_t count, std::string* bytes) {
  std::vector<TimePoint> arrivals;
  const auto deadline = AnswerSchedule::Clock::now() + std::chrono::seconds(5);
  while (arrivals.size() < count && AnswerSchedule::Clock::now() < deadline) {
    if (port.BytesWaiting() == 0) {
      std::this_thread::sleep_for(microseconds(200));
      continue;
    }
    std::uint8_t byte = 0;
    port.Read(&byte, 1);
    arrivals.push_back(AnswerSchedule::Clock::now());
    *bytes += static_cast<char>(byte);
  }
  return arrivals;
}

TEST(VirtualKoraProgram, AnEchoDelayHoldsEachAnswerButNotTheBytesBehindIt) {
  // One second per answer: four characters sent at once are all echoed a
  // second later, not one second after one another.
  VirtualKoraHost host({"--echo-delay", "1000"});
  TCommPort port;
  port.SetPortName(host.LinkPath());
  port.Open();
  const std::string request = "MS" + std::string(kora::kServiceCodeText);
  port.Write(reinterpret_cast<const std::uint8_t*>(request.data()),
             static_cast<std::int32_t>(request.size()));
  std::string answer;
  ASSERT_EQ(ArrivalsOf(port, 1, &answer).size(), 1u);
  ASSERT_EQ(answer, "S");

  const auto sent = AnswerSchedule::Clock::now();
  port.Write(reinterpret_cast<const std::uint8_t*>("A512"), 4);
  std::string echoes;
  const std::vector<TimePoint> arrivals = ArrivalsOf(port, 4, &echoes);
  ASSERT_EQ(arrivals.size(), 4u);
  EXPECT_EQ(echoes, "A512");
  EXPECT_GE(arrivals.front() - sent, milliseconds(1000));
  // Answers held one after another would take three seconds more.
  EXPECT_LT(arrivals.back() - arrivals.front(), milliseconds(1000));
}

TEST(VirtualKoraProgram, APcKilledWithTheLineTakenLeavesAFreeLineBehindTheLink) {
  VirtualKoraHost host;
  HoldingChild pc("killedpc", [&] {
    const int fd = ::open(host.LinkPath().c_str(), O_RDWR | O_NOCTTY);
    return fd >= 0 && ::ioctl(fd, TIOCEXCL) == 0;
  });
  ASSERT_TRUE(pc.Held());
  pc.Kill();
  ASSERT_TRUE(host.WaitForLog("the PC closed"));

  // Each close moves the link; an open at once after it is answered all the
  // same, on whichever line it found.
  TCommPort port;
  port.SetPortName(host.LinkPath());
  const std::string request = "MS" + std::string(kora::kServiceCodeText);
  for (int session = 0; session < 10; ++session) {
    port.Open();
    port.Write(reinterpret_cast<const std::uint8_t*>(request.data()),
               static_cast<std::int32_t>(request.size()));
    std::string answer;
    ArrivalsOf(port, 1, &answer);
    EXPECT_EQ(answer, "S") << "session " << session;
    port.Close();
  }
}

TEST(VirtualKoraProgram, BadLatencyOrJitterIsRefusedAtStart) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--echo-jitter", "-3"},
        std::vector<std::string>{"--echo-delay", "14ms"}, std::vector<std::string>{"--seed", "x"},
        std::vector<std::string>{"--echo-delay", "60001"}}) {
    EXPECT_THROW(VirtualKoraHost host(args), std::runtime_error) << args[0] << " " << args[1];
  }
}

// A slow adapter, answers 14 to 18 ms after each character, at the default
// delay: every echo comes after the look and is awaited.
TEST_F(VirtualKoraProgramTest, ASlowAdapterWorksAtTheDefaultDelay) {
  Start({"--echo-delay", "14", "--echo-jitter", "4", "--seed", "12"});
  ASSERT_EQ(link->EnterServiceMode(), 0);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(link->WriteValue(272 + i, std::to_string(i + 1)), 0);
  link->ExitServiceMode();
  EXPECT_TRUE(sink.messages.empty());
  EXPECT_EQ(host->Commands(),
            (std::vector<std::string>{"A272D1R", "A273D2R", "A274D3R", "A275D4R", "A276D5R"}));
  for (int i = 0; i < 5; ++i)
    EXPECT_EQ(host->Memory().at(static_cast<std::size_t>(272 + i)), i + 1);
  EXPECT_EQ(link->Figures().charactersSentAgain, 0);
  EXPECT_GT(link->Figures().lateAnswers, 0);  // awaited after the look 10 ms after the character
}

TEST_F(VirtualKoraProgramTest, WithoutTheGraceASlowAdapterGetsItsFirstCharacterTwice) {
  Start({"--echo-delay", "14"}, -1, 0);
  ASSERT_EQ(link->EnterServiceMode(), 0);
  EXPECT_EQ(link->WriteValue(512, "65"), -1);
  EXPECT_EQ(sink.messages, (Messages{{"Incorrect reply from KORA-1!" + kAdvice,
                                      "Communications Error", MessageIcon::Stop}}));
  // The instrument took the doubled A into its command.
  link.reset();
  EXPECT_EQ(host->Memory().at(512), 0xFF);
}

}  // namespace
