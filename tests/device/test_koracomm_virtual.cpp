// TKORAComm through the real TCommPort against the virtual KORA-1 and its
// fault injection: the link's messages as a user would meet them.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "common/programstrings.h"
#include "common/systemclock.h"
#include "device/koracomm.h"
#include "support/countingprogress.h"
#include "support/recordingmessagesink.h"
#include "support/virtualkorahost.h"

namespace {

using Messages = std::vector<RecordedMessage>;

const std::string kAdvice =
    "\n\n-Power down KORA-1\n-Wait one second\n-Power up KORA-1 and try again.";
const std::string kNotResponding =
    "KORA-1 is not responding to PC.\n\n-Check serial connection to KORA-1\n-Verify KORA-1 is powered ON";
const RecordedMessage kUnableToRead{"Unable to read from PC COM Port!", "COM Port Error",
                                    MessageIcon::Stop};

class VirtualKoraTest : public ::testing::Test {
 protected:
  void Start(const std::vector<std::string>& args = {}) {
    host = std::make_unique<VirtualKoraHost>(args);
    settings.portName = host->LinkPath();
    settings.serviceCode = kora::kServiceCodeText;
    link = std::make_unique<TKORAComm>(settings, sink, clock);
  }
  void Connect() {
    ASSERT_EQ(link->OpenPort(), 0);
    ASSERT_EQ(link->EnterServiceMode(), 0);
  }
  int MemoryAt(int address) const { return host->Memory().at(static_cast<std::size_t>(address)); }

  LinkSettings settings;
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
  EXPECT_EQ(host->Commands(), (std::vector<std::string>{"A512D79R", "A513D75R", "A514D181R",
                                                        "A532D44R", "A533D1R", "A272D3R"}));
  const std::vector<std::pair<int, int>> stored = {{512, 'O'}, {513, 'K'}, {514, 0xB5}, {515, 0xFF},
                                                   {532, 44},  {533, 1},   {272, 3}};
  for (const auto& [address, value] : stored) EXPECT_EQ(MemoryAt(address), value) << address;
  EXPECT_TRUE(host->WaitForLog("X: service mode ended"));
}

TEST_F(VirtualKoraTest, LostCharacterAndZeroByteAreSentAgainAndSucceed) {
  Start({"--fault", "lose@1:3", "--fault", "zero@2:1"});
  Connect();
  EXPECT_EQ(link->WriteWord(600, 300), 0);
  EXPECT_TRUE(sink.messages.empty());
  EXPECT_EQ(host->Commands(), (std::vector<std::string>{"A600D44R", "A601D1R"}));
  EXPECT_EQ(MemoryAt(601), 1);
  EXPECT_NE(host->Log().find("fault: character lost"), std::string::npos);
}

struct FaultCase {
  std::vector<std::string> args;
  RecordedMessage message;
};

class VirtualKoraFaultTest : public VirtualKoraTest,
                             public ::testing::WithParamInterface<FaultCase> {};

TEST_P(VirtualKoraFaultTest, FaultInTheSecondWriteEndsTheUploadWithItsMessage) {
  Start(GetParam().args);
  Connect();
  EXPECT_EQ(link->WriteWord(600, 300), -1);
  EXPECT_EQ(sink.messages, Messages{GetParam().message});
  EXPECT_EQ(MemoryAt(600), 44);
  EXPECT_EQ(MemoryAt(601), 0xFF);
}

RecordedMessage LinkError(const std::string& text, const std::string& caption) {
  return {text + kAdvice, caption, MessageIcon::Stop};
}

INSTANTIATE_TEST_SUITE_P(
    EveryFault, VirtualKoraFaultTest,
    ::testing::Values(
        FaultCase{{"--fault", "N@2"},
                  LinkError("Memory program/verify error!", "KORA-1 Memory Error")},
        FaultCase{{"--fault", "R@2"},
                  LinkError("Invalid KORA status message!", "Communications Error")},
        FaultCase{{"--fault", "T@2"}, LinkError("Invalid data value!", "KORA-1 Memory Error")},
        FaultCase{{"--fault", "U@2"},
                  LinkError("Missing address/data parameter!", "KORA-1 Memory Error")},
        FaultCase{{"--fault", "Y@2"}, LinkError("Invalid address value!", "KORA-1 Memory Error")},
        FaultCase{{"--fault", "echo@2:2"},
                  LinkError("Incorrect reply from KORA-1!", "Communications Error")},
        FaultCase{{"--fault", "silent@2:1"},
                  LinkError("KORA-1 has stopped responding to PC!", "Communications Error")},
        FaultCase{{"--fault", "hangup@2:4"}, kUnableToRead}));

TEST_F(VirtualKoraTest, AfterAHangUpTheNextUploadFindsAFreshLine) {
  Start({"--fault", "hangup@1:2"});
  Connect();
  EXPECT_EQ(link->WriteValue(512, "65"), -1);
  link.reset();
  ASSERT_TRUE(host->WaitForLog("line hung up"));
  link = std::make_unique<TKORAComm>(settings, sink, clock);
  Connect();
  EXPECT_EQ(link->WriteValue(512, "65"), 0);
  EXPECT_EQ(MemoryAt(512), 65);
  EXPECT_EQ(sink.messages, Messages{kUnableToRead});
}

TEST_F(VirtualKoraTest, HangUpDuringTheServiceRequestShowsTheWriteThenTheReadFailure) {
  Start({"--hangup-service", "5"});
  ASSERT_EQ(link->OpenPort(), 0);
  EXPECT_EQ(link->EnterServiceMode(), -1);
  EXPECT_EQ(sink.messages,
            (Messages{{"Unable to write to PC COM Port!", "COM Port Error", MessageIcon::None},
                      kUnableToRead}));
}

class VirtualKoraServiceTest : public VirtualKoraTest,
                               public ::testing::WithParamInterface<FaultCase> {};

TEST_P(VirtualKoraServiceTest, ServiceModeAnswerGivesItsMessage) {
  Start(GetParam().args);
  ASSERT_EQ(link->OpenPort(), 0);
  EXPECT_EQ(link->EnterServiceMode(), -1);
  EXPECT_EQ(sink.messages, Messages{GetParam().message});
}

INSTANTIATE_TEST_SUITE_P(
    Answers, VirtualKoraServiceTest,
    ::testing::Values(FaultCase{{"--service-code", "0000000000"},
                                {"Service mode password is incorrect.", "Communications Error",
                                 MessageIcon::Exclamation}},
                      FaultCase{{"--service-answer", "Q"},
                                LinkError("Incorrect reply from KORA-1!", "Communications Error")},
                      FaultCase{{"--service-answer", "none"},
                                {kNotResponding, "Communications Error", MessageIcon::Exclamation}},
                      FaultCase{
                          {"--service-answer", "zero"},
                          {kNotResponding, "Communications Error", MessageIcon::Exclamation}}));

// The bytes the instrument received, in order, from its trace ("rx 41 at
// 12345678" per byte or run of bytes).
std::string ReceivedBytes(const std::string& log) {
  std::string bytes;
  std::istringstream lines(log);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("rx ", 0) != 0) continue;
    std::istringstream fields(line.substr(3));
    for (std::string field; fields >> field && field != "at";) {
      bytes += static_cast<char>(std::stoi(field, nullptr, 16));
    }
  }
  return bytes;
}

// Slow links at the default delay: an adapter that holds every byte for its
// 16 ms latency timer, and a radio link whose answers take 45 to 55 ms. The
// commands of a power-on upload and of one auto selection arrive byte for
// byte, none of their characters twice.
class VirtualKoraSlowLinkTest : public VirtualKoraTest,
                                public ::testing::WithParamInterface<std::vector<std::string>> {};

TEST_P(VirtualKoraSlowLinkTest, APowerOnUploadAndOneAutoSelectionArriveExactlyAsSent) {
  Start(GetParam());
  Connect();
  const int addresses[20] = {290, 287, 288, 275, 289, 272, 274, 273, 285, 286,
                             329, 284, 276, 277, 278, 279, 280, 281, 282, 283};
  const int values[20] = {14, 7, 2, 3, 1, 8, 5, 0, 13, 4, 1, 4, 0, 0, 0, 0, 0, 0, 3, 4};
  std::string expected = "MS5173920468";
  std::vector<std::string> commands;
  for (int k = 0; k < 20; ++k) {
    ASSERT_EQ(link->WriteValue(addresses[k], std::to_string(values[k])), 0) << k;
    commands.push_back("A" + std::to_string(addresses[k]) + "D" + std::to_string(values[k]) + "R");
  }
  CountingProgress progress;
  const std::string name = "SLOW LINK           ";  // padded to 20
  ASSERT_EQ(link->WriteText(512, name, progress), 0);
  for (std::size_t c = 0; c < 20; ++c) {
    commands.push_back("A" + std::to_string(512 + c) + "D" +
                       std::to_string(static_cast<int>(name[c])) + "R");
  }
  const unsigned codes[10] = {13, 300, 511, 0, 0, 0, 0, 0, 0, 0};
  for (int k = 0; k < 10; ++k) {
    ASSERT_EQ(link->WriteWord(532 + 2 * k, codes[k]), 0) << k;
    commands.push_back("A" + std::to_string(532 + 2 * k) + "D" + std::to_string(codes[k] & 255) +
                       "R");
    commands.push_back("A" + std::to_string(533 + 2 * k) + "D" + std::to_string(codes[k] >> 8) +
                       "R");
  }
  link->ExitServiceMode();
  link->ClosePort();

  EXPECT_TRUE(sink.messages.empty());
  EXPECT_EQ(host->Commands(), commands);
  for (const std::string& command : commands) expected += command;
  expected += "X";
  EXPECT_EQ(ReceivedBytes(host->Log()), expected);  // the trace: no character twice
  for (int k = 0; k < 20; ++k) EXPECT_EQ(MemoryAt(addresses[k]), values[k]) << addresses[k];
  for (int c = 0; c < 20; ++c) EXPECT_EQ(MemoryAt(512 + c), name[static_cast<std::size_t>(c)]);
  EXPECT_EQ(MemoryAt(534), 44);
  EXPECT_EQ(MemoryAt(535), 1);
  EXPECT_EQ(MemoryAt(537), 1);
  EXPECT_EQ(link->Figures().charactersSentAgain, 0);
  // The echoes came after the look 10 ms after each character, and were
  // awaited.
  EXPECT_GT(link->Figures().lateAnswers, 0);
  EXPECT_GE(link->Figures().slowestAnswerMs, 16);
}

INSTANTIATE_TEST_SUITE_P(Paces, VirtualKoraSlowLinkTest,
                         ::testing::Values(std::vector<std::string>{"--echo-delay", "16"},
                                           std::vector<std::string>{"--echo-delay", "45",
                                                                    "--echo-jitter", "10"}));

TEST_F(VirtualKoraTest, PortHeldByAnotherUploadCannotBeOpened) {
  Start();
  ASSERT_EQ(link->OpenPort(), 0);
  RecordingMessageSink otherSink;
  TKORAComm other(settings, otherSink, clock);
  EXPECT_EQ(other.OpenPort(), -1);
  EXPECT_EQ(otherSink.messages,
            (Messages{{"Unable to open PC COM Port!\n\n" + host->LinkPath() +
                           " is in use by another program. Close that program and try again.",
                       "COM Port Error", MessageIcon::Stop}}));
  link->ClosePort();
  EXPECT_EQ(other.OpenPort(), 0);
}

}  // namespace
