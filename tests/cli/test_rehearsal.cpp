// The rehearsal of an upload: the frames it would send and the protocol's
// own time for each step, which --dry-run prints and the time left uses.
#include "cli/rehearsal.h"

#include <gtest/gtest.h>

#include "autoselect/autoselectupload.h"
#include "machine/koraglobals.h"
#include "poweron/poweronupload.h"

namespace {

using Frames = std::vector<std::string>;

class RehearsalTest : public ::testing::Test {
 protected:
  void SetUp() override { ServiceCode = "5173920468"; }
};

TEST_F(RehearsalTest, ThePowerOnUploadIsTheRequestTwentyCommandsAndX) {
  TPowerOn values;
  values.SetDefaults();
  values.SetValue(0, 14);
  const Rehearsal rehearsal = Rehearse(PowerOnUploadPlan(values), 10);
  EXPECT_EQ(rehearsal.frames,
            (Frames{"MS5173920468", "A290D14R", "A287D3R", "A288D0R", "A275D1R", "A289D0R",
                    "A272D2R",      "A274D4R",  "A273D9R", "A285D8R", "A286D0R", "A329D0R",
                    "A284D2R",      "A276D1R",  "A277D1R", "A278D0R", "A279D0R", "A280D0R",
                    "A281D0R",      "A282D3R",  "A283D4R", "X"}));
  EXPECT_TRUE(rehearsal.problems.empty());
  // 12 request bytes of 10 ms; 8 characters then 7 of 10 ms and 20 after R; X.
  ASSERT_EQ(rehearsal.stepEndsMs.size(), 20u);
  EXPECT_EQ(rehearsal.stepEndsMs[0], 120 + 90);
  EXPECT_EQ(rehearsal.stepEndsMs[1], 120 + 90 + 80);
  EXPECT_EQ(rehearsal.totalMs, 120 + 90 + 19 * 80 + 10);
}

TEST_F(RehearsalTest, TheCommandDelayIsTheOneGivenAsTheLinkClampsIt) {
  TPowerOn values;
  values.SetDefaults();
  // DELAY 0 leaves the 10 ms after each R and each request byte.
  EXPECT_EQ(Rehearse(PowerOnUploadPlan(values), 0).totalMs, 120 + 20 * 10 + 10);
  EXPECT_EQ(Rehearse(PowerOnUploadPlan(values), 20).totalMs, 120 + 20 * (6 * 20 + 30) + 10);
  EXPECT_EQ(Rehearse(PowerOnUploadPlan(values), -7).totalMs,
            Rehearse(PowerOnUploadPlan(values), 0).totalMs);
}

TEST_F(RehearsalTest, TheAutoSelectionUploadWritesFourHundredBytesInThreeHundredSteps) {
  AutoSelectList list(AutoSelectCount);
  list[9].SetName("LAST");
  EXPECT_EQ(list[9].AddKey(511), 0);
  const Rehearsal rehearsal = Rehearse(AutoSelectUploadPlan(list), 10);
  ASSERT_EQ(rehearsal.frames.size(), 1u + 400u + 1u);
  EXPECT_EQ(rehearsal.frames[1], "A512D32R");
  EXPECT_EQ(rehearsal.frames[361], "A872D76R");  // L
  EXPECT_EQ(rehearsal.frames[381], "A892D255R");
  EXPECT_EQ(rehearsal.frames[382], "A893D1R");
  EXPECT_EQ(rehearsal.frames[400], "A911D0R");
  EXPECT_EQ(rehearsal.stepEndsMs.size(), 300u);
}

TEST(RemainingTime, IsTheRehearsedRestStretchedByHowLateTheStepsCome) {
  Rehearsal rehearsal;
  rehearsal.stepEndsMs = {1000, 2000, 3000};
  rehearsal.totalMs = 4000;
  EXPECT_EQ(RemainingMs(rehearsal, 0, 0), 4000);
  EXPECT_EQ(RemainingMs(rehearsal, 0, 500), 3500);
  EXPECT_EQ(RemainingMs(rehearsal, 1, 1000), 3000);  // on time
  EXPECT_EQ(RemainingMs(rehearsal, 1, 2000), 6000);  // twice as slow: the 3 s ahead take 6
  EXPECT_EQ(RemainingMs(rehearsal, 3, 3100), 1033);
  EXPECT_EQ(RemainingMs(rehearsal, 3, 6000), 2000);
  EXPECT_EQ(RemainingMs(rehearsal, 9, 3000), 1000);  // never more steps than rehearsed
  Rehearsal noTail;
  noTail.stepEndsMs = {1000};
  noTail.totalMs = 1000;
  EXPECT_EQ(RemainingMs(noTail, 1, 5000), 0);  // the last step ends it
  EXPECT_EQ(RemainingMs(Rehearsal{}, 0, 100), 0);
}

}  // namespace
