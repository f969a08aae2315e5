// TKORAComm against a scripted port and a fake clock: the bytes on the wire,
// the waits, the retries, and every message with its caption and icon.
#include <gtest/gtest.h>

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

const std::string kAdvice = "\n\n-Power down KORA-1\n-Wait one second\n-Power up KORA-1 and try again.";
const std::string kNotResponding =
    "KORA-1 is not responding to PC.\n\n-Check serial connection to KORA-1\n-Verify KORA-1 is powered ON";
const RecordedMessage kWriteFailedNoIcon{"Unable to write to PC COM Port!", "COM Port Error", MessageIcon::None};
const RecordedMessage kReadFailed{"Unable to read from PC COM Port!", "COM Port Error", MessageIcon::Stop};
const RecordedMessage kStopped{"KORA-1 has stopped responding to PC!" + kAdvice, "Communications Error",
                               MessageIcon::Stop};

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
};

class KoraCommDelayTest : public KoraCommTest, public ::testing::WithParamInterface<DelayCase> {};

TEST_P(KoraCommDelayTest, DelayFollowsEachCharacterAndTenMoreFollowR) {
  TempDir::WriteAll(dir.File("korapc.ini"), GetParam().ini);
  settings.commandDelay = ReadCommandDelay(SettingsFile(dir.File("korapc.ini")));
  EXPECT_EQ(OpenLink().SendCommand("A1D2R"), 0);
  EXPECT_EQ(Link().CommandDelay(), GetParam().delay);
  EXPECT_EQ(clock.sleeps, Repeat(GetParam().delay + 10, 1, Repeat(GetParam().delay, 4)));
}

INSTANTIATE_TEST_SUITE_P(Settings, KoraCommDelayTest,
                         ::testing::Values(DelayCase{"", 10}, DelayCase{"[KORACOMM]\nDELAY=25\n", 25},
                                           DelayCase{"[koracomm]\ndelay=0\n", 0},
                                           DelayCase{"[KORACOMM]\nDELAY=-40\n", 0},
                                           DelayCase{"[KORACOMM]\nDELAY=60000\n", 1000},
                                           DelayCase{"[KORACOMM]\nDELAY=abc\n", 10}));

TEST_F(KoraCommTest, OpenFailureAndClosedPortAreReportedAndNothingIsSent) {
  port.failOpen = true;
  TKORAComm& link = Link();
  EXPECT_EQ(link.OpenPort(), -1);
  EXPECT_EQ(link.CheckPortOpen(), 1);
  EXPECT_EQ(link.SendCommand("A1D1R"), -1);
  EXPECT_EQ(link.EnterServiceMode(), -1);
  link.ExitServiceMode();
  const RecordedMessage notAccessible{"PC COM Port is not accessible!", "COM Port Error", MessageIcon::Stop};
  const std::string unableToOpen =
      "Unable to open PC COM Port!\n\n/dev/ttyTEST7 does not exist (any more). Check the cable and the USB "
      "adapter, then pick the port again on the Settings tab.";
  EXPECT_EQ(sink.messages, (Messages{{unableToOpen, "COM Port Error", MessageIcon::Stop},
                                     notAccessible, notAccessible, notAccessible, notAccessible}));
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

TEST_F(KoraCommTest, MissedCharacterAndZeroByteAreSentAgain) {
  port.respond = Answering({{{'1', 1}, ""}, {{'D', 1}, std::string(1, '\0')}});
  EXPECT_EQ(OpenLink().SendCommand("A512D65R"), 0);
  EXPECT_EQ(port.written, "A5112DD65R");
  EXPECT_TRUE(sink.messages.empty());
}

TEST_F(KoraCommTest, SilenceGetsSevenSendsOfOneCharacter) {
  port.respond = Answering({{{'A', 0}, ""}});
  EXPECT_EQ(OpenLink().SendCommand("A512D65R"), -1);
  EXPECT_EQ(port.written, "AAAAAAA");
  EXPECT_EQ(clock.sleeps, Repeat(10, 7));
  EXPECT_EQ(sink.messages, Messages{kStopped});

  port.written.clear();
  clock.sleeps.clear();
  port.respond = Answering({{{'R', 0}, ""}});
  EXPECT_EQ(Link().SendCommand("A1D2R"), -1);
  EXPECT_EQ(port.written, "A1D2RRRRRRR");
  EXPECT_EQ(clock.sleeps, Repeat(20, 7, Repeat(10, 4)));
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

// Answers that arrive after the poll that looked for them. The instrument
// takes every character it is sent, so a character sent again because its
// echo came late reaches it twice.

TEST_F(KoraCommTest, AVArrivingAfterTheFirstPollHasTheRSentAgainAndTheCommandSucceeds) {
  int finals = 0;
  port.respond = [&, instrument = ScriptedPort::Instrument()](std::uint8_t c) mutable -> std::string {
    if (c != 'R') return instrument(c);
    if (++finals == 1) port.ArriveLater("V", 1);
    return "";  // the second R comes after the command ended and is not answered
  };
  EXPECT_EQ(OpenLink().SendCommand("A1D2R"), 0);
  EXPECT_EQ(port.written, "A1D2RR");
  EXPECT_EQ(clock.sleeps, Repeat(20, 2, Repeat(10, 4)));
  EXPECT_TRUE(sink.messages.empty());
  EXPECT_TRUE(port.incoming.empty());
  EXPECT_EQ(port.Underway(), 0u);
}

TEST_F(KoraCommTest, AnEchoArrivingAfterTheFirstPollSendsTheCharacterTwiceAndEndsInIncorrectReply) {
  // The sixth character, the first 1 of the data, is echoed one poll late.
  int sent = 0;
  port.respond = [&, instrument = ScriptedPort::Instrument()](std::uint8_t c) mutable -> std::string {
    if (++sent != 6) return instrument(c);
    port.ArriveLater("1", 1);
    return "";
  };
  EXPECT_EQ(OpenLink().SendCommand("A512D11R"), -1);
  // The late echo is taken for the second 1, whose own echo is then taken for
  // the third; the instrument has A512D111R and answers V behind that echo.
  EXPECT_EQ(port.written, "A512D111R");
  EXPECT_EQ(sink.messages, (Messages{{"Incorrect reply from KORA-1!" + kAdvice, "Communications Error",
                                      MessageIcon::Stop}}));
  EXPECT_EQ(std::string(port.incoming.begin(), port.incoming.end()), "V");
}

TEST_F(KoraCommTest, AByteLeftOverFromAFailedCommandIsTakenAsTheNextAnswer) {
  // The V of the first command comes only after its seventh R was not
  // answered in time: it then answers the next command's first character,
  // which "succeeds" without its rest being sent. Uploads therefore stop at
  // the first failure.
  int finals = 0;
  port.respond = [&, instrument = ScriptedPort::Instrument()](std::uint8_t c) mutable -> std::string {
    if (c != 'R') return instrument(c);
    if (++finals == 1) port.ArriveLater("V", 7);
    return "";
  };
  TKORAComm& link = OpenLink();
  EXPECT_EQ(link.SendCommand("A1D2R"), -1);
  EXPECT_EQ(port.written, "A1D2RRRRRRR");
  EXPECT_EQ(link.SendCommand("A3D4R"), 0);
  EXPECT_EQ(port.written, "A1D2RRRRRRRA");
  EXPECT_EQ(sink.messages, Messages{kStopped});
  EXPECT_EQ(std::string(port.incoming.begin(), port.incoming.end()), "A");
}

// An adapter or instrument whose every answer takes 14 ms, on the fake clock.
struct LatencyCase {
  int delay;
  std::string written;
  std::vector<RecordedMessage> messages;
};

class KoraCommLatencyTest : public KoraCommTest, public ::testing::WithParamInterface<LatencyCase> {};

TEST_P(KoraCommLatencyTest, AnswersTakingFourteenMillisecondsNeedADelayAboveThat) {
  settings.commandDelay = GetParam().delay;
  port.clock = &clock;
  port.respond = [&, instrument = ScriptedPort::Instrument()](std::uint8_t c) mutable -> std::string {
    port.ArriveLater(instrument(c), 0, 14);
    return "";
  };
  EXPECT_EQ(OpenLink().SendCommand("A512D65R"), GetParam().messages.empty() ? 0 : -1);
  EXPECT_EQ(port.written, GetParam().written);
  EXPECT_EQ(sink.messages, GetParam().messages);
}

INSTANTIATE_TEST_SUITE_P(
    Delays, KoraCommLatencyTest,
    ::testing::Values(
        // The first A is echoed at 14 ms, after the poll at 10: A goes again,
        // and its second echo is then taken as the answer to the 5.
        LatencyCase{10, "AA5", {{"Incorrect reply from KORA-1!" + kAdvice, "Communications Error", MessageIcon::Stop}}},
        LatencyCase{20, "A512D65R", {}}));

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
  EXPECT_EQ(sink.messages, (Messages{{GetParam().text + kAdvice, GetParam().caption, MessageIcon::Stop}}));
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
  EXPECT_EQ(sink.messages, (Messages{{"Invalid data value!" + kAdvice, "KORA-1 Memory Error", MessageIcon::Stop},
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
  port.failWritesFrom = port.writeCalls + 1;
  EXPECT_EQ(link.SendCommand("A1D1R"), -1);
  EXPECT_EQ(port.written, "AAA");
  EXPECT_EQ(sink.messages, (Messages{kReadFailed, kReadFailed,
                                     {"Unable to write to PC COM Port!", "COM Port Error", MessageIcon::Stop}}));
}

TEST_F(KoraCommTest, MalformedCommandsAreRefusedBeforeAnythingIsSent) {
  TKORAComm& link = OpenLink();
  for (const std::string& text : {std::string("A1000D10000R"), std::string(), std::string("A1D1"),
                                  std::string("A1VD1R"), std::string("A1DTR"), std::string("A1\0D1R", 6)}) {
    EXPECT_EQ(link.SendCommand(text), -1) << text;
  }
  EXPECT_EQ(link.WriteValue(-1, "0"), -1);  // not wrapped to 4294967295
  EXPECT_EQ(port.written, "");
  EXPECT_EQ(sink.messages,
            Messages(7, RecordedMessage{"Invalid KORA-1 command!", "Communications Error", MessageIcon::Stop}));
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

TEST_F(KoraCommTest, ServiceModeAnswerIsPolledTwentyTimesFiveMillisecondsApart) {
  port.respond = nullptr;
  int polls = 0;
  clock.onSleep = [&](int ms) {
    if (ms == 5 && ++polls == 3) port.incoming.push_back('S');
  };
  EXPECT_EQ(OpenLink().EnterServiceMode(), 0);
  EXPECT_EQ(clock.sleeps, Repeat(5, 3, Repeat(10, 12)));

  clock.sleeps.clear();
  clock.onSleep = nullptr;
  EXPECT_EQ(Link().EnterServiceMode(), -1);
  EXPECT_EQ(clock.sleeps, Repeat(5, 20, Repeat(10, 12)));
  EXPECT_EQ(sink.messages, (Messages{{kNotResponding, "Communications Error", MessageIcon::Exclamation}}));
}

struct ServiceCase {
  std::string answer;
  RecordedMessage message;
};

class KoraCommServiceTest : public KoraCommTest, public ::testing::WithParamInterface<ServiceCase> {};

TEST_P(KoraCommServiceTest, ServiceModeAnswerGivesItsMessageAndNothingMoreIsSent) {
  port.respond = Answering({{{'8', 0}, GetParam().answer}});
  EXPECT_EQ(OpenLink().EnterServiceMode(), -1);
  EXPECT_EQ(port.written, "MS5173920468");
  EXPECT_EQ(sink.messages, Messages{GetParam().message});
}

INSTANTIATE_TEST_SUITE_P(
    Answers, KoraCommServiceTest,
    ::testing::Values(
        ServiceCase{"Z", {"Service mode password is incorrect.", "Communications Error", MessageIcon::Exclamation}},
        ServiceCase{"Q", {"Incorrect reply from KORA-1!" + kAdvice, "Communications Error", MessageIcon::Stop}},
        ServiceCase{std::string(1, '\0'), {kNotResponding, "Communications Error", MessageIcon::Exclamation}}));

TEST_F(KoraCommTest, ServiceModePortFailures) {
  port.failWritesFrom = 2;  // the answer is still awaited after the failed write
  EXPECT_EQ(OpenLink().EnterServiceMode(), -1);
  EXPECT_EQ(port.written, "MS");
  EXPECT_EQ(clock.sleeps, Repeat(5, 20, Repeat(10, 2)));
  port.failQueueQuery = true;
  EXPECT_EQ(Link().EnterServiceMode(), -1);
  EXPECT_EQ(sink.messages, (Messages{kWriteFailedNoIcon,
                                     {kNotResponding, "Communications Error", MessageIcon::Exclamation},
                                     kWriteFailedNoIcon, kReadFailed}));
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
  EXPECT_EQ(sink.messages, (Messages{kWriteFailedNoIcon,
                                     {"Switch KORA-1 power OFF, then switch\nback ON for settings to take effect.",
                                      "Power On Settings", MessageIcon::None}}));
}

}  // namespace
