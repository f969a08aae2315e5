#include "poweron/poweronupload.h"

#include <gtest/gtest.h>

#include "app/koraglobals.h"
#include "device/koracomm.h"
#include "support/countingprogress.h"
#include "support/fakeclock.h"
#include "support/recordingmessagesink.h"
#include "support/scriptedport.h"
#include "support/tempdir.h"

namespace {

class PowerOnWriteTest : public ::testing::Test {
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

TEST_F(PowerOnWriteTest, TheFactoryDefaultsGoOutAsTwentyCommandsInOptionOrder) {
  TPowerOn values;
  values.SetDefaults();
  EXPECT_EQ(WritePowerOnValues(values, *link, progress), 0);
  EXPECT_EQ(port.written,
            "A290D3RA287D3RA288D0RA275D1RA289D0RA272D2RA274D4RA273D9RA285D8RA286D0R"
            "A329D0RA284D2RA276D1RA277D1RA278D0RA279D0RA280D0RA281D0RA282D3RA283D4R");
  EXPECT_EQ(progress.steps, 20);
  EXPECT_TRUE(sink.messages.empty());
}

TEST_F(PowerOnWriteTest, ValuesAreSentAsPlainDecimal) {
  TPowerOn values;
  values.SetValue(0, 14);
  values.SetValue(8, 10);
  EXPECT_EQ(WritePowerOnValues(values, *link, progress), 0);
  EXPECT_EQ(port.written.substr(0, 8), "A290D14R");
  EXPECT_NE(port.written.find("A285D10RA286D0R"), std::string::npos);
}

TEST_F(PowerOnWriteTest, ARefusedTwelfthWriteStopsAfterElevenSteps) {
  int commandsEnded = 0;
  const ScriptedPort::Responder instrument = ScriptedPort::Instrument();
  port.respond = [&, instrument](std::uint8_t c) mutable {
    if (c == 'R' && ++commandsEnded == 12) return std::string("N");
    return instrument(c);
  };
  TPowerOn values;
  values.SetDefaults();
  EXPECT_EQ(WritePowerOnValues(values, *link, progress), -1);
  EXPECT_EQ(progress.steps, 11);
  // The twelfth command (option 11 at 284) was the last one sent.
  const std::string tail = "A284D2R";
  EXPECT_EQ(port.written.substr(port.written.size() - tail.size()), tail);
  EXPECT_EQ(port.written.find("A276"), std::string::npos);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].caption, "KORA-1 Memory Error");
}

TEST(PowerOnRefusal, TheMessageNamesTheOptionAndItsValue) {
  TPowerOn values;
  values.SetValue(7, 200);
  const std::string text = InvalidPowerOnValueMessage(values, 7);
  EXPECT_NE(text.find("\"Respiration Delta\""), std::string::npos) << text;
  EXPECT_NE(text.find("200"), std::string::npos) << text;
}

}  // namespace
