#include "autoselect/autoselectupload.h"

#include <gtest/gtest.h>

#include "device/koracomm.h"
#include "support/autoselectentry.h"
#include "support/countingprogress.h"
#include "support/fakeclock.h"
#include "support/recordingmessagesink.h"
#include "support/scriptedport.h"

namespace {

std::string Cmd(int address, int value) {
  return "A" + std::to_string(address) + "D" + std::to_string(value) + "R";
}

// A link to an instrument that accepts everything, with a fake clock.
class AutoSelectWrite : public ::testing::Test {
 protected:
  AutoSelectWrite() { port.respond = ScriptedPort::Instrument(); }

  ScriptedPort port;
  FakeClock clock;
  RecordingMessageSink sink;
  TKORAComm link{LinkSettings{"/dev/ttyTEST"}, sink, clock, port.Handle()};
};

TEST_F(AutoSelectWrite, TenSlotsEndAt911AndALongNameSendsOnlyItsFirstTwenty) {
  ASSERT_EQ(link.OpenPort(), 0);

  AutoSelectList list(10);
  list[9] = Entry("ABCDEFGHIJKLMNOPQRSTUVWXY", {1, 2, 3, 4, 5, 6, 7, 8, 9, 511});
  CountingProgress progress;
  ASSERT_EQ(WriteAutoSelections(list, link, progress), 0);
  EXPECT_EQ(progress.steps, 300);
  EXPECT_TRUE(sink.messages.empty());

  // Slot 9 at 872: twenty letters, then the ten codes straight after them.
  std::string slot9;
  for (int i = 0; i < 20; ++i) slot9 += Cmd(872 + i, 'A' + i);
  for (int k = 0; k < 9; ++k) slot9 += Cmd(892 + 2 * k, k + 1) + Cmd(893 + 2 * k, 0);
  slot9 += Cmd(910, 255) + Cmd(911, 1);
  ASSERT_GE(port.written.size(), slot9.size());
  EXPECT_EQ(port.written.substr(port.written.size() - slot9.size()), slot9);
}

TEST_F(AutoSelectWrite, NameBytesWithNoPrintableFormAreSentAsTheyAre) {
  ASSERT_EQ(link.OpenPort(), 0);

  const AutoSelectList list{Entry("A\x01\x7F\x9D", {13})};
  CountingProgress progress;
  ASSERT_EQ(WriteAutoSelections(list, link, progress), 0);
  std::string name = Cmd(512, 'A') + Cmd(513, 1) + Cmd(514, 127) + Cmd(515, 157);
  for (int i = 4; i < 20; ++i) name += Cmd(512 + i, ' ');
  EXPECT_NE(port.written.find(name + Cmd(532, 13) + Cmd(533, 0)), std::string::npos);
}

TEST(AutoSelectUploadPlan, ThirtyStepsPerEntryAndOnlyCodesTheInstrumentHas) {
  EXPECT_EQ(AutoSelectProgressMaximum(AutoSelectList(3)), 90);
  EXPECT_EQ(AutoSelectProgressMaximum(AutoSelectList(11)), 300);  // no slot beyond 911
  EXPECT_EQ(AutoSelectSlotName(Entry("AB", {})), "AB" + std::string(18, ' '));

  AutoSelectList list(10, Entry("OK", {1, 255, 511}));
  list.push_back(Entry("ELEVENTH", {9999}));  // never sent, so never refused
  EXPECT_EQ(FirstInvalidAutoSelect(list), -1);
  for (int bad : {512, -1, 0, 65536 + 13}) {
    list[3] = Entry("ECG BAD", {10, bad});
    EXPECT_EQ(FirstInvalidAutoSelect(list), 3) << bad;
  }
  list[6] = Entry("LATER", {600});
  EXPECT_EQ(FirstInvalidAutoSelect(list), 3);
  const std::string text = InvalidAutoSelectMessage(list, 3);
  EXPECT_NE(text.find("Auto selection 4 (\"ECG BAD\") holds the key code 65549,"),
            std::string::npos)
      << text;
}

}  // namespace
