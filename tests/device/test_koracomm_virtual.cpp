// TKORAComm through the real TCommPort against the virtual KORA-1, with its
// fault injection: every message of the link as a user would meet it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/koraglobals.h"
#include "device/koracomm.h"
#include "device/systemclock.h"
#include "support/countingprogress.h"
#include "support/recordingmessagesink.h"
#include "support/tempdir.h"
#include "support/virtualkorahost.h"

namespace {

const std::string kAdvice = "\n\n-Power down KORA-1\n-Wait one second\n-Power up KORA-1 and try again.";
const std::string kNotResponding =
    "KORA-1 is not responding to PC.\n\n-Check serial connection to KORA-1\n-Verify KORA-1 is powered ON";
const RecordedMessage kUnableToRead{"Unable to read from PC COM Port!", "COM Port Error", MessageIcon::Stop};

class VirtualKoraTest : public ::testing::Test {
 protected:
  void Start(const std::vector<std::string>& args = {}) {
    host = std::make_unique<VirtualKoraHost>(args);
    ChosenComPort = host->LinkPath();
    ServiceCode = kora::kServiceCodeText;
    link = std::make_unique<TKORAComm>(sink, clock);
  }
  // OpenPort and EnterServiceMode, both expected to succeed.
  void Connect() {
    ASSERT_EQ(link->OpenPort(), 0);
    ASSERT_EQ(link->EnterServiceMode(), 0);
  }
  std::uint8_t MemoryAt(int address) const { return host->Memory().at(static_cast<std::size_t>(address)); }

  ScopedConfigHome home;
  SystemClock clock;
  RecordingMessageSink sink;
  std::unique_ptr<VirtualKoraHost> host;
  std::unique_ptr<TKORAComm> link;
};

TEST_F(VirtualKoraTest, HappyPathStoresEveryByteAndEndsServiceMode) {
  Start();
  Connect();
  CountingProgress progress;
  EXPECT_EQ(link->WriteText(512, "OK\xB5", progress), 0);
  EXPECT_EQ(link->WriteWord(532, 300), 0);
  EXPECT_EQ(link->WriteValue(272, "3"), 0);
  link->ExitServiceMode();
  link->ClosePort();

  EXPECT_TRUE(sink.messages.empty());
  EXPECT_EQ(progress.steps, 3);
  EXPECT_EQ(host->Commands(), (std::vector<std::string>{"A512D79R", "A513D75R", "A514D181R", "A532D44R",
                                                        "A533D1R", "A272D3R"}));
  EXPECT_EQ(MemoryAt(512), 'O');
  EXPECT_EQ(MemoryAt(513), 'K');
  EXPECT_EQ(MemoryAt(514), 0xB5);
  EXPECT_EQ(MemoryAt(532), 44);
  EXPECT_EQ(MemoryAt(533), 1);
  EXPECT_EQ(MemoryAt(272), 3);
  EXPECT_EQ(MemoryAt(515), 0xFF);  // untouched
  EXPECT_TRUE(host->WaitForLog("X: service mode ended"));
}

TEST_F(VirtualKoraTest, LostCharacterAndZeroByteAreSentAgainAndSucceed) {
  Start({"--fault", "lose@1:3", "--fault", "zero@2:1"});
  Connect();
  EXPECT_EQ(link->WriteWord(600, 300), 0);
  EXPECT_TRUE(sink.messages.empty());
  EXPECT_EQ(host->Commands(), (std::vector<std::string>{"A600D44R", "A601D1R"}));
  EXPECT_EQ(MemoryAt(600), 44);
  EXPECT_EQ(MemoryAt(601), 1);
  EXPECT_NE(host->Log().find("fault: character lost"), std::string::npos);
}

struct StatusCase {
  const char* letter;
  std::string text;
  std::string caption;
};

class VirtualKoraStatusTest : public VirtualKoraTest, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(VirtualKoraStatusTest, StatusLetterOfTheSecondWriteEndsTheUpload) {
  Start({"--fault", std::string(GetParam().letter) + "@2"});
  Connect();
  EXPECT_EQ(link->WriteWord(600, 300), -1);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0], (RecordedMessage{GetParam().text + kAdvice, GetParam().caption, MessageIcon::Stop}));
  EXPECT_EQ(MemoryAt(600), 44);
  EXPECT_EQ(MemoryAt(601), 0xFF);
}

INSTANTIATE_TEST_SUITE_P(
    EveryLetter, VirtualKoraStatusTest,
    ::testing::Values(StatusCase{"N", "Memory program/verify error!", "KORA-1 Memory Error"},
                      StatusCase{"R", "Invalid KORA status message!", "Communications Error"},
                      StatusCase{"T", "Invalid data value!", "KORA-1 Memory Error"},
                      StatusCase{"U", "Missing address/data parameter!", "KORA-1 Memory Error"},
                      StatusCase{"Y", "Invalid address value!", "KORA-1 Memory Error"}));

TEST_F(VirtualKoraTest, InstrumentJudgesAddressAndDataItself) {
  Start();
  Connect();
  EXPECT_EQ(link->WriteValue(1024, "1"), -1);
  EXPECT_EQ(link->WriteValue(10, "256"), -1);
  ASSERT_EQ(sink.messages.size(), 2u);
  EXPECT_EQ(sink.messages[0].text, "Invalid address value!" + kAdvice);
  EXPECT_EQ(sink.messages[1].text, "Invalid data value!" + kAdvice);
}

TEST_F(VirtualKoraTest, WrongEchoIsAnIncorrectReply) {
  Start({"--fault", "echo@1:2"});
  Connect();
  EXPECT_EQ(link->WriteValue(512, "65"), -1);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0], (RecordedMessage{"Incorrect reply from KORA-1!" + kAdvice, "Communications Error",
                                               MessageIcon::Stop}));
}

TEST_F(VirtualKoraTest, SilenceGivesUpWithStoppedResponding) {
  Start({"--fault", "silent@2:1"});
  Connect();
  EXPECT_EQ(link->WriteValue(272, "1"), 0);
  EXPECT_EQ(link->WriteValue(273, "1"), -1);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0], (RecordedMessage{"KORA-1 has stopped responding to PC!" + kAdvice,
                                               "Communications Error", MessageIcon::Stop}));
}

TEST_F(VirtualKoraTest, HangUpMidCommandIsAReadFailureAndTheNextUploadWorks) {
  Start({"--fault", "hangup@1:4"});
  Connect();
  EXPECT_EQ(link->WriteValue(512, "65"), -1);
  EXPECT_EQ(sink.messages, std::vector<RecordedMessage>{kUnableToRead});
  link.reset();

  // The virtual instrument links a fresh line, as a re-plugged adapter would be.
  ASSERT_TRUE(host->WaitForLog("line hung up"));
  sink.messages.clear();
  link = std::make_unique<TKORAComm>(sink, clock);
  Connect();
  EXPECT_EQ(link->WriteValue(512, "65"), 0);
  EXPECT_EQ(MemoryAt(512), 65);
}

TEST_F(VirtualKoraTest, HangUpDuringTheServiceRequestShowsTheWriteThenTheReadFailure) {
  Start({"--hangup-service", "5"});
  ASSERT_EQ(link->OpenPort(), 0);
  EXPECT_EQ(link->EnterServiceMode(), -1);
  ASSERT_EQ(sink.messages.size(), 2u);
  EXPECT_EQ(sink.messages[0], (RecordedMessage{"Unable to write to PC COM Port!", "COM Port Error", MessageIcon::None}));
  EXPECT_EQ(sink.messages[1], kUnableToRead);
}

struct ServiceCase {
  std::vector<std::string> args;
  RecordedMessage message;
};

class VirtualKoraServiceTest : public VirtualKoraTest, public ::testing::WithParamInterface<ServiceCase> {};

TEST_P(VirtualKoraServiceTest, ServiceModeAnswerGivesItsMessage) {
  Start(GetParam().args);
  ASSERT_EQ(link->OpenPort(), 0);
  EXPECT_EQ(link->EnterServiceMode(), -1);
  EXPECT_EQ(sink.messages, std::vector<RecordedMessage>{GetParam().message});
}

INSTANTIATE_TEST_SUITE_P(
    Answers, VirtualKoraServiceTest,
    ::testing::Values(
        ServiceCase{{"--service-code", "0000000000"},
                    {"Service mode password is incorrect.", "Communications Error", MessageIcon::Exclamation}},
        ServiceCase{{"--service-answer", "Q"},
                    {"Incorrect reply from KORA-1!" + kAdvice, "Communications Error", MessageIcon::Stop}},
        ServiceCase{{"--service-answer", "none"}, {kNotResponding, "Communications Error", MessageIcon::Exclamation}},
        ServiceCase{{"--service-answer", "zero"}, {kNotResponding, "Communications Error", MessageIcon::Exclamation}}));

TEST_F(VirtualKoraTest, RefusedCodeLeavesTheInstrumentOutOfServiceMode) {
  Start({"--service-answer", "Z"});
  ASSERT_EQ(link->OpenPort(), 0);
  EXPECT_EQ(link->EnterServiceMode(), -1);
  EXPECT_EQ(link->WriteValue(272, "1"), -1);  // nothing is answered outside service mode
  ASSERT_EQ(sink.messages.size(), 2u);
  EXPECT_EQ(sink.messages[1].text, "KORA-1 has stopped responding to PC!" + kAdvice);
  EXPECT_EQ(MemoryAt(272), 0xFF);
}

TEST_F(VirtualKoraTest, PortHeldByAnotherUploadCannotBeOpened) {
  Start();
  ASSERT_EQ(link->OpenPort(), 0);
  RecordingMessageSink otherSink;
  TKORAComm other(otherSink, clock);
  EXPECT_EQ(other.OpenPort(), -1);
  EXPECT_EQ(otherSink.messages, (std::vector<RecordedMessage>{
                                    {"Unable to open PC COM Port!", "COM Port Error", MessageIcon::Stop}}));
  link->ClosePort();
  EXPECT_EQ(other.OpenPort(), 0);
}

TEST_F(VirtualKoraTest, UnopenedPortIsNotAccessible) {
  Start();
  EXPECT_EQ(link->WriteValue(272, "1"), -1);
  EXPECT_EQ(sink.messages, (std::vector<RecordedMessage>{
                               {"PC COM Port is not accessible!", "COM Port Error", MessageIcon::Stop}}));
  EXPECT_TRUE(host->Commands().empty());
}

}  // namespace
