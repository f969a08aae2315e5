#include "autoselect/autoselectcomposer.h"
#include "support/autoselectentry.h"

#include <initializer_list>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

const KeyCategory& List(const char* name) {
  const KeyCategory* list = FindKeyCategory(name);
  EXPECT_NE(list, nullptr) << name;
  return *list;
}

std::vector<std::string> Names(const std::vector<const KeyCategory*>& lists) {
  std::vector<std::string> names;
  for (const KeyCategory* list : lists) names.emplace_back(list->comboName);
  return names;
}

// The codes an auto selection of the composer's current type gets.
std::vector<int> Stored(const AutoSelectComposer& composer) {
  TAutoSelect entry;
  EXPECT_EQ(composer.ToEntry(entry), 0);
  return Codes(entry);
}

// Chooses item 1 in the first n lists of type.
void ChooseFirstItems(AutoSelectComposer& composer, int type, std::size_t n) {
  const std::vector<const KeyCategory*> lists = AutoSelectComposer::ListsOf(type);
  ASSERT_GE(lists.size(), n);
  for (std::size_t i = 0; i < n; ++i) composer.SetCode(*lists[i], lists[i]->firstCode);
}

TEST(AutoSelectComposer, EachTypeHasItsListsInTheOrderTheyGiveCodes) {
  EXPECT_EQ(Names(AutoSelectComposer::ListsOf(0)),
            (std::vector<std::string>{
                "cbECGRate", "cbECGAmp", "cbECGImpedance", "cbECGSTDepression", "cbECGAxis",
                "cbECGNeonatal", "cbECGArtifact", "cbBPSens", "cbBPStatic", "cbBP1Dynamic",
                "cbBP2Dynamic", "cbBP3Dynamic", "cbBP4Dynamic", "cbBPArtifact", "cbRespRate",
                "cbRespApnea", "cbRespDelta", "cbRespIERatio"}));
  EXPECT_EQ(Names(AutoSelectComposer::ListsOf(1)), std::vector<std::string>{"cbArrhythmia"});
  EXPECT_EQ(Names(AutoSelectComposer::ListsOf(2)),
            (std::vector<std::string>{"cbFetalRate", "cbFetalAmp", "cbFetalWaveform",
                                      "cbFetalPressure"}));
  EXPECT_EQ(Names(AutoSelectComposer::ListsOf(3)),
            (std::vector<std::string>{"cbPacerWaveform", "cbPacerPolarity", "cbPacerAmp",
                                      "cbPacerWidth"}));
  EXPECT_EQ(Names(AutoSelectComposer::ListsOf(4)),
            (std::vector<std::string>{"cbPerfPulse", "cbPerfSine", "cbPerfWidth", "cbPerfAmp"}));
  EXPECT_EQ(Names(AutoSelectComposer::TempCOLists()),
            (std::vector<std::string>{"cbTemp", "cbCOInj", "cbCOBaseline", "cbCOInjTemp", "cbCOLM",
                                      "cbCOTrend"}));
  for (int type : {-1, 5}) EXPECT_TRUE(AutoSelectComposer::ListsOf(type).empty()) << type;
}

TEST(AutoSelectComposer, TheTypeOfACodeFollowsItsSimulationGroup) {
  const std::pair<int, int> cases[] = {{10, 0},   {25, 0},   {64, 0},   {66, 0},  {67, 1},
                                       {142, 1},  {143, 0},  {151, 0},  {228, 0}, {229, -1},
                                       {230, -1}, {261, -1}, {283, -1}, {290, 2}, {315, 2},
                                       {322, 3},  {362, 3},  {363, -1}, {365, 4}, {422, 4},
                                       {425, 0},  {456, 0},  {480, -1}, {0, -1},  {-5, -1}};
  for (const auto& [code, type] : cases) EXPECT_EQ(AutoSelectComposer::TypeOf(code), type) << code;
}

TEST(AutoSelectComposer, ANewCompositionChoosesNothing) {
  const AutoSelectComposer composer;
  EXPECT_EQ(composer.Type(), 0);
  for (int type = 0; type < AutoSelectComposer::TypeCount; ++type) {
    EXPECT_EQ(composer.CommandCount(type), 0) << type;
  }
  for (const KeyCategory& list : KeyCategories()) EXPECT_EQ(composer.Code(list), 0);
  TAutoSelect entry = Entry("KEEP", {13});
  EXPECT_EQ(composer.ToEntry(entry), 0);
  EXPECT_EQ(entry, Entry("KEEP", {13}));
  EXPECT_EQ(AutoSelectComposer(3).Type(), 3);
  EXPECT_EQ(AutoSelectComposer(7).Type(), 0);
  EXPECT_EQ(AutoSelectComposer(-1).Type(), 0);
}

TEST(AutoSelectComposer, SetCodeTakesOnlyACodeOfTheListsRun) {
  AutoSelectComposer composer;
  const KeyCategory& rate = List("cbECGRate");
  composer.SetCode(rate, 13);
  EXPECT_EQ(composer.Code(rate), 13);
  composer.SetCode(rate, 25);  // the next code belongs to no list
  composer.SetCode(rate, 26);  // the first code of cbECGAmp
  composer.SetCode(rate, 9);
  EXPECT_EQ(composer.Code(rate), 13);
  EXPECT_EQ(composer.Code(List("cbECGAmp")), 0);
  composer.SetCode(rate, 24);
  EXPECT_EQ(composer.Code(rate), 24);
  composer.SetCode(rate, 0);
  EXPECT_EQ(composer.Code(rate), 0);
  EXPECT_EQ(composer.CommandCount(0), 0);
}

TEST(AutoSelectComposer, FromEntryShows13And232OnType0) {
  const AutoSelectComposer composer = AutoSelectComposer::FromEntry(Entry("AUTO", {13, 232}));
  EXPECT_EQ(composer.Type(), 0);
  EXPECT_EQ(composer.Code(List("cbECGRate")), 13);
  EXPECT_EQ(composer.Code(List("cbTemp")), 232);
  EXPECT_EQ(composer.CommandCount(0), 2);
  // Every type offers the temperature / cardiac-output lists.
  EXPECT_EQ(composer.CommandCount(3), 1);
}

TEST(AutoSelectComposer, TheLastCodeWithATypeChoosesTheType) {
  const AutoSelectComposer fetal = AutoSelectComposer::FromEntry(Entry("", {80, 300, 272}));
  EXPECT_EQ(fetal.Type(), 2);
  EXPECT_EQ(fetal.Code(List("cbArrhythmia")), 80);
  EXPECT_EQ(fetal.Code(List("cbFetalAmp")), 300);
  EXPECT_EQ(fetal.Code(List("cbCOLM")), 272);
  EXPECT_EQ(Stored(fetal), (std::vector<int>{300, 272}));

  // 64 lies within type 0's bounds though no list offers it.
  const AutoSelectComposer back = AutoSelectComposer::FromEntry(Entry("", {290, 64}));
  EXPECT_EQ(back.Type(), 0);
  EXPECT_EQ(back.Code(List("cbFetalRate")), 290);
  EXPECT_EQ(back.CommandCount(0), 0);
  EXPECT_TRUE(Stored(back).empty());

  // A temperature code, or one of no type, leaves the type as it was.
  EXPECT_EQ(AutoSelectComposer::FromEntry(Entry("", {322, 232, 480})).Type(), 3);
  EXPECT_EQ(AutoSelectComposer::FromEntry(Entry("", {})).Type(), 0);
}

TEST(AutoSelectComposer, FromEntryKeepsTheLastCodeOfEachListAndDropsCodesNoListOffers) {
  const AutoSelectComposer composer =
      AutoSelectComposer::FromEntry(Entry("", {2, 13, 64, 232, 480, 14, 261, 233}));
  EXPECT_EQ(composer.Code(List("cbECGRate")), 14);
  EXPECT_EQ(composer.Code(List("cbTemp")), 233);
  EXPECT_EQ(Stored(composer), (std::vector<int>{14, 233}));
}

TEST(AutoSelectComposer, ToEntryWritesTheCodesInTheOrderOfTheLists) {
  const AutoSelectComposer composer =
      AutoSelectComposer::FromEntry(Entry("", {232, 451, 277, 13, 152}));
  TAutoSelect entry = Entry("ORDER", {});
  ASSERT_EQ(composer.ToEntry(entry), 0);
  EXPECT_EQ(entry, Entry("ORDER", {13, 152, 451, 232, 277}));
}

TEST(AutoSelectComposer, AReservedArrhythmiaCodeIsACommandOfItsOwn) {
  AutoSelectComposer composer(1);
  composer.SetCode(List("cbArrhythmia"), 87);
  EXPECT_EQ(composer.CommandCount(1), 1);
  EXPECT_EQ(Stored(composer), std::vector<int>{87});
}

TEST(AutoSelectComposer, MoreThanTenCodesOfTheTypeCountAsMinusOne) {
  AutoSelectComposer composer;
  ChooseFirstItems(composer, 0, 10);
  EXPECT_EQ(composer.CommandCount(0), 10);
  EXPECT_EQ(Stored(composer), (std::vector<int>{10, 26, 40, 44, 61, 65, 143, 152, 161, 179}));

  composer.SetCode(List("cbRespRate"), 425);
  EXPECT_EQ(composer.CommandCount(0), -1);
  composer.SetCode(List("cbRespRate"), 0);
  composer.SetCode(List("cbCOLM"), 269);  // a frame list counts against the same limit
  EXPECT_EQ(composer.CommandCount(0), -1);
  // The limit is counted per type: type 2 has no list set beyond the frame's.
  EXPECT_EQ(composer.CommandCount(2), 1);
  EXPECT_EQ(composer.CommandCount(5), -1);

  TAutoSelect entry;
  EXPECT_EQ(composer.ToEntry(entry), -1);
  EXPECT_EQ(entry.KeyCount(), 10u);  // the first ten went in before the refusal
}

TEST(AutoSelectComposer, ToEntryStopsWhenTheEntryIsFull) {
  AutoSelectComposer composer(4);
  for (const KeyCategory* list : AutoSelectComposer::TempCOLists()) {
    composer.SetCode(*list, list->firstCode);
  }
  EXPECT_EQ(composer.CommandCount(4), 6);
  TAutoSelect entry = Entry("", {10, 11, 12, 13, 14, 15, 16, 17});
  EXPECT_EQ(composer.ToEntry(entry), -1);
  ASSERT_EQ(entry.KeyCount(), 10u);
  EXPECT_EQ(entry.KeyAt(8), 230);
  EXPECT_EQ(entry.KeyAt(9), 251);
}

TEST(AutoSelectComposer, TypesOneToFourCanNeverPassTheLimit) {
  for (int type = 1; type < AutoSelectComposer::TypeCount; ++type) {
    AutoSelectComposer composer(type);
    for (const KeyCategory* list : AutoSelectComposer::ListsOf(type)) {
      composer.SetCode(*list, list->lastCode);
    }
    for (const KeyCategory* list : AutoSelectComposer::TempCOLists()) {
      composer.SetCode(*list, list->lastCode);
    }
    EXPECT_GE(composer.CommandCount(type), 7) << type;
    EXPECT_LE(composer.CommandCount(type), 10) << type;
  }
}

TEST(AutoSelectComposer, TheTemperatureChoicesTravelWithTheTypeAndTheOtherListsStay) {
  AutoSelectComposer composer = AutoSelectComposer::FromEntry(Entry("", {13, 231, 276}));
  composer.CarryTempCO(3);
  EXPECT_EQ(composer.Type(), 3);
  composer.SetCode(List("cbPacerAmp"), 344);
  EXPECT_EQ(Stored(composer), (std::vector<int>{344, 231, 276}));

  composer.CarryTempCO(0);
  EXPECT_EQ(composer.Type(), 0);
  EXPECT_EQ(composer.Code(List("cbPacerAmp")), 344);  // kept, not counted
  EXPECT_EQ(composer.CommandCount(0), 3);
  EXPECT_EQ(Stored(composer), (std::vector<int>{13, 231, 276}));

  composer.CarryTempCO(5);
  composer.CarryTempCO(-1);
  EXPECT_EQ(composer.Type(), 0);
}

TEST(AutoSelectComposer, PassingTheLimitThroughATypeChangeGivesNoEntry) {
  AutoSelectComposer composer;
  ChooseFirstItems(composer, 0, 10);
  composer.CarryTempCO(1);
  composer.SetCode(List("cbTemp"), 231);
  EXPECT_EQ(composer.CommandCount(1), 1);
  composer.CarryTempCO(0);
  EXPECT_EQ(composer.CommandCount(0), -1);
  TAutoSelect scratch;
  EXPECT_EQ(composer.ToEntry(scratch), -1);
}

}  // namespace
