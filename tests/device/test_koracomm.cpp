// TKORAComm against a scripted port and a fake clock: the bytes on the wire,
// the waits, the retries, and every message with its caption and icon.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/koraglobals.h"
#include "device/koracomm.h"
#include "support/countingprogress.h"
#include "support/fakeclock.h"
#include "support/recordingmessagesink.h"
#include "support/scriptedport.h"
#include "support/tempdir.h"

namespace {

const std::string kAdvice = "\n\n-Power down KORA-1\n-Wait one second\n-Power up KORA-1 and try again.";
const std::string kNotResponding =
    "KORA-1 is not responding to PC.\n\n-Check serial connection to KORA-1\n-Verify KORA-1 is powered ON";

class KoraCommTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ChosenComPort = "/dev/ttyTEST7";
    ServiceCode = "5173920468";
  }

  // Writes korapc.ini with the given body before the link is built.
  void WriteSettings(const std::string& body) { TempDir::WriteAll(GetSettingsFilePath(), body); }

  TKORAComm& Link() {
    if (!link_) link_ = std::make_unique<TKORAComm>(sink, clock, port.Handle());
    return *link_;
  }
  TKORAComm& OpenLink() {
    TKORAComm& link = Link();
    EXPECT_EQ(link.OpenPort(), 0);
    return link;
  }

  ScopedConfigHome home;
  ScriptedPort port;
  FakeClock clock;
  RecordingMessageSink sink;
  std::unique_ptr<TKORAComm> link_;
};

std::vector<int> Repeat(int value, int times) { return std::vector<int>(static_cast<std::size_t>(times), value); }

std::vector<int> Concat(std::vector<int> a, const std::vector<int>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// --- construction and the command delay -------------------------------------

TEST_F(KoraCommTest, ConstructorTakesChosenPortAndLineSettingsWithoutOpening) {
  Link();
  EXPECT_EQ(port.portName, "/dev/ttyTEST7");
  EXPECT_EQ(port.baudRate, 9600);
  EXPECT_EQ(port.byteSize, 8);
  EXPECT_EQ(port.parity, 0);
  EXPECT_EQ(port.stopBits, 0);
  EXPECT_FALSE(port.open);
  EXPECT_EQ(Link().CommandDelay(), 10);
}

TEST_F(KoraCommTest, DefaultDelayWaitsTenAfterEachCharacterAndTwentyAfterR) {
  port.respond = ScriptedPort::Instrument();
  EXPECT_EQ(OpenLink().SendCommand("A512D65R"), 0);
  EXPECT_EQ(port.written, "A512D65R");
  EXPECT_EQ(clock.sleeps, Concat(Repeat(10, 7), {20}));
  EXPECT_TRUE(sink.messages.empty());
}

TEST_F(KoraCommTest, DelayOf25WaitsTwentyFiveAndThirtyFive) {
  WriteSettings("[KORACOMM]\nDELAY=25\n");
  port.respond = ScriptedPort::Instrument();
  EXPECT_EQ(OpenLink().SendCommand("A1D2R"), 0);
  EXPECT_EQ(clock.sleeps, Concat(Repeat(25, 4), {35}));
}

TEST_F(KoraCommTest, DelayOfZeroWaitsNothingThenTenAfterR) {
  WriteSettings("[koracomm]\ndelay=0\n");
  port.respond = ScriptedPort::Instrument();
  EXPECT_EQ(OpenLink().SendCommand("A1D2R"), 0);
  EXPECT_EQ(clock.sleeps, Concat(Repeat(0, 4), {10}));
}

TEST_F(KoraCommTest, DelayIsClampedToZeroAndOneSecond) {
  WriteSettings("[KORACOMM]\nDELAY=-40\n");
  EXPECT_EQ(TKORAComm(sink, clock, port.Handle()).CommandDelay(), 0);
  WriteSettings("[KORACOMM]\nDELAY=60000\n");
  EXPECT_EQ(TKORAComm(sink, clock, port.Handle()).CommandDelay(), 1000);
  WriteSettings("[KORACOMM]\nDELAY=abc\n");
  EXPECT_EQ(TKORAComm(sink, clock, port.Handle()).CommandDelay(), 10);
}

// --- opening, closing and the closed port -----------------------------------

TEST_F(KoraCommTest, OpenFailureIsShownOnce) {
  port.failOpen = true;
  EXPECT_EQ(Link().OpenPort(), -1);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0], (RecordedMessage{"Unable to open PC COM Port!", "COM Port Error", MessageIcon::Stop}));
}

TEST_F(KoraCommTest, DestructionClosesTheOpenPort) {
  OpenLink();
  link_.reset();
  EXPECT_FALSE(port.open);
  EXPECT_EQ(port.closeCalls, 1);
}

TEST_F(KoraCommTest, ClosedPortIsReportedAndNothingIsSent) {
  const RecordedMessage notAccessible{"PC COM Port is not accessible!", "COM Port Error", MessageIcon::Stop};
  TKORAComm& link = Link();
  EXPECT_EQ(link.CheckPortOpen(), 1);
  EXPECT_EQ(link.SendCommand("A1D1R"), -1);
  EXPECT_EQ(link.EnterServiceMode(), -1);
  link.ExitServiceMode();
  EXPECT_EQ(sink.messages, std::vector<RecordedMessage>(4, notAccessible));
  EXPECT_EQ(port.written, "");
  EXPECT_EQ(port.writeCalls, 0u);
}

// --- the bytes of the write operations --------------------------------------

TEST_F(KoraCommTest, WriteWordSendsLowByteThenHighByte) {
  port.respond = ScriptedPort::Instrument();
  EXPECT_EQ(OpenLink().WriteWord(600, 300), 0);
  EXPECT_EQ(port.written, "A600D44RA601D1R");
}

TEST_F(KoraCommTest, WriteWordStopsAfterAFailedLowByte) {
  port.respond = [](std::uint8_t c) { return c == 'R' ? std::string("Y") : std::string(1, static_cast<char>(c)); };
  EXPECT_EQ(OpenLink().WriteWord(600, 300), -1);
  EXPECT_EQ(port.written, "A600D44R");
}

TEST_F(KoraCommTest, WriteValueSendsTheTextUnchanged) {
  port.respond = ScriptedPort::Instrument();
  EXPECT_EQ(OpenLink().WriteValue(329, "12"), 0);
  EXPECT_EQ(port.written, "A329D12R");
}

TEST_F(KoraCommTest, WriteTextWritesConsecutiveAddressesAndStepsEach) {
  port.respond = ScriptedPort::Instrument();
  CountingProgress progress;
  const std::string name = "AB\xC8";  // 0xC8 = 200 goes out as its unsigned code
  EXPECT_EQ(OpenLink().WriteText(512, name, progress), 0);
  EXPECT_EQ(port.written, "A512D65RA513D66RA514D200R");
  EXPECT_EQ(progress.steps, 3);
}

TEST_F(KoraCommTest, WriteTextOfTwentyCharactersStopsAtTheFifthFailure) {
  int finals = 0;
  port.respond = [&finals](std::uint8_t c) {
    if (c != 'R') return std::string(1, static_cast<char>(c));
    return ++finals == 5 ? std::string("N") : std::string("V");
  };
  CountingProgress progress;
  EXPECT_EQ(OpenLink().WriteText(512, "ABCDEFGHIJKLMNOPQRST", progress), -1);
  EXPECT_EQ(progress.steps, 4);
  EXPECT_EQ(port.written, "A512D65RA513D66RA514D67RA515D68RA516D69R");
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].text, "Memory program/verify error!" + kAdvice);
}

TEST_F(KoraCommTest, WriteTextOfTwentyCharactersCoversAddresses512To531) {
  port.respond = ScriptedPort::Instrument();
  CountingProgress progress;
  EXPECT_EQ(OpenLink().WriteText(512, std::string(20, ' '), progress), 0);
  std::string expected;
  for (int a = 512; a <= 531; ++a) expected += "A" + std::to_string(a) + "D32R";
  EXPECT_EQ(port.written, expected);
  EXPECT_EQ(progress.steps, 20);
}

TEST_F(KoraCommTest, EmptyTextSendsNothing) {
  CountingProgress progress;
  EXPECT_EQ(OpenLink().WriteText(512, "", progress), 0);
  EXPECT_EQ(port.written, "");
  EXPECT_EQ(progress.steps, 0);
}

// --- retries and empty polls -------------------------------------------------

TEST_F(KoraCommTest, MissedCharacterIsSentAgainAfterTheEmptyPoll) {
  bool missed = false;
  port.respond = [&missed](std::uint8_t c) {
    if (c == '1' && !missed) {
      missed = true;
      return std::string();
    }
    return c == 'R' ? std::string("V") : std::string(1, static_cast<char>(c));
  };
  EXPECT_EQ(OpenLink().SendCommand("A512D65R"), 0);
  EXPECT_EQ(port.written, "A5112D65R");
  EXPECT_TRUE(sink.messages.empty());
}

TEST_F(KoraCommTest, ZeroByteCountsAsAnEmptyPoll) {
  bool zeroSent = false;
  port.respond = [&zeroSent](std::uint8_t c) {
    if (c == 'D' && !zeroSent) {
      zeroSent = true;
      return std::string(1, '\0');
    }
    return c == 'R' ? std::string("V") : std::string(1, static_cast<char>(c));
  };
  EXPECT_EQ(OpenLink().SendCommand("A5D6R"), 0);
  EXPECT_EQ(port.written, "A5DD6R");
}

TEST_F(KoraCommTest, SilentInstrumentGetsSevenSendsOfTheFirstCharacter) {
  EXPECT_EQ(OpenLink().SendCommand("A512D65R"), -1);
  EXPECT_EQ(port.written, "AAAAAAA");
  EXPECT_EQ(clock.sleeps, Repeat(10, 7));
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0], (RecordedMessage{"KORA-1 has stopped responding to PC!" + kAdvice,
                                               "Communications Error", MessageIcon::Stop}));
}

TEST_F(KoraCommTest, EmptyPollCountStartsAgainAfterEveryGoodEcho) {
  // Six misses of every character stay below the limit of seven sends.
  std::uint8_t last = 0;
  int misses = 0;
  port.respond = [&](std::uint8_t c) {
    if (c != last) {
      last = c;
      misses = 0;
    }
    if (misses < 6) {
      ++misses;
      return std::string();
    }
    return c == 'R' ? std::string("V") : std::string(1, static_cast<char>(c));
  };
  EXPECT_EQ(OpenLink().SendCommand("A9D8R"), 0);
  EXPECT_EQ(port.written, "AAAAAAA9999999DDDDDDD8888888RRRRRRR");
}

TEST_F(KoraCommTest, SilenceAfterRGivesUpAfterSevenSendsOfR) {
  port.respond = [](std::uint8_t c) { return c == 'R' ? std::string() : std::string(1, static_cast<char>(c)); };
  EXPECT_EQ(OpenLink().SendCommand("A1D2R"), -1);
  EXPECT_EQ(port.written, "A1D2RRRRRRR");
  EXPECT_EQ(clock.sleeps, Concat(Repeat(10, 4), Repeat(20, 7)));
}

// --- answers and their messages ----------------------------------------------

struct AnswerCase {
  char answer;
  std::string text;
  std::string caption;
};

class KoraCommAnswerTest : public KoraCommTest, public ::testing::WithParamInterface<AnswerCase> {};

TEST_P(KoraCommAnswerTest, FinalAnswerGivesItsMessage) {
  const AnswerCase& c = GetParam();
  port.respond = [&c](std::uint8_t sent) { return sent == 'R' ? std::string(1, c.answer) : std::string(1, static_cast<char>(sent)); };
  EXPECT_EQ(OpenLink().SendCommand("A512D65R"), -1);
  EXPECT_EQ(port.written, "A512D65R");
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0], (RecordedMessage{c.text + kAdvice, c.caption, MessageIcon::Stop}));
}

TEST_P(KoraCommAnswerTest, StatusLetterIsJudgedBeforeTheEcho) {
  const AnswerCase& c = GetParam();
  port.respond = [&c](std::uint8_t sent) { return sent == '5' ? std::string(1, c.answer) : std::string(1, static_cast<char>(sent)); };
  EXPECT_EQ(OpenLink().SendCommand("A512D65R"), -1);
  EXPECT_EQ(port.written, "A5");
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].text, c.text + kAdvice);
}

INSTANTIATE_TEST_SUITE_P(
    FailureTable, KoraCommAnswerTest,
    ::testing::Values(AnswerCase{'N', "Memory program/verify error!", "KORA-1 Memory Error"},
                      AnswerCase{'R', "Invalid KORA status message!", "Communications Error"},
                      AnswerCase{'T', "Invalid data value!", "KORA-1 Memory Error"},
                      AnswerCase{'U', "Missing address/data parameter!", "KORA-1 Memory Error"},
                      AnswerCase{'Y', "Invalid address value!", "KORA-1 Memory Error"},
                      AnswerCase{'Q', "Incorrect reply from KORA-1!", "Communications Error"}));

TEST_F(KoraCommTest, EchoOfAnotherDigitIsAnIncorrectReply) {
  port.respond = [](std::uint8_t c) { return c == '6' ? std::string("7") : std::string(1, static_cast<char>(c)); };
  EXPECT_EQ(OpenLink().SendCommand("A512D65R"), -1);
  EXPECT_EQ(port.written, "A512D6");
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0], (RecordedMessage{"Incorrect reply from KORA-1!" + kAdvice, "Communications Error",
                                               MessageIcon::Stop}));
}

TEST_F(KoraCommTest, VAnswersAnyCharacterAsSuccess) {
  port.respond = [](std::uint8_t c) { return c == 'D' ? std::string("V") : std::string(1, static_cast<char>(c)); };
  EXPECT_EQ(OpenLink().SendCommand("A512D65R"), 0);
  EXPECT_EQ(port.written, "A512D");
}

TEST_F(KoraCommTest, CodesAboveSixUseTheNoAnswerRow) {
  Link().ShowLinkError(6);
  Link().ShowLinkError(41);
  const RecordedMessage expected{"KORA-1 has stopped responding to PC!" + kAdvice, "Communications Error",
                                 MessageIcon::Stop};
  EXPECT_EQ(sink.messages, std::vector<RecordedMessage>(2, expected));
}

// --- port failures during a command ------------------------------------------

TEST_F(KoraCommTest, WriteFailureInACommandIsShownWithTheStopIcon) {
  port.respond = ScriptedPort::Instrument();
  port.failWritesFrom = 3;
  EXPECT_EQ(OpenLink().SendCommand("A512D65R"), -1);
  EXPECT_EQ(port.written, "A51");
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0], (RecordedMessage{"Unable to write to PC COM Port!", "COM Port Error", MessageIcon::Stop}));
}

TEST_F(KoraCommTest, ReadAndQueueQueryFailuresAreShownAsReadFailures) {
  const RecordedMessage unableToRead{"Unable to read from PC COM Port!", "COM Port Error", MessageIcon::Stop};
  port.respond = ScriptedPort::Instrument();
  port.failRead = true;
  EXPECT_EQ(OpenLink().SendCommand("A1D1R"), -1);
  port.failRead = false;
  port.failQueueQuery = true;
  EXPECT_EQ(Link().SendCommand("A1D1R"), -1);
  EXPECT_EQ(port.written, "AA");
  EXPECT_EQ(sink.messages, std::vector<RecordedMessage>(2, unableToRead));
}

TEST_F(KoraCommTest, MalformedCommandsAreRefusedBeforeAnythingIsSent) {
  port.respond = ScriptedPort::Instrument();
  TKORAComm& link = OpenLink();
  for (const std::string& text : {std::string("A1000D10000R"), std::string(), std::string("A1D1"),
                                  std::string("A1VD1R"), std::string("A1DTR"), std::string("A1\0D1R", 6)}) {
    EXPECT_EQ(link.SendCommand(text), -1) << text;
  }
  EXPECT_EQ(port.written, "");
  EXPECT_EQ(sink.messages, std::vector<RecordedMessage>(
                               6, RecordedMessage{"Invalid KORA-1 command!", "Communications Error", MessageIcon::Stop}));
  // An 11-character command is the longest that is sent.
  EXPECT_EQ(link.SendCommand("A1000D1000R"), 0);
  EXPECT_EQ(port.written, "A1000D1000R");
}

TEST_F(KoraCommTest, NegativeAddressIsRefusedNotWrapped) {
  EXPECT_EQ(OpenLink().WriteValue(-1, "0"), -1);
  EXPECT_EQ(port.written, "");
}

// --- service mode ------------------------------------------------------------

TEST_F(KoraCommTest, ServiceModeRequestIsTwelveBytesTenMillisecondsApart) {
  port.respond = ScriptedPort::Instrument();
  EXPECT_EQ(OpenLink().EnterServiceMode(), 0);
  EXPECT_EQ(port.written, "MS5173920468");
  EXPECT_EQ(clock.sleeps, Repeat(10, 12));
  EXPECT_TRUE(sink.messages.empty());
}

TEST_F(KoraCommTest, ServiceModeUsesTheBuiltInCodeWhenNoneWasSet) {
  ServiceCode.clear();
  port.respond = ScriptedPort::Instrument();
  EXPECT_EQ(OpenLink().EnterServiceMode(), 0);
  EXPECT_EQ(port.written, "MS5173920468");
}

TEST_F(KoraCommTest, ServiceModeAnswerThatComesLateIsPolledEveryFiveMilliseconds) {
  int pollSleeps = 0;
  clock.onSleep = [&](int ms) {
    if (ms == 5 && ++pollSleeps == 3) port.incoming.push_back('S');
  };
  EXPECT_EQ(OpenLink().EnterServiceMode(), 0);
  EXPECT_EQ(clock.sleeps, Concat(Repeat(10, 12), Repeat(5, 3)));
}

TEST_F(KoraCommTest, ServiceModeWithoutAnswerPollsTwentyTimes) {
  EXPECT_EQ(OpenLink().EnterServiceMode(), -1);
  EXPECT_EQ(clock.sleeps, Concat(Repeat(10, 12), Repeat(5, 20)));
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0], (RecordedMessage{kNotResponding, "Communications Error", MessageIcon::Exclamation}));
}

TEST_F(KoraCommTest, ServiceModeZeroByteIsNoAnswer) {
  port.incoming.push_back(0);
  EXPECT_EQ(OpenLink().EnterServiceMode(), -1);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].text, kNotResponding);
}

TEST_F(KoraCommTest, ServiceModeRefusedWithZ) {
  port.respond = [](std::uint8_t c) { return c == '8' ? std::string("Z") : std::string(); };
  EXPECT_EQ(OpenLink().EnterServiceMode(), -1);
  EXPECT_EQ(port.written, "MS5173920468");
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0], (RecordedMessage{"Service mode password is incorrect.", "Communications Error",
                                               MessageIcon::Exclamation}));
}

TEST_F(KoraCommTest, ServiceModeAnswerQIsAnIncorrectReply) {
  port.respond = [](std::uint8_t c) { return c == '8' ? std::string("Q") : std::string(); };
  EXPECT_EQ(OpenLink().EnterServiceMode(), -1);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0], (RecordedMessage{"Incorrect reply from KORA-1!" + kAdvice, "Communications Error",
                                               MessageIcon::Stop}));
}

TEST_F(KoraCommTest, ServiceModeWriteFailureIsShownWithoutIconAndTheAnswerIsStillAwaited) {
  port.failWritesFrom = 2;
  EXPECT_EQ(OpenLink().EnterServiceMode(), -1);
  EXPECT_EQ(port.written, "MS");
  EXPECT_EQ(clock.sleeps, Concat(Repeat(10, 2), Repeat(5, 20)));
  ASSERT_EQ(sink.messages.size(), 2u);
  EXPECT_EQ(sink.messages[0], (RecordedMessage{"Unable to write to PC COM Port!", "COM Port Error", MessageIcon::None}));
  EXPECT_EQ(sink.messages[1], (RecordedMessage{kNotResponding, "Communications Error", MessageIcon::Exclamation}));
}

TEST_F(KoraCommTest, ServiceModeReadFailureIsShown) {
  port.failQueueQuery = true;
  EXPECT_EQ(OpenLink().EnterServiceMode(), -1);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0], (RecordedMessage{"Unable to read from PC COM Port!", "COM Port Error", MessageIcon::Stop}));
}

// --- end of service mode and the notice --------------------------------------

TEST_F(KoraCommTest, ExitServiceModeSendsOneXAndReadsNothing) {
  port.incoming.push_back('?');  // would be consumed by any read
  OpenLink().ExitServiceMode();
  EXPECT_EQ(port.written, "X");
  EXPECT_EQ(clock.sleeps, Repeat(10, 1));
  EXPECT_EQ(port.readCalls, 0);
  EXPECT_EQ(port.incoming.size(), 1u);
}

TEST_F(KoraCommTest, FailedXIsShownWithoutIcon) {
  port.failWritesFrom = 0;
  OpenLink().ExitServiceMode();
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0], (RecordedMessage{"Unable to write to PC COM Port!", "COM Port Error", MessageIcon::None}));
}

TEST_F(KoraCommTest, PowerCycleNoticeCarriesThePagesCaption) {
  Link().ShowPowerCycleNotice("Power On Settings");
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0], (RecordedMessage{"Switch KORA-1 power OFF, then switch\nback ON for settings to take effect.",
                                               "Power On Settings", MessageIcon::None}));
}

}  // namespace
