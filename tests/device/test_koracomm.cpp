// TKORAComm against a scripted port and a fake clock: the bytes on the wire,
// the waits, the retries, and every message with its caption and icon.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "common/settingsfile.h"
#include "device/koracomm.h"
#include "device/linksettings.h"
#include "support/countingprogress.h"
#include "support/fakeclock.h"
#include "support/recordingmessagesink.h"
#include "support/scriptedport.h"
#include "support/tempdir.h"

namespace {

using Messages = std::vector<RecordedMessage>;
using Sleeps = std::vector<int>;

const std::string kAdvice =
    "\n\n-Power down KORA-1\n-Wait one second\n-Power up KORA-1 and try again.";
const std::string kNotResponding =
    "KORA-1 is not responding to PC.\n\n-Check serial connection to KORA-1\n-Verify KORA-1 is powered ON";
const RecordedMessage kWriteFailedNoIcon{"Unable to write to PC COM Port!", "COM Port Error",
                                         MessageIcon::None};
const RecordedMessage kReadFailed{"Unable to read from PC COM Port!", "COM Port Error",
                                  MessageIcon::Stop};
const RecordedMessage kIncorrectReply{"Incorrect reply from KORA-1!" + kAdvice,
                                      "Communications Error", MessageIcon::Stop};
const RecordedMessage kStopped{"KORA-1 has stopped responding to PC!" + kAdvice,
                               "Communications Error", MessageIcon::Stop};

// An echoing instrument whose answers to some characters are replaced: the
// n-th time (from 1) that character c is sent, answers[{c, n}] goes back
// instead; n = 0 replaces every time.
ScriptedPort::Responder Answering(std::map<std::pair<char, int>, std::string> answers) {
  std::map<char, int> sent;
  return [answers, sent, instrument = ScriptedPort::Instrument()](std::uint8_t byte) mutable {
    const char c = static_cast<char>(byte);
    const int n = ++sent[c];
    if (auto it = answers.find({c, n}); it != answers.end()) return it->second;
    if (auto it = answers.find({c, 0}); it != answers.end()) return it->second;
    return instrument(byte);
  };
}

Sleeps Repeat(int ms, int times, Sleeps before = {}) {
  before.insert(before.end(), static_cast<std::size_t>(times), ms);
  return before;
}

class KoraCommTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings.portName = "/dev/ttyTEST7";
    settings.serviceCode = "5173920468";
    port.respond = ScriptedPort::Instrument();
    port.clock = &clock;
  }
  TKORAComm& Link() {
    if (!link_) link_ = std::make_unique<TKORAComm>(settings, sink, clock, port.Handle());
    return *link_;
  }
  TKORAComm& OpenLink() {
    EXPECT_EQ(Link().OpenPort(), 0);
    return Link();
  }

  TempDir dir;
  LinkSettings settings;
  ScriptedPort port;
  FakeClock clock;
  RecordingMessageSink sink;
  std::unique_ptr<TKORAComm> link_;
};

TEST_F(KoraCommTest, ConstructorTakesTheGivenPortAnd9600EightNoneOneWithoutOpening) {
  Link();
  EXPECT_EQ(port.portName, "/dev/ttyTEST7");
  EXPECT_EQ(port.baudRate, 9600);
  EXPECT_EQ(port.byteSize, 8);
  EXPECT_EQ(port.parity, 0);
  EXPECT_EQ(port.stopBits, 0);
  EXPECT_FALSE(port.open);
  link_.reset();
  EXPECT_EQ(port.closeCalls, 0);
}

struct DelayCase {
  std::string ini;
  int delay;
  int grace;
};

class KoraCommDelayTest : public KoraCommTest, public ::testing::WithParamInterface<DelayCase> {};

TEST_P(KoraCommDelayTest, DelayFollowsEachCharacterAndTenMoreFollowR) {
  TempDir::WriteAll(dir.File("korapc.ini"), GetParam().ini);
  settings.commandDelay = ReadCommandDelay(SettingsFile(dir.File("korapc.ini")));
  EXPECT_EQ(OpenLink().SendCommand("A1D2R"), 0);
  EXPECT_EQ(Link().CommandDelay(), GetParam().delay);
  EXPECT_EQ(clock.sleeps, Repeat(GetParam().delay + 10, 1, Repeat(GetParam().delay, 4)));
  // An instrument that answers within the delay is never waited for beyond it.
  EXPECT_TRUE(port.waitTimeouts.empty());
  settings.echoGrace = ReadEchoGrace(SettingsFile(dir.File("korapc.ini")));
  EXPECT_EQ(TKORAComm(settings, sink, clock, port.Handle()).EchoGrace(), GetParam().grace);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, KoraCommDelayTest,
    ::testing::Values(DelayCase{"", 10, 200},
                      DelayCase{"[KORACOMM]\nDELAY=25\nECHOGRACE=0\n", 25, 0},
                      DelayCase{"[koracomm]\ndelay=0\nechograce=35\n", 0, 35},
                      DelayCase{"[KORACOMM]\nDELAY=-40\nECHOGRACE=-1\n", 0, 0},
                      DelayCase{"[KORACOMM]\nDELAY=60000\nECHOGRACE=5000\n", 1000, 1000},
                      DelayCase{"[KORACOMM]\nDELAY=abc\nECHOGRACE=x\n", 10, 200}));

TEST_F(KoraCommTest, OpenFailureAndClosedPortAreReportedAndNothingIsSent) {
  port.failOpen = true;
  TKORAComm& link = Link();
  EXPECT_EQ(link.OpenPort(), -1);
  EXPECT_EQ(link.CheckPortOpen(), 1);
  EXPECT_EQ(link.SendCommand("A1D1R"), -1);
  EXPECT_EQ(link.EnterServiceMode(), -1);
  link.ExitServiceMode();
  const RecordedMessage notAccessible{"PC COM Port is not accessible!", "COM Port Error",
                                      MessageIcon::Stop};
  const std::string unableToOpen =
      "Unable to open PC COM Port!\n\n/dev/ttyTEST7 does not exist (any more). Check the cable and the USB "
      "adapter, then pick the port again on the Settings tab.";
  EXPECT_EQ(sink.messages, (Messages{{unableToOpen, "COM Port Error", MessageIcon::Stop},
                                     notAccessible,
                                     notAccessible,
                                     notAccessible,
                                     notAccessible}));
  EXPECT_EQ(port.writeCalls, 0u);
}

TEST_F(KoraCommTest, WritesSendTheirCommandsAndWriteTextStepsEachCharacter) {
  CountingProgress progress;
  TKORAComm& link = OpenLink();
  EXPECT_EQ(link.WriteWord(600, 300), 0);
  EXPECT_EQ(link.WriteValue(329, "12"), 0);
  EXPECT_EQ(link.WriteText(512, "A\xC8", progress), 0);  // 0xC8 goes out as 200
  EXPECT_EQ(link.WriteText(530, "", progress), 0);
  EXPECT_EQ(port.written, "A600D44RA601D1RA329D12RA512D65RA513D200R");
  EXPECT_EQ(progress.steps, 2);
  EXPECT_TRUE(sink.messages.empty());
  link_.reset();
  EXPECT_FALSE(port.open);  // destruction closes the port
}

TEST_F(KoraCommTest, WritesStopAtTheFirstFailure) {
  port.respond = Answering({{{'R', 1}, "Y"}, {{'R', 6}, "N"}});
  CountingProgress progress;
  TKORAComm& link = OpenLink();
  EXPECT_EQ(link.WriteWord(600, 300), -1);
  EXPECT_EQ(port.written, "A600D44R");
  port.written.clear();
  // The 5th character of the text fails.
  EXPECT_EQ(link.WriteText(512, "ABCDEFGHIJKLMNOPQRST", progress), -1);
  EXPECT_EQ(progress.steps, 4);
  EXPECT_EQ(port.written, "A512D65RA513D66RA514D67RA515D68RA516D69R");
}

TEST_F(KoraCommTest, MissedCharacterAndZeroByteAreSentAgainAfterTheGrace) {
  port.respond = Answering({{{'1', 1}, ""}, {{'D', 1}, std::string(1, '\0')}});
  EXPECT_EQ(OpenLink().SendCommand("A512D65R"), 0);
  EXPECT_EQ(port.written, "A5112DD65R");
  EXPECT_EQ(clock.waits, (Sleeps{200, 200}));
  EXPECT_TRUE(sink.messages.empty());
  EXPECT_EQ(Link().Figures().charactersSentAgain, 2);
  EXPECT_EQ(Link().Figures().lateAnswers, 0);
}

TEST_F(KoraCommTest, SilenceGetsSevenSendsOfOneCharacter) {
  port.respond = Answering({{{'A', 0}, ""}});
  EXPECT_EQ(OpenLink().SendCommand("A512D65R"), -1);
  EXPECT_EQ(port.written, "AAAAAAA");
  EXPECT_EQ(clock.sleeps, Repeat(10, 7));
  EXPECT_EQ(clock.waits, Repeat(200, 7));  // about 1.5 s in all
  EXPECT_EQ(sink.messages, Messages{kStopped});
  EXPECT_EQ(Link().Figures().charactersSentAgain, 6);

  port.written.clear();
  clock.sleeps.clear();
  port.respond = Answering({{{'R', 0}, ""}});
  EXPECT_EQ(Link().SendCommand("A1D2R"), -1);
  EXPECT_EQ(port.written, "A1D2RRRRRRR");
  EXPECT_EQ(clock.sleeps, Repeat(20, 7, Repeat(10, 4)));
  EXPECT_EQ(clock.waits, Repeat(200, 7, Repeat(200, 7)));
}

TEST_F(KoraCommTest, EmptyPollCountStartsAgainAfterEveryGoodEcho) {
  std::map<std::pair<char, int>, std::string> sixMisses;
  for (char c : std::string("A9D8R")) {
    for (int n = 1; n <= 6; ++n) sixMisses[{c, n}] = "";
  }
  port.respond = Answering(sixMisses);
  EXPECT_EQ(OpenLink().SendCommand("A9D8R"), 0);
  EXPECT_EQ(port.written, "AAAAAAA9999999DDDDDDD8888888RRRRRRR");
}

// Answers that arrive after the look that follows the command delay. The
// link listens on for them for up to the echo grace (200 ms by default)
// before it sends the character again, which the instrument would take as
// one more character.

TEST_F(KoraCommTest, AVArrivingAfterTheFirstLookIsAwaitedAndTheRGoesOnce) {
  int finals = 0;
  port.respond = [&,
                  instrument = ScriptedPort::Instrument()](std::uint8_t c) mutable -> std::string {
    if (c != 'R') return instrument(c);
    if (++finals == 1) port.ArriveLater("V", 1);
    return "";
  };
  EXPECT_EQ(OpenLink().SendCommand("A1D2R"), 0);
  EXPECT_EQ(port.written, "A1D2R");
  EXPECT_EQ(clock.sleeps, Repeat(20, 1, Repeat(10, 4)));
  EXPECT_EQ(port.waitTimeouts, Sleeps{200});
  EXPECT_TRUE(sink.messages.empty());
  EXPECT_EQ(Link().Figures().lateAnswers, 1);
}

TEST_F(KoraCommTest, ALateEchoNoLongerDoublesACharacter) {
  // The sixth character, the first 1 of the data, is echoed one look late.
  int sent = 0;
  port.respond = [&,
                  instrument = ScriptedPort::Instrument()](std::uint8_t c) mutable -> std::string {
    if (++sent != 6) return instrument(c);
    port.ArriveLater("1", 1);
    return "";
  };
  EXPECT_EQ(OpenLink().SendCommand("A512D11R"), 0);
  EXPECT_EQ(port.written, "A512D11R");
  EXPECT_TRUE(sink.messages.empty());
  EXPECT_TRUE(port.incoming.empty());
}

TEST_F(KoraCommTest, AZeroByteBeforeAnEchoIsSkipped) {
  // A zero byte at the look, and one in the grace before the late echo.
  int sent = 0;
  port.respond = [&,
                  instrument = ScriptedPort::Instrument()](std::uint8_t c) mutable -> std::string {
    ++sent;
    if (sent == 5) return std::string("\0D", 2);
    if (sent == 6) port.ArriveLater(std::string("\0", 1), 0, 15);
    if (sent == 6) port.ArriveLater("6", 0, 30);
    return sent == 6 ? std::string() : instrument(c);
  };
  EXPECT_EQ(OpenLink().SendCommand("A512D65R"), 0);
  EXPECT_EQ(port.written, "A512D65R");
  // The D's echo was there behind its zero byte; the 6's zero byte came 5 ms
  // into the grace and its echo 15 ms after that.
  EXPECT_EQ(clock.waits, (Sleeps{0, 5, 15}));
  EXPECT_TRUE(sink.messages.empty());
}

TEST_F(KoraCommTest, AByteLeftOverFromAFailedCommandIsTakenAsTheNextAnswer) {
  // The V of the first command comes 1.6 s after its R, after seven sends of
  // the R with the grace after each: it then answers the next command's first
  // character, which "succeeds" without its rest being sent. Uploads
  // therefore stop at the first failure.
  int finals = 0;
  port.respond = [&,
                  instrument = ScriptedPort::Instrument()](std::uint8_t c) mutable -> std::string {
    if (c != 'R') return instrument(c);
    if (++finals == 1) port.ArriveLater("V", 0, 1600);
    return "";
  };
  TKORAComm& link = OpenLink();
  EXPECT_EQ(link.SendCommand("A1D2R"), -1);
  EXPECT_EQ(port.written, "A1D2RRRRRRR");
  EXPECT_EQ(clock.waits, Repeat(200, 7));
  EXPECT_EQ(link.SendCommand("A3D4R"), 0);
  EXPECT_EQ(port.written, "A1D2RRRRRRRA");
  EXPECT_EQ(sink.messages, Messages{kStopped});
  EXPECT_EQ(std::string(port.incoming.begin(), port.incoming.end()), "A");
}

// An adapter or instrument whose every answer takes the same time, on the
// fake clock.
struct LatencyCase {
  int delay;
  int answerMs;
  std::string written;
  std::vector<RecordedMessage> messages;
  int totalMs;  // from the first character to the end of the command
  LinkFigures figures;
};

class KoraCommLatencyTest : public KoraCommTest,
                            public ::testing::WithParamInterface<LatencyCase> {};

TEST_P(KoraCommLatencyTest, AnAnswerWithinTheGraceIsTakenAndTheNextCharacterGoesAtOnce) {
  const LatencyCase& c = GetParam();
  settings.commandDelay = c.delay;
  port.respond = [&, instrument =
                         ScriptedPort::Instrument()](std::uint8_t byte) mutable -> std::string {
    port.ArriveLater(instrument(byte), 0, c.answerMs);
    return "";
  };
  EXPECT_EQ(OpenLink().SendCommand("A512D65R"), c.messages.empty() ? 0 : -1);
  EXPECT_EQ(port.written, c.written);
  EXPECT_EQ(sink.messages, c.messages);
  EXPECT_EQ(clock.TotalMs(), c.totalMs);
  const LinkFigures& f = Link().Figures();
  EXPECT_EQ(f.lateAnswers, c.figures.lateAnswers);
  EXPECT_EQ(f.slowestAnswerMs, c.figures.slowestAnswerMs);
  EXPECT_EQ(f.charactersSentAgain, c.figures.charactersSentAgain);
}

INSTANTIATE_TEST_SUITE_P(Delays, KoraCommLatencyTest,
                         ::testing::Values(
                             // Every answer is there at the first look: the grace is never used.
                             LatencyCase{20, 14, "A512D65R", {}, 7 * 20 + 30, {0, 20, 0, -1}},
                             // A USB adapter's 16 ms latency timer: each echo is taken when it
                             // comes; the V is there at the look after R.
                             LatencyCase{10, 16, "A512D65R", {}, 7 * 16 + 20, {7, 16, 0, -1}},
                             // DELAY 0: each character goes as soon as its echo is in; R still
                             // waits 10 ms.
                             LatencyCase{0, 2, "A512D65R", {}, 7 * 2 + 10, {7, 2, 0, -1}},
                             // A V within the grace.
                             LatencyCase{10, 150, "A512D65R", {}, 8 * 150, {8, 150, 0, -1}},
                             // An echo after the grace: A goes again at 210 ms, the first echo
                             // answers it at 250, and the second echo, at 460, is taken as the
                             // answer to the 5, as without the grace.
                             LatencyCase{10, 250, "AA5", {kIncorrectReply}, 460, {2, 210, 1, -1}}));

// With ECHOGRACE=0 the link looks once after the delay and nothing more: a
// late answer has the character sent again, as the instrument's protocol
// has always done, byte for byte and wait for wait.
struct NoGraceCase {
  const char* what;
  // Sets the port's responder; the port is given for late answers.
  std::function<ScriptedPort::Responder(ScriptedPort&)> script;
  std::string command;
  std::string written;
  Sleeps sleeps;
  Messages messages;
};

class KoraCommNoGraceTest : public KoraCommTest,
                            public ::testing::WithParamInterface<NoGraceCase> {};

TEST_P(KoraCommNoGraceTest, EachCharacterIsLookedForOnceAndSentAgainWhenNothingIsThere) {
  settings.echoGrace = 0;
  port.respond = GetParam().script(port);
  EXPECT_EQ(OpenLink().SendCommand(GetParam().command), GetParam().messages.empty() ? 0 : -1)
      << GetParam().what;
  EXPECT_EQ(port.written, GetParam().written);
  EXPECT_EQ(clock.sleeps, GetParam().sleeps);
  EXPECT_EQ(sink.messages, GetParam().messages);
  EXPECT_TRUE(port.waitTimeouts.empty());
}

// Answers as the instrument does, the n-th byte sent (from 1) answered
// afterPolls looks or afterMs late.
std::function<ScriptedPort::Responder(ScriptedPort&)> LateAt(int n, int afterPolls,
                                                             int afterMs = 0) {
  return [=](ScriptedPort& port) -> ScriptedPort::Responder {
    return [&port, n, afterPolls, afterMs, sent = 0,
            instrument = ScriptedPort::Instrument()](std::uint8_t c) mutable -> std::string {
      if (++sent != n && afterMs == 0) return instrument(c);
      port.ArriveLater(instrument(c), afterPolls, afterMs);
      return "";
    };
  };
}

std::function<ScriptedPort::Responder(ScriptedPort&)> Fixed(ScriptedPort::Responder responder) {
  return [responder](ScriptedPort&) { return responder; };
}

INSTANTIATE_TEST_SUITE_P(
    Timelines, KoraCommNoGraceTest,
    ::testing::Values(NoGraceCase{"the V one look late",
                                  LateAt(5, 1),
                                  "A1D2R",
                                  "A1D2RR",
                                  Repeat(20, 2, Repeat(10, 4)),
                                  {}},
                      // The late echo is taken for the second 1, whose own echo is then
                      // taken for the third; the instrument has A512D111R.
                      NoGraceCase{"an echo one look late",
                                  LateAt(6, 1),
                                  "A512D11R",
                                  "A512D111R",
                                  Repeat(20, 1, Repeat(10, 8)),
                                  {kIncorrectReply}},
                      // Every answer 14 ms late at DELAY 10: A goes again, and its second
                      // echo is taken as the answer to the 5.
                      NoGraceCase{"answers 14 ms late",
                                  LateAt(0, 0, 14),
                                  "A512D65R",
                                  "AA5",
                                  Repeat(10, 3),
                                  {kIncorrectReply}},
                      NoGraceCase{"silence",
                                  Fixed(Answering({{{'A', 0}, ""}})),
                                  "A512D65R",
                                  "AAAAAAA",
                                  Repeat(10, 7),
                                  {kStopped}},
                      // A zero byte counts as nothing, and the echo behind it answers the
                      // character sent again.
                      NoGraceCase{"a zero byte before the echo",
                                  Fixed(Answering({{{'D', 0}, std::string("\0D", 2)}})),
                                  "A512D65R",
                                  "A512DD66",
                                  Repeat(10, 8),
                                  {kIncorrectReply}}));

struct AnswerCase {
  char answer;
  std::string text;
  std::string caption;
};

class KoraCommAnswerTest : public KoraCommTest, public ::testing::WithParamInterface<AnswerCase> {};

TEST_P(KoraCommAnswerTest, AnswerToTheFinalRGivesItsMessage) {
  port.respond = Answering({{{'R', 0}, std::string(1, GetParam().answer)}});
  EXPECT_EQ(OpenLink().SendCommand("A512D65R"), -1);
  EXPECT_EQ(port.written, "A512D65R");
  EXPECT_EQ(sink.messages,
            (Messages{{GetParam().text + kAdvice, GetParam().caption, MessageIcon::Stop}}));
}

INSTANTIATE_TEST_SUITE_P(
    FailureTable, KoraCommAnswerTest,
    ::testing::Values(AnswerCase{'N', "Memory program/verify error!", "KORA-1 Memory Error"},
                      AnswerCase{'R', "Invalid KORA status message!", "Communications Error"},
                      AnswerCase{'T', "Invalid data value!", "KORA-1 Memory Error"},
                      AnswerCase{'U', "Missing address/data parameter!", "KORA-1 Memory Error"},
                      AnswerCase{'Y', "Invalid address value!", "KORA-1 Memory Error"},
                      AnswerCase{'Q', "Incorrect reply from KORA-1!", "Communications Error"}));

TEST_F(KoraCommTest, AnswersToMiddleCharactersAreJudgedStatusFirst) {
  TKORAComm& link = OpenLink();
  port.respond = Answering({{{'5', 0}, "T"}});  // a status letter ends the command
  EXPECT_EQ(link.SendCommand("A512D65R"), -1);
  port.respond = Answering({{{'6', 0}, "7"}});  // an echo of another digit
  EXPECT_EQ(link.SendCommand("A512D65R"), -1);
  port.respond = Answering({{{'D', 0}, "V"}});  // V ends it with success
  EXPECT_EQ(link.SendCommand("A512D65R"), 0);
  EXPECT_EQ(port.written, "A5A512D6A512D");
  EXPECT_EQ(sink.messages,
            (Messages{{"Invalid data value!" + kAdvice, "KORA-1 Memory Error", MessageIcon::Stop},
                      {"Incorrect reply from KORA-1!" + kAdvice, "Communications Error",
                       MessageIcon::Stop}}));
  link.ShowLinkError(41);  // codes above 6 use the last row
  EXPECT_EQ(sink.messages.back(), kStopped);
}

TEST_F(KoraCommTest, PortFailuresDuringACommandAreShown) {
  TKORAComm& link = OpenLink();
  port.failRead = true;
  EXPECT_EQ(link.SendCommand("A1D1R"), -1);
  port.failRead = false;
  port.failQueueQuery = true;
  EXPECT_EQ(link.SendCommand("A1D1R"), -1);
  port.failQueueQuery = false;
  port.incoming.clear();
  port.respond = Answering({{{'A', 0}, ""}});  // the link waits for the echo and the line hangs up
  port.failWait = true;
  EXPECT_EQ(link.SendCommand("A1D1R"), -1);
  port.failWait = false;
  port.respond = ScriptedPort::Instrument();
  port.failWritesFrom = port.writeCalls + 1;
  EXPECT_EQ(link.SendCommand("A1D1R"), -1);
  EXPECT_EQ(port.written, "AAAA");
  EXPECT_EQ(sink.messages,
            (Messages{kReadFailed,
                      kReadFailed,
                      kReadFailed,
                      {"Unable to write to PC COM Port!", "COM Port Error", MessageIcon::Stop}}));
}

TEST_F(KoraCommTest, MalformedCommandsAreRefusedBeforeAnythingIsSent) {
  TKORAComm& link = OpenLink();
  for (const std::string& text :
       {std::string("A1000D10000R"), std::string(), std::string("A1D1"), std::string("A1VD1R"),
        std::string("A1DTR"), std::string("A1\0D1R", 6)}) {
    EXPECT_EQ(link.SendCommand(text), -1) << text;
  }
  EXPECT_EQ(link.WriteValue(-1, "0"), -1);  // not wrapped to 4294967295
  EXPECT_EQ(port.written, "");
  EXPECT_EQ(sink.messages, Messages(7, RecordedMessage{"Invalid KORA-1 command!",
                                                       "Communications Error", MessageIcon::Stop}));
  EXPECT_EQ(link.SendCommand("A1000D1000R"), 0);  // 11 characters is the longest
}

TEST_F(KoraCommTest, ServiceModeRequestIsTwelveBytesTenMillisecondsApart) {
  settings.serviceCode.clear();  // the built-in code stands in
  EXPECT_EQ(OpenLink().EnterServiceMode(), 0);
  EXPECT_EQ(port.written, "MS5173920468");
  EXPECT_EQ(clock.sleeps, Repeat(10, 12));
  EXPECT_TRUE(sink.messages.empty());
}

TEST_F(KoraCommTest, ServiceModeSendsTheCodeItWasGiven) {
  settings.serviceCode = "0123456789";
  EXPECT_EQ(OpenLink().EnterServiceMode(), 0);
  EXPECT_EQ(port.written, "MS0123456789");
}

// The service-mode answer is awaited in one wait, of up to 100 ms plus the
// echo grace, that ends when the answer comes.
struct ServiceTimingCase {
  int grace;
  std::string answer;  // sent answerMs after the last byte of the request
  int answerMs;
  Sleeps waitTimeouts;
  Sleeps waits;
  int serviceAnswerMs;  // -1: no answer; the not-responding message then follows
};

class KoraCommServiceTimingTest : public KoraCommTest,
                                  public ::testing::WithParamInterface<ServiceTimingCase> {};

TEST_P(KoraCommServiceTimingTest,
       TheAnswerIsTakenWhenItComesWithinOneHundredMillisecondsAndTheGrace) {
  const ServiceTimingCase& c = GetParam();
  settings.echoGrace = c.grace;
  int bytes = 0;
  port.respond = [&](std::uint8_t) -> std::string {
    if (++bytes == 12 && !c.answer.empty()) port.ArriveLater(c.answer, 0, c.answerMs);
    return "";
  };
  EXPECT_EQ(OpenLink().EnterServiceMode(), c.serviceAnswerMs < 0 ? -1 : 0);
  EXPECT_EQ(clock.sleeps, Repeat(10, 12));
  EXPECT_EQ(port.waitTimeouts, c.waitTimeouts);
  EXPECT_EQ(clock.waits, c.waits);
  EXPECT_EQ(Link().Figures().serviceAnswerMs, c.serviceAnswerMs);
  const Messages notResponding{{kNotResponding, "Communications Error", MessageIcon::Exclamation}};
  EXPECT_EQ(sink.messages, c.serviceAnswerMs < 0 ? notResponding : Messages());
}

const std::string kZeroThenS("\0S", 2);

INSTANTIATE_TEST_SUITE_P(Answers, KoraCommServiceTimingTest,
                         ::testing::Values(
                             // There at the first look, 10 ms after the last byte.
                             ServiceTimingCase{200, "S", 5, {}, {}, 10},
                             ServiceTimingCase{200, "S", 250, {300}, {240}, 250},
                             // None: the message comes about 300 ms after the request.
                             ServiceTimingCase{200, "", 0, {300}, {300}, -1},
                             ServiceTimingCase{200, kZeroThenS, 30, {300, 280}, {20, 0}, 30},
                             // Without the grace: one wait of up to 100 ms, and a zero byte is no
                             // answer.
                             ServiceTimingCase{0, "S", 60, {100}, {50}, 60},
                             ServiceTimingCase{0, "S", 250, {100}, {100}, -1},
                             ServiceTimingCase{0, kZeroThenS, 30, {100}, {20}, -1}));

struct ServiceCase {
  std::string answer;
  RecordedMessage message;
};

class KoraCommServiceTest : public KoraCommTest,
                            public ::testing::WithParamInterface<ServiceCase> {};

TEST_P(KoraCommServiceTest, ServiceModeAnswerGivesItsMessageAndNothingMoreIsSent) {
  port.respond = Answering({{{'8', 0}, GetParam().answer}});
  EXPECT_EQ(OpenLink().EnterServiceMode(), -1);
  EXPECT_EQ(port.written, "MS5173920468");
  EXPECT_EQ(sink.messages, Messages{GetParam().message});
}

INSTANTIATE_TEST_SUITE_P(Answers, KoraCommServiceTest,
                         ::testing::Values(ServiceCase{"Z",
                                                       {"Service mode password is incorrect.",
                                                        "Communications Error",
                                                        MessageIcon::Exclamation}},
                                           ServiceCase{"Q",
                                                       {"Incorrect reply from KORA-1!" + kAdvice,
                                                        "Communications Error", MessageIcon::Stop}},
                                           ServiceCase{std::string(1, '\0'),
                                                       {kNotResponding, "Communications Error",
                                                        MessageIcon::Exclamation}}));

TEST_F(KoraCommTest, ServiceModePortFailures) {
  port.failWritesFrom = 2;  // the answer is still awaited after the failed write
  EXPECT_EQ(OpenLink().EnterServiceMode(), -1);
  EXPECT_EQ(port.written, "MS");
  EXPECT_EQ(clock.sleeps, Repeat(10, 2));
  EXPECT_EQ(clock.waits, Sleeps{300});
  port.failQueueQuery = true;
  EXPECT_EQ(Link().EnterServiceMode(), -1);
  port.failQueueQuery = false;
  port.failWait = true;  // the line hangs up while the answer is awaited
  EXPECT_EQ(Link().EnterServiceMode(), -1);
  EXPECT_EQ(sink.messages,
            (Messages{kWriteFailedNoIcon,
                      {kNotResponding, "Communications Error", MessageIcon::Exclamation},
                      kWriteFailedNoIcon,
                      kReadFailed,
                      kWriteFailedNoIcon,
                      kReadFailed}));
}

TEST_F(KoraCommTest, ExitServiceModeSendsOneXAndReadsNothing) {
  port.incoming.push_back('?');  // any read would consume it
  OpenLink().ExitServiceMode();
  EXPECT_EQ(port.written, "X");
  EXPECT_EQ(clock.sleeps, Repeat(10, 1));
  EXPECT_EQ(port.readCalls, 0);
  EXPECT_EQ(port.incoming.size(), 1u);
  port.failWritesFrom = 0;
  Link().ExitServiceMode();
  Link().ShowPowerCycleNotice("Power On Settings");
  EXPECT_EQ(sink.messages,
            (Messages{kWriteFailedNoIcon,
                      {"Switch KORA-1 power OFF, then switch\nback ON for settings to take effect.",
                       "Power On Settings", MessageIcon::None}}));
}

}  // namespace
