#include "autoselect/autoselectupload.h"

#include <gtest/gtest.h>

#include "app/koraglobals.h"
#include "device/koracomm.h"
#include "support/countingprogress.h"
#include "support/fakeclock.h"
#include "support/recordingmessagesink.h"
#include "support/scriptedport.h"
#include "support/tempdir.h"

namespace {

TAutoSelect Entry(const std::string& name, std::initializer_list<int> codes) {
  TAutoSelect entry;
  entry.SetName(name);
  for (int code : codes) entry.AddKey(code);
  return entry;
}

// One memory write command as the instrument receives it.
std::string Cmd(int address, int value) {
  return "A" + std::to_string(address) + "D" + std::to_string(value) + "R";
}

// The commands in what was written, split after each final R (no command
// holds another R).
std::vector<std::string> Commands(const std::string& written) {
  std::vector<std::string> commands;
  std::string::size_type start = 0;
  for (std::string::size_type end; (end = written.find('R', start)) != std::string::npos; start = end + 1) {
    commands.push_back(written.substr(start, end - start + 1));
  }
  return commands;
}

class AutoSelectWriteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ChosenComPort = "/dev/ttyTEST";
    port.respond = ScriptedPort::Instrument();
    link = std::make_unique<TKORAComm>(sink, clock, port.Handle());
    ASSERT_EQ(link->OpenPort(), 0);
  }

  ScopedConfigHome home;
  ScriptedPort port;
  FakeClock clock;
  RecordingMessageSink sink;
  CountingProgress progress;
  std::unique_ptr<TKORAComm> link;
};

TEST_F(AutoSelectWriteTest, NamesArePaddedToTwentyBlanksAndCodesFollowAsLittleEndianWords) {
  const AutoSelectList list = {Entry("ECG 80", {13, 300, 511}), Entry("B", {7})};
  ASSERT_EQ(WriteAutoSelections(list, *link, progress), 0);

  std::string expected = Cmd(512, 'E') + Cmd(513, 'C') + Cmd(514, 'G') + Cmd(515, ' ') + Cmd(516, '8') +
                         Cmd(517, '0');
  for (int address = 518; address <= 531; ++address) expected += Cmd(address, 32);
  expected += Cmd(532, 13) + Cmd(533, 0);   // 13
  expected += Cmd(534, 44) + Cmd(535, 1);   // 300 = 0x012C
  expected += Cmd(536, 255) + Cmd(537, 1);  // 511 = 0x01FF
  for (int address = 538; address <= 551; ++address) expected += Cmd(address, 0);  // seven zero words
  // The second slot: its name at 552, its first code at 572.
  expected += Cmd(552, 'B');
  for (int address = 553; address <= 571; ++address) expected += Cmd(address, 32);
  expected += Cmd(572, 7) + Cmd(573, 0);
  for (int address = 574; address <= 591; ++address) expected += Cmd(address, 0);
  EXPECT_EQ(port.written, expected);
  EXPECT_EQ(progress.steps, 60);
  EXPECT_TRUE(sink.messages.empty());
}

TEST_F(AutoSelectWriteTest, TenSlotsEndAt911AndALongNameSendsOnlyItsFirstTwenty) {
  AutoSelectList list(10, Entry("", {}));
  list[9] = Entry("ABCDEFGHIJKLMNOPQRSTUVWXY", {1, 2, 3, 4, 5, 6, 7, 8, 9, 511});
  list[4].SetName("\xE9t\xE9");  // Windows-1252 bytes above 127 go out as their code
  ASSERT_EQ(WriteAutoSelections(list, *link, progress), 0);

  const std::vector<std::string> commands = Commands(port.written);
  ASSERT_EQ(commands.size(), 400u);
  EXPECT_EQ(progress.steps, 300);
  EXPECT_EQ(commands[160], Cmd(672, 233));
  EXPECT_EQ(commands[161], Cmd(673, 't'));
  // Slot 9: the first twenty letters, then the codes straight after them.
  EXPECT_EQ(commands[360], Cmd(872, 'A'));
  EXPECT_EQ(commands[379], Cmd(891, 'T'));
  EXPECT_EQ(commands[380], Cmd(892, 1));
  EXPECT_EQ(commands[398], Cmd(910, 255));
  EXPECT_EQ(commands[399], Cmd(911, 1));
  EXPECT_EQ(port.written.find("D85R"), std::string::npos);  // no 'U', the 21st letter
}

TEST_F(AutoSelectWriteTest, ARefusedHighByteOfTheFirstWordStopsAfterTheNameSteps) {
  int commandsEnded = 0;
  const ScriptedPort::Responder instrument = ScriptedPort::Instrument();
  port.respond = [&, instrument](std::uint8_t c) mutable {
    if (c == 'R' && ++commandsEnded == 22) return std::string("N");
    return instrument(c);
  };
  const AutoSelectList list = {Entry("X", {13}), Entry("Y", {14})};
  EXPECT_EQ(WriteAutoSelections(list, *link, progress), -1);
  EXPECT_EQ(progress.steps, 20);  // the word was not completed, so not stepped
  const std::vector<std::string> commands = Commands(port.written);
  ASSERT_EQ(commands.size(), 22u);
  EXPECT_EQ(commands.back(), Cmd(533, 0));
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].caption, "KORA-1 Memory Error");
}

TEST(AutoSelectUploadPlan, TheBarHasThirtyStepsPerEntryAndNoSlotBeyondTheTenth) {
  EXPECT_EQ(AutoSelectProgressMaximum(AutoSelectList(3)), 90);
  EXPECT_EQ(AutoSelectProgressMaximum(AutoSelectList(10)), 300);
  EXPECT_EQ(AutoSelectProgressMaximum(AutoSelectList{}), 0);
  EXPECT_EQ(AutoSelectUploadCount(AutoSelectList(11)), 10);
  EXPECT_EQ(AutoSelectProgressMaximum(AutoSelectList(11)), 300);
  EXPECT_EQ(AutoSelectSlotName(Entry("AB", {})), "AB                  ");
  EXPECT_EQ(AutoSelectSlotName(Entry(std::string(24, 'Z'), {})), std::string(20, 'Z'));
}

TEST(AutoSelectRefusal, OnlyCodesTheInstrumentHasPass) {
  AutoSelectList list(10, Entry("OK", {1, 255, 511}));
  EXPECT_EQ(FirstInvalidAutoSelect(list), -1);
  for (int bad : {512, -1, 0, 65536 + 13}) {
    list[3] = Entry("ECG BAD", {10, bad});
    EXPECT_EQ(FirstInvalidAutoSelect(list), 3) << bad;
  }
  list[6] = Entry("ALSO BAD", {600});
  EXPECT_EQ(FirstInvalidAutoSelect(list), 3);  // the first one

  list[3] = Entry("ECG BAD", {10, 512, 700});
  const std::string text = InvalidAutoSelectMessage(list, 3);
  EXPECT_NE(text.find("Auto selection 4 (\"ECG BAD\")"), std::string::npos) << text;
  EXPECT_NE(text.find(" 512,"), std::string::npos) << text;

  // An eleventh entry is never sent, so it cannot stop an upload.
  AutoSelectList eleven(10, Entry("OK", {1}));
  eleven.push_back(Entry("EXTRA", {9999}));
  EXPECT_EQ(FirstInvalidAutoSelect(eleven), -1);
}

}  // namespace
