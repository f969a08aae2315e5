// The upload sequence against a scripted port and a fake clock: the bytes of
// a whole upload, where it stops, what it shows, and the steps it counts.
#include "device/uploadsequence.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "autoselect/autoselectupload.h"
#include "device/koracomm.h"
#include "poweron/poweronupload.h"
#include "support/countingprogress.h"
#include "support/fakeclock.h"
#include "support/recordingmessagesink.h"
#include "support/refusingwrite.h"
#include "support/scriptedport.h"
#include "support/writesplan.h"

namespace {

using Messages = std::vector<RecordedMessage>;

const std::string kAdvice =
    "\n\n-Power down KORA-1\n-Wait one second\n-Power up KORA-1 and try again.";
const std::string kNoticeText =
    "Switch KORA-1 power OFF, then switch\nback ON for settings to take effect.";

// Three writes, one step each, to addresses 300 to 302.
UploadPlan ThreeValues() {
  return WritesPlan(300, 3, "7", "Sending Test Values...", "Test Values");
}

class UploadSequenceTest : public ::testing::Test {
 protected:
  void SetUp() override { port.respond = ScriptedPort::Instrument(); }
  UploadResult Run(const UploadPlan& plan) {
    TKORAComm link(LinkSettings{"/dev/ttyTEST3", 10}, sink, clock, port.Handle());
    UploadSequence sequence(link, plan);
    return sequence.Run(progress);
  }

  ScriptedPort port;
  FakeClock clock;
  RecordingMessageSink sink;
  CountingProgress progress;
};

TEST_F(UploadSequenceTest, ACompleteUploadIsServiceModeTheWritesAndXThenTheNotice) {
  const UploadResult result = Run(ThreeValues());
  EXPECT_EQ(port.written, "MS5173920468A300D7RA301D7RA302D7RX");
  EXPECT_EQ(port.portName, "/dev/ttyTEST3");
  // 10 ms after each request byte (S is there at the first poll), 10 ms after
  // each command character and 20 after its R, 10 after X: no wait of its own.
  EXPECT_EQ(clock.TotalMs(), 12 * 10 + 3 * (6 * 10 + 20) + 10);
  EXPECT_EQ(sink.messages, (Messages{{kNoticeText, "Test Values", MessageIcon::None}}));
  EXPECT_TRUE(result.completed);
  EXPECT_EQ(result.stepsDone, 3);
  EXPECT_EQ(result.maximum, 3);
  EXPECT_EQ(progress.steps, 3);
  EXPECT_FALSE(port.open);
  EXPECT_EQ(port.closeCalls, 1);
  EXPECT_EQ(result.link.lateAnswers, 0);
  EXPECT_EQ(result.link.slowestAnswerMs, 10);
  EXPECT_EQ(result.link.charactersSentAgain, 0);
  EXPECT_EQ(result.link.serviceAnswerMs, 10);
}

TEST_F(UploadSequenceTest, TheResultCarriesTheLinkFiguresOfTheUpload) {
  // The second 7 is echoed 35 ms after it was sent; the first 3 is lost once.
  port.clock = &clock;
  int sevens = 0;
  int threes = 0;
  port.respond = [&,
                  instrument = ScriptedPort::Instrument()](std::uint8_t c) mutable -> std::string {
    if (port.written.size() <= 12) return instrument(c);  // the service-mode request
    if (c == '7' && ++sevens == 2) {
      port.ArriveLater("7", 0, 35);
      return "";
    }
    if (c == '3' && ++threes == 1) return "";
    return instrument(c);
  };
  const UploadResult result = Run(ThreeValues());
  EXPECT_TRUE(result.completed);
  EXPECT_EQ(port.written, "MS5173920468A3300D7RA301D7RA302D7RX");
  EXPECT_EQ(result.link.lateAnswers, 1);
  EXPECT_EQ(result.link.slowestAnswerMs, 35);
  EXPECT_EQ(result.link.charactersSentAgain, 1);
  EXPECT_EQ(result.link.serviceAnswerMs, 10);
}

TEST_F(UploadSequenceTest, AFailedOpenSendsNothingAndShowsOnlyTheOpenMessage) {
  port.failOpen = true;
  const UploadResult result = Run(ThreeValues());
  EXPECT_EQ(port.written, "");
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].text.rfind("Unable to open PC COM Port!", 0), 0u);
  EXPECT_FALSE(result.completed);
  EXPECT_EQ(result.stepsDone, 0);
  EXPECT_EQ(result.maximum, 3);
}

TEST_F(UploadSequenceTest, ARefusedServiceCodeWritesNothingAndClosesThePort) {
  port.respond = [](std::uint8_t c) { return c == '8' ? std::string("Z") : std::string(); };
  bool wrote = false;
  UploadPlan plan = ThreeValues();
  plan.writeData = [&wrote](TKORAComm&, ProgressSink&) { return wrote = true, 0; };
  const UploadResult result = Run(plan);
  EXPECT_FALSE(wrote);
  EXPECT_EQ(port.written, "MS5173920468");
  EXPECT_EQ(sink.messages, (Messages{{"Service mode password is incorrect.", "Communications Error",
                                      MessageIcon::Exclamation}}));
  EXPECT_FALSE(result.completed);
  EXPECT_FALSE(port.open);
}

TEST_F(UploadSequenceTest, AFailedWriteEndsTheUploadWithoutXOrNotice) {
  port.respond = InstrumentRefusingWrite(2, 'T');
  const UploadResult result = Run(ThreeValues());
  EXPECT_EQ(port.written, "MS5173920468A300D7RA301D7R");
  EXPECT_EQ(
      sink.messages,
      (Messages{{"Invalid data value!" + kAdvice, "KORA-1 Memory Error", MessageIcon::Stop}}));
  EXPECT_FALSE(result.completed);
  EXPECT_EQ(result.stepsDone, 1);
  EXPECT_FALSE(port.open);
}

TEST_F(UploadSequenceTest, AFailedWriteOfXIsShownAndTheNoticeStillFollows) {
  // Write calls: 12 request bytes, 3 commands of 7 characters, then X.
  port.failWritesFrom = 12 + 3 * 7;
  const UploadResult result = Run(ThreeValues());
  EXPECT_EQ(port.written, "MS5173920468A300D7RA301D7RA302D7R");
  EXPECT_EQ(sink.messages,
            (Messages{{"Unable to write to PC COM Port!", "COM Port Error", MessageIcon::None},
                      {kNoticeText, "Test Values", MessageIcon::None}}));
  EXPECT_TRUE(result.completed);
  EXPECT_FALSE(port.open);
}

TEST_F(UploadSequenceTest, StepsAreCountedOnlyUpToTheMaximumButAllReachTheDisplay) {
  UploadPlan plan = ThreeValues();
  plan.progressMaximum = 2;
  const UploadResult result = Run(plan);
  EXPECT_EQ(result.stepsDone, 2);
  EXPECT_EQ(progress.steps, 3);
}

TEST_F(UploadSequenceTest, TheStagesMayRunOnDifferentThreads) {
  TKORAComm link(LinkSettings{"/dev/ttyTEST3", 10}, sink, clock, port.Handle());
  UploadSequence sequence(link, ThreeValues());
  ASSERT_EQ(sequence.OpenPort(), 0);
  int status = -1;
  std::thread worker([&] { status = sequence.Program(progress); });
  worker.join();
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(sink.messages.empty());  // the notice waits for Finish
  EXPECT_FALSE(port.open);             // closed by the program stage after X
  sequence.Finish();
  EXPECT_EQ(sink.messages, (Messages{{kNoticeText, "Test Values", MessageIcon::None}}));
  EXPECT_TRUE(sequence.Result().completed);
}

TEST_F(UploadSequenceTest, ThePowerOnPlanSendsTheFactoryDefaultsInOptionOrder) {
  TPowerOn values;
  values.SetDefaults();
  const UploadResult result = Run(PowerOnUploadPlan(values));
  EXPECT_EQ(port.written,
            "MS5173920468"
            "A290D3RA287D3RA288D0RA275D1RA289D0RA272D2RA274D4RA273D9RA285D8RA286D0R"
            "A329D0RA284D2RA276D1RA277D1RA278D0RA279D0RA280D0RA281D0RA282D3RA283D4R"
            "X");
  EXPECT_EQ(sink.messages, (Messages{{kNoticeText, "Power On Settings", MessageIcon::None}}));
  EXPECT_EQ(result.stepsDone, 20);
  EXPECT_EQ(result.maximum, 20);
}

TEST_F(UploadSequenceTest, TheAutoSelectionPlanFillsOneSlotPerEntry) {
  AutoSelectList list(1);
  list[0].SetName("AB");
  EXPECT_EQ(list[0].AddKey(300), 0);
  const UploadResult result = Run(AutoSelectUploadPlan(list));
  // Slot 0: "AB" and 18 blanks at 512..531, then 300 (44, 1) and nine zero words.
  std::string expected = "MS5173920468A512D65RA513D66R";
  for (int a = 514; a < 532; ++a) expected += "A" + std::to_string(a) + "D32R";
  expected += "A532D44RA533D1R";
  for (int a = 534; a < 552; ++a) expected += "A" + std::to_string(a) + "D0R";
  EXPECT_EQ(port.written, expected + "X");
  EXPECT_EQ(sink.messages, (Messages{{kNoticeText, "Auto Selections", MessageIcon::None}}));
  EXPECT_EQ(result.stepsDone, 30);
  EXPECT_EQ(result.maximum, 30);
}

TEST(UploadRefusals, ShowTheirMessageUnderTheUploadsCaptionWithTheExclamationIcon) {
  TPowerOn values;
  values.SetValue(7, 200);
  RecordingMessageSink sink;
  ShowPowerOnRefusal(values, 7, sink);
  AutoSelectList list(2);
  list[1].SetName("ODD");
  EXPECT_EQ(list[1].AddKey(600), 0);
  ShowAutoSelectRefusal(list, 1, sink);
  EXPECT_EQ(
      sink.messages,
      (Messages{
          {InvalidPowerOnValueMessage(values, 7), "Power On Settings", MessageIcon::Exclamation},
          {InvalidAutoSelectMessage(list, 1), "Auto Selections", MessageIcon::Exclamation}}));
}

// Refuse or run, for both kinds of upload: what was refused, what was run.
struct RefuseOrRunCase {
  const char* name;
  std::function<bool(MessageSink&, const std::function<void(int)>&,
                     const std::function<void(const UploadPlan&)>&)>
      upload;
  int refused;          // the index handed to refused, -1 for none
  int runMaximum;       // the plan's maximum handed to run, -1 for no run
  std::string caption;  // of the one message, empty for none
};

TEST(RefuseOrRun, RefusesTheFirstInvalidEntryBeforeAnythingRunsAndElseRunsThePlan) {
  TPowerOn badValues;
  badValues.SetValue(4, 99);
  badValues.SetValue(9, 99);
  AutoSelectList badList(3);
  EXPECT_EQ(badList[1].AddKey(512), 0);
  EXPECT_EQ(badList[2].AddKey(0), 0);
  const auto powerOn = [](const TPowerOn& values) {
    return [values](MessageSink& sink, const auto& refused, const auto& run) {
      return RefuseOrRunPowerOnUpload(values, "", sink, refused, run);
    };
  };
  const auto autoSelections = [](const AutoSelectList& list) {
    return [list](MessageSink& sink, const auto& refused, const auto& run) {
      return RefuseOrRunAutoSelectUpload(list, "", sink, refused, run);
    };
  };
  const RefuseOrRunCase cases[] = {
      {"power-on defaults", powerOn(TPowerOn()), -1, 20, ""},
      {"power-on value outside its list", powerOn(badValues), 4, -1, "Power On Settings"},
      {"three sound auto selections", autoSelections(AutoSelectList(3)), -1, 90, ""},
      {"auto selection with code 512", autoSelections(badList), 1, -1, "Auto Selections"},
  };
  for (const RefuseOrRunCase& c : cases) {
    RecordingMessageSink sink;
    int refused = -1;
    int runMaximum = -1;
    const bool ran = c.upload(
        sink, [&refused](int index) { refused = index; },
        [&runMaximum](const UploadPlan& plan) { runMaximum = plan.progressMaximum; });
    EXPECT_EQ(ran, c.runMaximum >= 0) << c.name;
    EXPECT_EQ(refused, c.refused) << c.name;
    EXPECT_EQ(runMaximum, c.runMaximum) << c.name;
    ASSERT_EQ(sink.messages.size(), c.caption.empty() ? 0u : 1u) << c.name;
    if (!c.caption.empty()) {
      EXPECT_EQ(sink.messages[0].caption, c.caption) << c.name;
    }
  }
}

}  // namespace
