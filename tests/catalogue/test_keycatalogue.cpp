#include "catalogue/keycatalogue.h"

#include <climits>
#include <set>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "support/sha256hex.h"

namespace {

std::string Padded(const std::string& text) { return text + std::string(25 - text.size(), ' '); }

std::string Trimmed(std::string text) {
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

TEST(KeyCatalogue, SpotChecksAtBothEndsAndTheFullWidthNames) {
  EXPECT_EQ(KeyName(0), "NO SELECTION             ");
  EXPECT_EQ(KeyName(511), "KEY BEEP OFF             ");
  EXPECT_EQ(KeyName(101), "Right Bundle Branch Block");
  EXPECT_EQ(KeyName(254),
            "Adjustable (20\xBA"
            "C default)");
  EXPECT_EQ(KeyName(5), Padded("5\xB5V/V per mmHg"));
  EXPECT_EQ(KeyName(232), Padded("37\xBA C"));
  EXPECT_EQ(KeyName(283), Padded("Cal Pulse 1\xBA/4 sec"));
  EXPECT_EQ(KeyName(480), Padded("AUTO1"));
  EXPECT_EQ(KeyName(489), Padded("AUTO10"));
  EXPECT_EQ(KeyName(500), Padded("ARRHYTHMIA"));
  EXPECT_EQ(KeyName(456), Padded("Ventilator"));
}

// Each table is pinned whole by one digest, so that an edit of any name or
// range shows. The digests were computed outside the program, from the
// instrument's published key list, not from this table:
//   names: the 512 names in code order, each in Windows-1252 padded with
//     blanks to 25 bytes, nothing between them -
//     iconv -f UTF-8 -t CP1252 names.txt | while IFS= read -r n; do printf '%-25s' "$n"; done |
//     sha256sum (one name per line, LC_ALL=C);
//   categories: one line per category in code order, "first-last combo group"
//     with the group as the list names it, each ended by a line feed -
//     iconv -f UTF-8 -t CP1252 categories.txt | sha256sum.
TEST(KeyCatalogue, All512NamesInCodeOrderMatchThePublishedList) {
  std::string names;
  for (int code = 0; code < KeyCatalogueSize; ++code) names += KeyName(code);
  ASSERT_EQ(names.size(), 512u * 25u);
  EXPECT_EQ(Sha256Hex(names), "c241bf68dafde4719eb675b9b0202b530d23e99da17bb38012befc1d56e8f221");
}

const char* GroupText(SimulationGroup group) {
  switch (group) {
    case SimulationGroup::Multiparameter:
      return "multiparameter";
    case SimulationGroup::Arrhythmia:
      return "arrhythmia";
    case SimulationGroup::Fetal:
      return "fetal";
    case SimulationGroup::PacedECG:
      return "paced ECG";
    case SimulationGroup::ECGPerformance:
      return "ECG performance";
    case SimulationGroup::TempCO:
      return "temperature / CO";
    case SimulationGroup::None:
      break;
  }
  return "none";
}

TEST(KeyCatalogue, All37CategoriesMatchThePublishedList) {
  std::string lines;
  for (const KeyCategory& category : KeyCategories()) {
    lines += std::to_string(category.firstCode) + "-" + std::to_string(category.lastCode) + " " +
             category.comboName + " " + GroupText(category.group) + "\n";
  }
  ASSERT_EQ(KeyCategories().size(), 37u);
  EXPECT_EQ(Sha256Hex(lines), "85cb5d229dca8a01381be4375760dbe9f3c13b8dc15d6b8183101cc1ca72b0f0")
      << lines;
}

TEST(KeyCatalogue, EveryNameIsPaddedTo25AndTheReservedCodesAreCounted) {
  int reserved = 0;
  std::set<int> micro, degree;
  for (int code = 0; code < KeyCatalogueSize; ++code) {
    const std::string name = KeyName(code);
    ASSERT_EQ(name.size(), 25u) << code;
    EXPECT_NE(name.front(), ' ') << code;
    EXPECT_EQ(name.find('\0'), std::string::npos) << code;
    if (name == Padded("NO SELECTION")) ++reserved;
    if (name.find('\xB5') != std::string::npos) micro.insert(code);
    if (name.find('\xBA') != std::string::npos) degree.insert(code);
  }
  EXPECT_EQ(reserved, 121);
  EXPECT_EQ(micro, (std::set<int>{5, 6, 152, 153, 154, 155}));
  EXPECT_EQ(degree, (std::set<int>{230, 231, 232, 233, 234, 251, 252, 253, 254, 256, 257, 258, 259,
                                   260, 261, 262, 282, 283}));
}

TEST(KeyCatalogue, CodesOutsideTheTableAreNoSelection) {
  for (int code : {-1, 512, 513, 100000, INT_MIN, INT_MAX}) {
    EXPECT_EQ(KeyName(code), "NO SELECTION             ") << code;
  }
}

TEST(KeyCatalogue, TheArrhythmiaListHas77ItemsAndItem21IsCode87) {
  const KeyCategory* arrhythmia = FindKeyCategory("cbArrhythmia");
  ASSERT_NE(arrhythmia, nullptr);
  const auto items = KeyCategoryItems(*arrhythmia);
  ASSERT_EQ(items.size(), 77u);
  EXPECT_EQ(arrhythmia->ItemCount(), 77);
  EXPECT_EQ(items[0], "NO SELECTION");  // item 0 is unpadded
  EXPECT_EQ(items[1], Padded("Asystole 1"));
  EXPECT_EQ(items[76], Padded("Defib R-Sync"));
  EXPECT_EQ(arrhythmia->CodeForItem(21), 87);
  EXPECT_EQ(arrhythmia->ItemForCode(87), 21);
  EXPECT_EQ(items[21], Padded("NO SELECTION"));
  int reserved = 0, nsr = 0;
  for (std::size_t i = 1; i < items.size(); ++i) {
    if (Trimmed(items[i]) == "NO SELECTION") ++reserved;
    if (Trimmed(items[i]) == "NSR at 80BPM") ++nsr;
  }
  EXPECT_EQ(reserved, 15);
  EXPECT_EQ(nsr, 3);
}

TEST(KeyCatalogue, TheBPChannel3ListRepeatsChannel1Names) {
  const KeyCategory* bp3 = FindKeyCategory("cbBP3Dynamic");
  ASSERT_NE(bp3, nullptr);
  EXPECT_EQ(bp3->CodeForItem(1), 203);
  EXPECT_EQ(bp3->CodeForItem(11), 213);
  const auto items = KeyCategoryItems(*bp3);
  ASSERT_EQ(items.size(), 12u);
  EXPECT_EQ(items[1], Padded("Arterial 120/80"));
  EXPECT_EQ(items[11], Padded("Swan-Ganz MANUAL"));
  for (int code : {179, 191, 215}) EXPECT_EQ(KeyName(203), KeyName(code));
}

TEST(KeyCatalogue, ItemIndexesOutsideAListGiveNoCode) {
  const KeyCategory* rate = FindKeyCategory("cbECGRate");
  ASSERT_NE(rate, nullptr);
  EXPECT_EQ(rate->ItemCount(), 16);
  EXPECT_EQ(rate->CodeForItem(0), 0);
  EXPECT_EQ(rate->CodeForItem(-1), 0);
  EXPECT_EQ(rate->CodeForItem(1), 10);
  EXPECT_EQ(rate->CodeForItem(15), 24);
  EXPECT_EQ(rate->CodeForItem(16), 0);
  EXPECT_EQ(rate->ItemForCode(9), 0);
  EXPECT_EQ(rate->ItemForCode(25), 0);
  EXPECT_EQ(rate->ItemForCode(13), 4);
  EXPECT_EQ(FindKeyCategory("cbNothing"), nullptr);
}

TEST(KeyCatalogue, TheCategoriesOffer357CodesEachInTheGroupOfItsRange) {
  const auto categories = KeyCategories();
  EXPECT_EQ(categories.size(), 37u);
  std::set<std::string> names;
  int offered = 0;
  for (const KeyCategory& category : categories) {
    names.insert(category.comboName);
    EXPECT_EQ(FindKeyCategory(category.comboName), &category);
    for (int code = category.firstCode; code <= category.lastCode; ++code) {
      ++offered;
      EXPECT_EQ(KeyCategoryOf(code), &category) << code;
      EXPECT_EQ(SimulationGroupOf(code), category.group) << code;
    }
  }
  EXPECT_EQ(names.size(), 37u);
  EXPECT_EQ(offered, 357);
  for (int code :
       {0, 9, 25, 34, 64, 148, 151, 154, 177, 190, 229, 255, 261, 284, 363, 423, 457, 480, 511}) {
    EXPECT_EQ(KeyCategoryOf(code), nullptr) << code;
  }
}

TEST(KeyCatalogue, TheGroupRuleAtTheEdgesOfEveryRange) {
  using G = SimulationGroup;
  const std::pair<int, G> cases[] = {
      {INT_MIN, G::None},
      {-1, G::None},
      {0, G::None},
      {9, G::None},
      {10, G::Multiparameter},
      {25, G::Multiparameter},
      {64, G::Multiparameter},
      {66, G::Multiparameter},
      {67, G::Arrhythmia},
      {142, G::Arrhythmia},
      {143, G::Multiparameter},
      {151, G::Multiparameter},
      {228, G::Multiparameter},
      {229, G::None},
      {230, G::TempCO},
      {234, G::TempCO},
      {235, G::None},
      {250, G::None},
      {251, G::TempCO},
      {261, G::TempCO},
      {283, G::TempCO},
      {284, G::None},
      {289, G::None},
      {290, G::Fetal},
      {315, G::Fetal},
      {316, G::None},
      {321, G::None},
      {322, G::PacedECG},
      {362, G::PacedECG},
      {363, G::None},
      {364, G::None},
      {365, G::ECGPerformance},
      {422, G::ECGPerformance},
      {423, G::None},
      {424, G::None},
      {425, G::Multiparameter},
      {456, G::Multiparameter},
      {457, G::None},
      {500, G::None},
      {511, G::None},
      {512, G::None},
      {INT_MAX, G::None},
  };
  for (const auto& [code, group] : cases) {
    EXPECT_EQ(SimulationGroupOf(code), group) << code;
  }
}

}  // namespace
